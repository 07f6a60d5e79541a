#include "lyrics/lyric_file_commands.h"

#include "lyrics/lyrics_controller.h"
#include "lyrics/replace_question.h"
#include "platform/text_file.h"
#include "playback/media_player.h"
#include "playlist/playlist_model.h"
#include "widgets/xp_button.h"

#include <QFile>
#include <QFileInfo>

namespace {
bool askWarning(Dialogs &dialogs, const QString &text) {
    Dialogs::Message m;
    m.text = text;
    m.icon = Dialogs::Icon::Warning;
    m.buttons = Dialogs::Buttons::YesNo;
    m.defaultAnswer = Dialogs::Answer::No;
    return dialogs.message(m) == Dialogs::Answer::Yes;
}
} // namespace

LyricFileCommands::LyricFileCommands(AppContext &ctx, MainWindowUi &ui, PlaylistModel &model,
                                     LyricsController &lyrics, QObject *parent)
    : QObject(parent), m_ctx(ctx), m_ui(ui), m_model(model), m_lyrics(lyrics) {}

void LyricFileCommands::findAgain() {
    m_lyrics.stopVisualTimer();
    m_lyrics.FindLyrics();
    m_lyrics.restartVisualTimer();
}

void LyricFileCommands::openLyricFile() {
    const QString track = m_model.CurrentFile;
    if (track.isEmpty() || !m_ctx.dialogs) return;
    MediaPlayer &player = m_lyrics.player();
    m_lyrics.stopVisualTimer();
    m_lyrics.pauseWhenPlaying();
    auto finish = [this, &player] {
        m_lyrics.restartVisualTimer();
        if (player.playState() == MediaPlayer::Paused) player.play();
    };
    Dialogs::FileRequest request;
    request.title = QStringLiteral("查找/替换歌词");
    request.filter = QStringLiteral("歌词文件(*.lrc)|*.lrc");
    request.mustExist = true;
    const QStringList chosen = m_ctx.dialogs->openFiles(request);
    if (chosen.isEmpty() || chosen.first().isEmpty()) return finish();
    const QString file = chosen.first();
    const auto text = TextFile::read(file);
    if (!text) return finish();
    m_ui.Timer[2]->stop();
    m_ui.Timer[9]->stop();
    m_lyrics.setLyricFile(file);
    m_lyrics.showFileText(*text);
    if (m_lyrics.LyricsLoaded()) {
        const LyricStore &store = m_lyrics.store();
        const QString storeFile = store.LyricStoreName(track);
        bool replace = true;
        if (QFileInfo::exists(storeFile)) {
            m_lyrics.pauseWhenPlaying();
            const Dialogs::Message question = replaceStoredLyricsQuestion();
            replace = m_ctx.dialogs->message(question) == Dialogs::Answer::Yes;
        }
        if (replace) {
            if (QFileInfo(file).canonicalFilePath() != QFileInfo(storeFile).canonicalFilePath() &&
                !store.replaceWith(track, file))
                return finish();
            m_lyrics.adoptLyricFile(storeFile);
        } else {
            findAgain();
            if (player.playState() == MediaPlayer::Paused) player.play();
        }
        m_lyrics.restartTicksWhenPlaying();
    }
    finish();
}

void LyricFileCommands::reloadLyrics() {
    if (m_model.CurrentFile.isEmpty() || !m_ctx.dialogs) return;
    if (!m_ctx.dialogs->ask(QStringLiteral("你确定要重新装载歌词吗?"), QString(), true)) return;
    findAgain();
}

void LyricFileCommands::deleteLyrics() {
    const QString track = m_model.CurrentFile;
    if (track.isEmpty() || !m_ctx.dialogs) return;
    if (!askWarning(*m_ctx.dialogs, QStringLiteral("你确定要删除曲目“") + track +
                                        QStringLiteral("”所对应的歌词文件吗?")))
        return;
    const QString storeFile = m_lyrics.store().LyricStoreName(track);
    m_lyrics.store().remove(track);
    m_lyrics.box().showStatus(QStringLiteral("歌词文件“") + storeFile +
                              QStringLiteral("”已经被删除！"));
    const QString beside = LyricStore::trackFolderFile(track);
    if (!beside.isEmpty() && QFileInfo(beside).isFile()) {
        if (!askWarning(*m_ctx.dialogs,
                        QStringLiteral(
                            "在曲目文件夹中存在同名LRC文件，此操作将同时删除它，你确定要删除吗?")))
            return;
        QFile::remove(beside);
    }
    if (QAction *a = m_ui.action("mnuDelLRC")) a->setEnabled(false);
    m_lyrics.clearLoaded();
    m_ui.XPButton[5]->setEnabled(false);
    m_lyrics.setLyricFile(QString());
    m_ui.List2->hide();
    m_ui.RichTextBox1->setEnabled(true);
}

bool LyricFileCommands::askNoLyrics(const QString &track) {
    return askWarning(*m_ctx.dialogs, QStringLiteral("你确定要设置曲目“") + track +
                                          QStringLiteral("”暂时不使用歌词吗?"));
}

void LyricFileCommands::writeNoLyrics(const QString &track, const QString &defaultText) {
    QString title = m_ctx.dialogs->input(QStringLiteral("可以在下面文本框中输入曲目【") + track +
                                             QStringLiteral("】的标题或其他说明。\n"),
                                         QStringLiteral("歌词设置"), defaultText);
    if (title.isEmpty()) title = QStringLiteral("当前曲目被设置为暂不使用歌词。");
    if (!m_lyrics.store().WriteNoLyricsFile(track, title))
        m_ctx.dialogs->error(QStringLiteral("无法写入歌词文件“") +
                             m_lyrics.store().LyricStoreName(track) + QStringLiteral("”。"));
}

void LyricFileCommands::noLyrics() {
    const QString track = m_model.CurrentFile;
    if (track.isEmpty() || !m_ctx.dialogs) return;
    if (!askNoLyrics(track)) return;
    const LyricsHooks &hooks = m_lyrics.hooks();
    QString defaultText = hooks.clipTitle ? hooks.clipTitle().trimmed() : QString();
    if (defaultText.isEmpty()) defaultText = track;
    writeNoLyrics(track, defaultText);
    m_ui.XPButton[5]->setEnabled(true);
    m_ui.List2->hide();
    m_ui.Timer[2]->stop();
    m_ui.Timer[9]->stop();
    findAgain();
}

void LyricFileCommands::noLyricsForSelected() {
    if (!m_ctx.dialogs) return;
    const int selected = m_model.selectedIndex();
    if (selected < 0) {
        m_ctx.dialogs->info(QStringLiteral("请首先选中列表中的曲目！"));
        return;
    }
    const QString item = m_model.item(selected);
    if (item == m_model.CurrentFile) {
        noLyrics();
        return;
    }
    if (!askNoLyrics(item)) return;
    writeNoLyrics(item, item);
}
