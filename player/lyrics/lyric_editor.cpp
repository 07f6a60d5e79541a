#include "lyrics/lyric_editor.h"

#include "lyrics/lyric_offset.h"
#include "lyrics/lyrics_controller.h"
#include "platform/text_file.h"
#include "playback/media_player.h"
#include "widgets/xp_button.h"

#include <QDir>

namespace {
const char16_t kEditCaption[] = u"修改歌词";
const char16_t kEditTip[] = u"编辑修改歌词";
const char16_t kLeaveEdit[] = u"退出修改";
} // namespace

LyricEditor::LyricEditor(AppContext &ctx, MainWindowUi &ui, LyricsController &lyrics,
                         QObject *parent)
    : QObject(parent), m_ctx(ctx), m_ui(ui), m_lyrics(lyrics) {}

bool LyricEditor::editing() const {
    return m_ui.XPButton[5]->toolTipText() == QString::fromUtf16(kLeaveEdit);
}

void LyricEditor::resetEditButton() {
    XPButton *edit = m_ui.XPButton[5];
    edit->setCaption(QString::fromUtf16(kEditCaption));
    edit->setToolTipText(QString::fromUtf16(kEditTip));
    m_ui.RichTextBox2->hide();
}

void LyricEditor::setEditMenuCaptions(bool on) {
    if (QAction *a = m_ui.action("mnuEditLRC"))
        a->setText(on ? QStringLiteral("退出修改当前曲目歌词(&W)")
                      : QStringLiteral("编辑修改当前曲目歌词(&W)"));
    if (QAction *a = m_ui.action("PopEditLRC"))
        a->setText(on ? QStringLiteral("退出修改当前曲目歌词")
                      : QStringLiteral("编辑修改当前曲目歌词"));
}

void LyricEditor::offsetUp() {
    applyOffset(LyricOffset::stepUp(m_lyrics.LyricOffsetMs()));
}

void LyricEditor::offsetDown() {
    applyOffset(LyricOffset::stepDown(m_lyrics.LyricOffsetMs()));
}

void LyricEditor::applyOffset(int32_t offsetMs) {
    m_lyrics.setOffsetMs(offsetMs);
    m_ui.Label2->setText(QString::number(offsetMs));
    if (!editing() || m_ui.RichTextBox2->isHidden()) return;
    const auto rewrite = LyricOffset::writeOffset(m_ui.RichTextBox2->toPlainText(), offsetMs);
    if (rewrite.caret >= 0) {
        m_ui.RichTextBox2->setPlainText(rewrite.text);
        QTextCursor cursor = m_ui.RichTextBox2->textCursor();
        cursor.setPosition(int(rewrite.caret));
        m_ui.RichTextBox2->setTextCursor(cursor);
    }
    m_ui.RichTextBox2->setFocus();
}

void LyricEditor::toggleEditor() {
    if (m_lyrics.LyricFile().isEmpty() || !m_lyrics.LyricsLoaded()) {
        if (m_ctx.dialogs) m_ctx.dialogs->info(QStringLiteral("错误！未发现歌词。"));
        return;
    }
    m_lyrics.pauseWhenPlaying();
    XPButton *edit = m_ui.XPButton[5];
    if (!editing()) {
        // The file's own text, word times and all: the editor never shows the parsed view.
        const auto text = TextFile::read(m_lyrics.LyricFile());
        if (!text) return;
        const auto rewrite =
            LyricOffset::writeOffset(LyricOffset::editorText(*text), m_lyrics.LyricOffsetMs());
        m_ui.RichTextBox2->setPlainText(rewrite.text);
        QTextCursor cursor = m_ui.RichTextBox2->textCursor();
        cursor.setPosition(int(std::max<qsizetype>(0, rewrite.caret)));
        m_ui.RichTextBox2->setTextCursor(cursor);
        edit->setCaption(QString::fromUtf16(kLeaveEdit));
        edit->setToolTipText(QString::fromUtf16(kLeaveEdit));
        m_ui.RichTextBox2->show();
        m_ui.RichTextBox2->raise();
        m_ui.RichTextBox2->setFocus();
        setEditMenuCaptions(true);
        return;
    }
    if (m_ctx.dialogs && m_ctx.dialogs->ask(QStringLiteral("是否保存修改?"))) {
        const QString storeFile = m_lyrics.store().LyricStoreName(m_lyrics.currentTrack());
        QDir().mkpath(m_lyrics.store().folder());
        if (!TextFile::write(storeFile, LyricOffset::fileText(m_ui.RichTextBox2->toPlainText()))) {
            // Leaving would lose the edit: stay in the editor.
            m_ctx.dialogs->error(QStringLiteral("无法保存歌词文件“") + storeFile +
                                 QStringLiteral("”。"));
            return;
        }
        m_lyrics.setLyricFile(storeFile);
    }
    resetEditButton();
    m_lyrics.stopVisualTimer();
    m_lyrics.FindLyrics();
    m_lyrics.restartVisualTimer();
    m_lyrics.player().play();
    setEditMenuCaptions(false);
}

void LyricEditor::leaveEditing() {
    m_lyrics.setLyricFile(QString());
    m_ui.XPButton[5]->setEnabled(false);
    resetEditButton();
}
