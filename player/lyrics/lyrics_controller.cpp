#include "lyrics/lyrics_controller.h"

#include "lyrics/lyric_numbers.h"
#include "lyrics/lyric_offset.h"
#include "lyrics/lyric_parser.h"
#include "platform/text_file.h"
#include "playback/media_player.h"
#include "playlist/playlist_model.h"
#include "widgets/xp_button.h"

#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QImageReader>
#include <QMenu>
#include <QMouseEvent>
#include <QRandomGenerator>

namespace {
const char16_t kEditCaption[] = u"修改歌词";
const char16_t kEditTip[] = u"编辑修改歌词";
const char16_t kLeaveEdit[] = u"退出修改";
constexpr int kTickMs = 50;
constexpr int kAfterHitMs = 110;

QString searchingText(const QString &track) {
    return QStringLiteral("当前曲目“") + track + QStringLiteral("”\n查找歌词文件 … ");
}
} // namespace

LyricsController::LyricsController(AppContext &ctx, MainWindowUi &ui, PlaylistModel &model,
                                   MediaPlayer &player, QObject *parent)
    : QObject(parent), m_ctx(ctx), m_ui(ui), m_model(model), m_player(player),
      m_store(ctx.paths.lyricStore()), m_box(ui.RichTextBox1),
      m_stripView(ui.Picture7, ui.Image6, ui.Picture6, ui.Picture1, ctx.settings.LyricFontName) {
    // Ticks decide in tenths of a second: coarse timers would drift by several milliseconds.
    m_ui.Timer[1]->setTimerType(Qt::PreciseTimer);
    m_ui.Timer[1]->setInterval(kTickMs);
    connect(m_ui.Timer[1], &QTimer::timeout, this, &LyricsController::LyricTick);
    connect(m_ui.Timer[10], &QTimer::timeout, this, &LyricsController::refreshBackground);
    // The lyric box never keeps the keyboard focus: keys belong to the window.
    m_ui.RichTextBox1->setFocusPolicy(Qt::NoFocus);
    // The box's own menu would open on the right press and swallow the release that opens ours.
    m_ui.RichTextBox1->setContextMenuPolicy(Qt::NoContextMenu);
    m_ui.RichTextBox1->viewport()->installEventFilter(this);
    for (QWidget *w : {m_ui.Picture1, m_ui.Picture7, static_cast<QWidget *>(m_ui.Image6)})
        w->installEventFilter(this);
    for (QLabel *strip : m_ui.Picture6)
        strip->installEventFilter(this);
    connectCommands();
}

void LyricsController::connectCommands() {
    auto onAction = [this](const char *name, void (LyricsController::*slot)()) {
        if (QAction *a = m_ui.action(name)) connect(a, &QAction::triggered, this, slot);
    };
    auto onButton = [this](int index, void (LyricsController::*slot)()) {
        if (XPButton *b = m_ui.XPButton[size_t(index)]) connect(b, &XPButton::clicked, this, slot);
    };
    onAction("mnuOpenLRC", &LyricsController::openLyricFile);
    onAction("mnuReOpenLRC", &LyricsController::reloadLyrics);
    onButton(19, &LyricsController::reloadLyrics);
    onAction("mnuDelLRC", &LyricsController::deleteLyrics);
    onAction("mnuNotLRC", &LyricsController::noLyrics);
    onAction("mnuOffsetA", &LyricsController::offsetUp);
    onAction("mnuOffsetD", &LyricsController::offsetDown);
    onButton(4, &LyricsController::offsetUp);
    onButton(3, &LyricsController::offsetDown);
    onAction("mnuEditLRC", &LyricsController::toggleEditor);
    onButton(5, &LyricsController::toggleEditor);
    onAction("mnuLrcSt", &LyricsController::toggleMovement);
    onButton(20, &LyricsController::cycleDisplayMode);
    onAction("mnuLrcVSH", &LyricsController::fullScreen);
    onButton(21, &LyricsController::fullScreen);
    for (int mode = 0; mode <= 2; ++mode) {
        const QByteArray name = "mnuLrcVS" + QByteArray::number(mode);
        if (QAction *a = m_ui.action(name.constData()))
            connect(a, &QAction::triggered, this, [this, mode] { setDisplayMode(mode); });
    }
    // The playlist's context menu has its own item for the selected track.
    if (QMenu *list = m_ui.Popmnu[4]) {
        const QList<QAction *> actions = list->actions();
        for (QAction *a : actions)
            if (a->objectName() == QLatin1String("PopNotLRC4"))
                connect(a, &QAction::triggered, this, &LyricsController::noLyricsForSelected);
    }

    if (QMenu *edit = m_ui.menu("mnuEdit")) {
        connect(edit, &QMenu::aboutToShow, this, [this] {
            if (QAction *a = m_ui.action("mnuDelLRC")) a->setEnabled(m_loaded);
            if (QAction *a = m_ui.action("mnuEditLRC"))
                a->setEnabled(m_ui.XPButton[5]->isEnabled());
        });
    }
    if (QMenu *control = m_ui.menu("mnuControl")) {
        connect(control, &QMenu::aboutToShow, this, [this] {
            if (QAction *a = m_ui.action("mnuLrcSt"))
                a->setEnabled(m_loaded || m_ui.Timer[1]->isActive());
        });
    }
    if (QMenu *box = m_ui.Popmnu[1]) {
        connect(box, &QMenu::aboutToShow, this, [this] {
            if (QAction *a = m_ui.action("PopDelLRC")) a->setEnabled(m_loaded);
            if (QAction *a = m_ui.action("PopEditLRC"))
                a->setEnabled(m_ui.XPButton[5]->isEnabled());
            const int mode = m_ctx.settings.LyricDisplayMode;
            const char *names[4] = {"PopLrcVS0", "PopLrcVS1", "PopLrcVS2", "PopLrcVSH"};
            const int checked = mode >= 0 && mode <= 2 ? mode : 3;
            for (int k = 0; k < 4; ++k) {
                if (QAction *a = m_ui.action(names[k])) {
                    a->setCheckable(true);
                    a->setChecked(k == checked);
                }
            }
        });
    }
}

bool LyricsController::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::MouseButtonPress) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton) {
            toggleMovement();
            return true;
        }
    } else if (event->type() == QEvent::MouseButtonRelease &&
               watched == m_ui.RichTextBox1->viewport()) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::RightButton && m_ui.Popmnu[1]) {
            m_ui.Popmnu[1]->popup(mouse->globalPosition().toPoint());
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

// ---- state helpers ---------------------------------------------------------------------

bool LyricsController::isPlaying() const {
    return m_player.playState() == MediaPlayer::Playing;
}

bool LyricsController::pauseWhenPlaying() {
    if (m_player.duration() != 0.0 && isPlaying()) {
        m_player.pause();
        return true;
    }
    return false;
}

bool LyricsController::editing() const {
    return m_ui.XPButton[5]->toolTipText() == QString::fromUtf16(kLeaveEdit);
}

void LyricsController::resetEditButton() {
    XPButton *edit = m_ui.XPButton[5];
    edit->setCaption(QString::fromUtf16(kEditCaption));
    edit->setToolTipText(QString::fromUtf16(kEditTip));
    m_ui.RichTextBox2->hide();
}

void LyricsController::setEditMenuCaptions(bool on) {
    if (QAction *a = m_ui.action("mnuEditLRC"))
        a->setText(on ? QStringLiteral("退出修改当前曲目歌词(&W)")
                      : QStringLiteral("编辑修改当前曲目歌词(&W)"));
    if (QAction *a = m_ui.action("PopEditLRC"))
        a->setText(on ? QStringLiteral("退出修改当前曲目歌词")
                      : QStringLiteral("编辑修改当前曲目歌词"));
}

void LyricsController::stopVisualTimer() {
    m_ui.Timer[4]->stop();
}

void LyricsController::restartVisualTimer() {
    const Settings &s = m_ctx.settings;
    if (s.ShowLevelMeter == 1 || s.VisualOn == 1) m_ui.Timer[4]->start();
}

void LyricsController::startTimerWhenPlaying() {
    if (isPlaying() && m_loaded && !m_ui.Timer[1]->isActive()) m_ui.Timer[1]->start(kTickMs);
}

// ---- lookup ----------------------------------------------------------------------------

void LyricsController::FindLyrics() {
    const QString track = m_model.CurrentFile;
    m_lyricFile.clear();
    m_ui.XPButton[5]->setEnabled(false);
    resetEditButton();
    m_ui.RichTextBox1->setVisible(true);
    m_sync.setText(QString());
    m_ui.List2->hide();
    m_ui.List2->setToolTip(QString());
    m_ui.Timer[2]->stop();
    m_ui.Timer[9]->stop();
    if (m_hooks.abandonDownload) m_hooks.abandonDownload();
    if (m_hooks.recordingToIdle) m_hooks.recordingToIdle();

    m_loaded = false;
    m_ui.Timer[1]->stop();
    m_ui.Label1->setText(QStringLiteral("0"));
    m_ui.Label2->setText(QStringLiteral("0"));
    m_offsetMs = 0;
    m_timeTagCount = 0;

    m_box.showStatus(searchingText(track));
    if (!track.isEmpty()) {
        const LyricLookupResult found = lookUpLyrics(m_store, track);
        if (found.text) {
            m_lyricFile = found.storeFile;
            showLyricText(*found.text);
        }
    }
    if (!m_loaded) {
        m_box.format(m_ctx.settings);
        m_ui.RichTextBox1->setEnabled(true);
        m_box.setCaret(0);
    }

    if (m_loaded) {
        startTimerWhenPlaying();
        return;
    }
    if (m_hooks.lyricWindowShown && m_hooks.lyricWindowShown() && m_ui.frmMain) {
        // The message about the missing lyrics is seen in front of the full-screen window.
        m_ui.frmMain->show();
        m_ui.frmMain->raise();
        m_returnToLyricWindow = true;
    }
    if (Settings::isTrue(m_ctx.settings.AutoDownloadLyrics) && m_hooks.startDownload) {
        m_hooks.startDownload();
    } else {
        m_box.showStatus(searchingText(track) + QStringLiteral("[无]"));
    }
}

void LyricsController::showLyricText(const QString &fileText) {
    m_ui.RichTextBox1->setEnabled(false);
    const QString normalised = LyricParser::normalise(fileText);
    m_loaded = true;
    m_ui.XPButton[5]->setEnabled(true);
    resetEditButton();
    const LyricParseResult parsed = LyricParser::parse(normalised);
    m_offsetMs = parsed.offsetMs;
    m_timeTagCount = parsed.timeTagCount;
    // Without time tags the box shows the normalised text as read.
    m_box.setText(parsed.displayText);
    m_sync.setText(m_box.text());
    m_box.format(m_ctx.settings);
    m_ui.RichTextBox1->setEnabled(true);
    m_box.setCaret(0);
    if (m_hooks.lyricsShown) m_hooks.lyricsShown();
}

void LyricsController::showDownloadedLyrics(const QString &file, const QString &text) {
    m_lyricFile = file;
    showLyricText(text);
}

void LyricsController::adoptLyricFile(const QString &file) {
    m_lyricFile = file;
    m_ui.XPButton[5]->setEnabled(true);
    resetEditButton();
}

void LyricsController::clearLoaded() {
    m_loaded = false;
    m_ui.Timer[1]->stop();
    m_sync.setText(QString());
}

// ---- tick ------------------------------------------------------------------------------

void LyricsController::applyModeWidgets() {
    const int mode = m_ctx.settings.LyricDisplayMode % 100;
    const bool pictures = mode == 2;
    // Without the lyric painter mode 1 shows the box.
    const bool painter = mode == 1 && m_hooks.paintLyricPainter;
    m_ui.Picture1->setVisible(painter);
    m_ui.RichTextBox1->setVisible(!pictures && !painter);
    m_stripView.setVisible(pictures);
    if (!m_ui.RichTextBox2->isHidden()) m_ui.RichTextBox2->raise();
}

void LyricsController::LyricTick() {
    const bool windowUp = m_hooks.lyricWindowShown && m_hooks.lyricWindowShown();
    if (m_returnToLyricWindow) {
        m_returnToLyricWindow = false;
        if (windowUp && m_ui.frmMain) m_ui.frmMain->hide();
    }
    if (m_ui.frmMain && m_ui.frmMain->isMinimized() && m_ctx.settings.LyricDisplayMode < 100)
        return;
    if (m_player.hasVideo() && m_player.displaySize() == MediaPlayer::kFullScreen) return;
    m_ui.Timer[1]->setInterval(kTickMs);

    const double position = m_player.currentPosition();
    const double adjusted = position + m_offsetMs / 1000.0;
    m_ui.Label1->setText(LyricNumbers::format(adjusted).left(7));
    m_ui.Label2->setText(QString::number(m_offsetMs));
    applyModeWidgets();
    const bool windowShown = windowUp;
    // Opened once: while it is up the cycle counter keeps counting.
    if (m_ctx.settings.LyricDisplayMode >= 100 && m_hooks.openFullScreen && !windowShown) {
        m_cycleCounter = 1;
        m_hooks.openFullScreen();
    }
    const bool pictures = m_ctx.settings.LyricDisplayMode == 2;
    QTextEdit *windowBox = m_hooks.lyricWindowBox ? m_hooks.lyricWindowBox() : nullptr;

    const auto hit = m_sync.tick(adjusted);
    if (hit) {
        // The same highlight in the full-screen window's box.
        auto mark = [&](LyricBox box) {
            box.scrollOneLine();
            if (hit->oldStart >= 0)
                box.colourRange(hit->oldStart, hit->oldLength, m_ctx.settings.LyricTextColor);
            box.colourRange(m_sync.highlightStart, m_sync.highlightLength,
                            m_ctx.settings.LyricHighlightColor);
            box.setCaret(hit->caret);
        };
        mark(m_box);
        if (windowBox) mark(LyricBox(windowBox));
        if (pictures) updateStripsAfterHit();
        echo(position, hit->line);
        // The next tick falls into a later tenth of a second.
        m_ui.Timer[1]->setInterval(kAfterHitMs);
    }

    if (m_sync.trackEnding(m_player.duration(), position)) {
        showThanks();
        if (windowBox) LyricBox(windowBox).caretToEnd();
    }
    m_sync.clampScrollLimit();

    const int mode = m_ctx.settings.LyricDisplayMode;
    if ((mode == 1 || (mode == 101 && windowShown)) && m_hooks.paintLyricPainter) {
        const bool newTransform = m_cycleCounter == 0;
        if (++m_cycleCounter > 100) m_cycleCounter = 0;
        m_hooks.paintLyricPainter(newTransform);
        if (mode == 101 && m_hooks.lyricWindowFrame) m_hooks.lyricWindowFrame();
    }
    if (pictures) moveStrips(adjusted);
    if (mode == 102 && windowShown && m_hooks.lyricWindowStrips) {
        countBackgroundCycle();
        m_hooks.lyricWindowStrips(hit.has_value(), adjusted);
    }
}

void LyricsController::echo(double position, const LyricTimeline::Line &line) {
    if (!m_ctx.echoLyrics || !m_echo) return;
    const QByteArray text = QString::asprintf("%.2f\t", position).toUtf8() + line.tagTime.toUtf8() +
                            '\t' + line.text.toUtf8() + '\n';
    std::fwrite(text.constData(), 1, size_t(text.size()), m_echo);
    std::fflush(m_echo);
}

void LyricsController::updateStripsAfterHit() {
    m_sync.applyStripBlanks();
    const int width = m_stripView.sizeCurrentTo(m_sync.CurLineText);
    m_strips.layoutLine(width, m_stripView.areaWidth(), m_sync.CurTagTime, m_sync.NextTagTime);
    m_stripView.setCurrentShade(m_strips.StripShade);
}

void LyricsController::showThanks() {
    m_box.caretToEnd();
    m_sync.showThanks();
    m_strips.StripShade = 255;
    if (m_ctx.settings.LyricDisplayMode == 2) {
        m_sync.CurLineText = QStringLiteral("谢谢使用！");
        m_strips.centre(m_stripView.sizeCurrentTo(m_sync.CurLineText), m_stripView.areaWidth());
        m_stripView.setCurrentShade(255);
    } else if (m_ctx.settings.LyricDisplayMode == 102) {
        m_sync.PrevLineText = Dialogs::applicationCaption();
        m_sync.CurLineText = QStringLiteral("谢谢使用！");
        if (m_hooks.lyricWindowThanks) m_hooks.lyricWindowThanks();
    }
}

void LyricsController::countBackgroundCycle() {
    if (m_cycleCounter == 0) m_ui.Timer[10]->start();
    if (++m_cycleCounter > 200) m_cycleCounter = 0;
}

void LyricsController::moveStrips(double adjusted) {
    countBackgroundCycle();
    if (m_strips.hasLeft()) {
        m_sync.moveCurrentToPrevious();
        m_strips.reenter(m_stripView.sizeCurrentTo(m_sync.CurLineText), m_stripView.areaWidth());
    }
    if (m_sync.NextLineText.trimmed().isEmpty()) m_sync.NextLineText = QStringLiteral("…");
    m_strips.advance();
    m_stripView.moveCurrent(m_strips.StripX);
    m_strips.updateShade(m_sync.CurTagTime, m_sync.NextTagTime, adjusted);
    m_stripView.setCurrentShade(m_strips.StripShade);
    m_stripView.setTexts(m_sync.PrevLineText, m_sync.CurLineText, m_sync.NextLineText);
}

void LyricsController::refreshBackground() {
    m_ui.Timer[10]->stop();
    QImage picture = chooseBackground();
    if (picture.isNull()) return; // a picture that cannot load keeps the old one
    m_stripView.setBackground(picture);
    if (m_hooks.lyricWindowBackground) m_hooks.lyricWindowBackground(picture);
}

QImage LyricsController::chooseBackground() {
    if (m_ctx.settings.CoverAsLyricBackground == 1 && m_hooks.coverPicture) {
        QImage cover = m_hooks.coverPicture();
        if (!cover.isNull()) return cover;
    }
    if (!m_backgroundsRead) {
        m_backgroundsRead = true;
        const QDir folder(m_ctx.paths.file(QStringLiteral("bkground")));
        const QStringList names = folder.entryList(QDir::Files, QDir::Name);
        for (const QString &name : names)
            m_backgrounds << folder.filePath(name);
    }
    if (m_backgrounds.isEmpty()) return QImage();
    const QString chosen =
        m_backgrounds.at(int(QRandomGenerator::global()->bounded(quint32(m_backgrounds.size()))));
    QImageReader reader(chosen);
    return reader.read();
}

void LyricsController::rereadBackgrounds() {
    m_backgroundsRead = false;
    m_backgrounds.clear();
    if (m_ctx.settings.LyricDisplayMode % 100 == 2) refreshBackground();
}

void LyricsController::onPlayStateChanged(int state) {
    if (state == MediaPlayer::Stopped || state == MediaPlayer::Paused) m_ui.Timer[1]->stop();
    if (state == MediaPlayer::Stopped) {
        if (m_loaded) m_box.format(m_ctx.settings);
        m_sync.resetTicks();
        m_ui.Label1->setText(QStringLiteral("0"));
        m_ui.RichTextBox1->setEnabled(true);
        m_box.setCaret(0);
    } else if (state == MediaPlayer::Playing && m_loaded) {
        m_ui.Timer[1]->start(kTickMs);
        LyricTick();
    }
}

// ---- display modes -----------------------------------------------------------------------

void LyricsController::setDisplayMode(int mode) {
    if (m_hooks.closeLyricWindow) m_hooks.closeLyricWindow();
    m_ctx.settings.LyricDisplayMode = mode;
    applyModeWidgets();
    if (mode == 2) {
        // Drawn at once, also while stopped: the ticks only move what is already there.
        refreshBackground();
        m_stripView.setTexts(m_sync.PrevLineText, m_sync.CurLineText, m_sync.NextLineText);
    }
    startTimerWhenPlaying();
}

void LyricsController::cycleDisplayMode() {
    if (m_hooks.closeLyricWindow) m_hooks.closeLyricWindow();
    const int next = (m_ctx.settings.LyricDisplayMode % 100 + 1) % 3;
    const QString hint = QStringLiteral("提示：按 H 键全屏显示歌词；按 Esc 键退出全屏。");
    m_ui.Label5->setText(hint);
    m_ui.Label5->setToolTip(hint);
    setDisplayMode(next);
}

void LyricsController::fullScreen() {
    // The full-screen window opens from the tick once it is wired in.
    if (!m_hooks.openFullScreen) return;
    if (m_ctx.settings.LyricDisplayMode < 100) m_ctx.settings.LyricDisplayMode += 100;
    startTimerWhenPlaying();
}

void LyricsController::toggleMovement() {
    if (m_ui.Timer[1]->isActive()) {
        m_ui.Timer[1]->stop();
        return;
    }
    startTimerWhenPlaying();
}

// ---- offset and editor -------------------------------------------------------------------

void LyricsController::offsetUp() {
    applyOffset(LyricOffset::stepUp(m_offsetMs));
}

void LyricsController::offsetDown() {
    applyOffset(LyricOffset::stepDown(m_offsetMs));
}

void LyricsController::applyOffset(int32_t offsetMs) {
    m_offsetMs = offsetMs;
    m_ui.Label2->setText(QString::number(m_offsetMs));
    if (!editing() || m_ui.RichTextBox2->isHidden()) return;
    const auto rewrite = LyricOffset::writeOffset(m_ui.RichTextBox2->toPlainText(), m_offsetMs);
    if (rewrite.caret >= 0) {
        m_ui.RichTextBox2->setPlainText(rewrite.text);
        QTextCursor cursor = m_ui.RichTextBox2->textCursor();
        cursor.setPosition(int(rewrite.caret));
        m_ui.RichTextBox2->setTextCursor(cursor);
    }
    m_ui.RichTextBox2->setFocus();
}

void LyricsController::toggleEditor() {
    if (m_lyricFile.isEmpty() || !m_loaded) {
        if (m_ctx.dialogs) m_ctx.dialogs->info(QStringLiteral("错误！未发现歌词。"));
        return;
    }
    pauseWhenPlaying();
    XPButton *edit = m_ui.XPButton[5];
    if (!editing()) {
        const auto text = TextFile::read(m_lyricFile);
        if (!text) return;
        const auto rewrite = LyricOffset::writeOffset(LyricOffset::editorText(*text), m_offsetMs);
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
        const QString storeFile = m_store.LyricStoreName(m_model.CurrentFile);
        QDir().mkpath(m_store.folder());
        if (!TextFile::write(storeFile, LyricOffset::fileText(m_ui.RichTextBox2->toPlainText()))) {
            // Leaving would lose the edit: stay in the editor.
            m_ctx.dialogs->error(QStringLiteral("无法保存歌词文件“") + storeFile +
                                 QStringLiteral("”。"));
            return;
        }
        m_lyricFile = storeFile;
    }
    resetEditButton();
    stopVisualTimer();
    FindLyrics();
    restartVisualTimer();
    m_player.play();
    setEditMenuCaptions(false);
}

void LyricsController::leaveEditing() {
    m_lyricFile.clear();
    m_ui.XPButton[5]->setEnabled(false);
    resetEditButton();
}

// ---- lyric file commands -------------------------------------------------------------------

void LyricsController::openLyricFile() {
    const QString track = m_model.CurrentFile;
    if (track.isEmpty() || !m_ctx.dialogs) return;
    stopVisualTimer();
    pauseWhenPlaying();
    auto finish = [this] {
        restartVisualTimer();
        if (m_player.playState() == MediaPlayer::Paused) m_player.play();
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
    m_lyricFile = file;
    showLyricText(*text);
    if (m_loaded) {
        const QString storeFile = m_store.LyricStoreName(track);
        bool replace = true;
        if (QFileInfo::exists(storeFile)) {
            pauseWhenPlaying();
            Dialogs::Message question;
            question.text = QStringLiteral("你要保存当前的歌词文件来替换原来的歌词文件吗?");
            question.icon = Dialogs::Icon::Warning;
            question.buttons = Dialogs::Buttons::YesNo;
            question.defaultAnswer = Dialogs::Answer::Yes;
            replace = m_ctx.dialogs->message(question) == Dialogs::Answer::Yes;
        }
        if (replace) {
            if (QFileInfo(file).canonicalFilePath() != QFileInfo(storeFile).canonicalFilePath() &&
                !m_store.replaceWith(track, file))
                return finish();
            m_lyricFile = storeFile;
            m_ui.XPButton[5]->setEnabled(true);
            resetEditButton();
        } else {
            stopVisualTimer();
            FindLyrics();
            restartVisualTimer();
            if (m_player.playState() == MediaPlayer::Paused) m_player.play();
        }
        if (isPlaying()) m_ui.Timer[1]->start(kTickMs);
    }
    finish();
}

void LyricsController::reloadLyrics() {
    if (m_model.CurrentFile.isEmpty() || !m_ctx.dialogs) return;
    if (!m_ctx.dialogs->ask(QStringLiteral("你确定要重新装载歌词吗?"), QString(), true)) return;
    stopVisualTimer();
    FindLyrics();
    restartVisualTimer();
}

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

void LyricsController::deleteLyrics() {
    const QString track = m_model.CurrentFile;
    if (track.isEmpty() || !m_ctx.dialogs) return;
    if (!askWarning(*m_ctx.dialogs, QStringLiteral("你确定要删除曲目“") + track +
                                        QStringLiteral("”所对应的歌词文件吗?")))
        return;
    const QString storeFile = m_store.LyricStoreName(track);
    m_store.remove(track);
    m_box.showStatus(QStringLiteral("歌词文件“") + storeFile + QStringLiteral("”已经被删除！"));
    const QString beside = LyricStore::trackFolderFile(track);
    if (!beside.isEmpty() && QFileInfo(beside).isFile()) {
        if (!askWarning(*m_ctx.dialogs,
                        QStringLiteral(
                            "在曲目文件夹中存在同名LRC文件，此操作将同时删除它，你确定要删除吗?")))
            return;
        QFile::remove(beside);
    }
    if (QAction *a = m_ui.action("mnuDelLRC")) a->setEnabled(false);
    m_loaded = false;
    m_ui.Timer[1]->stop();
    m_sync.setText(QString());
    m_ui.XPButton[5]->setEnabled(false);
    m_lyricFile.clear();
    m_ui.List2->hide();
    m_ui.RichTextBox1->setEnabled(true);
}

bool LyricsController::askNoLyrics(const QString &track) {
    return askWarning(*m_ctx.dialogs, QStringLiteral("你确定要设置曲目“") + track +
                                          QStringLiteral("”暂时不使用歌词吗?"));
}

void LyricsController::writeNoLyrics(const QString &track, const QString &defaultText) {
    QString title = m_ctx.dialogs->input(QStringLiteral("可以在下面文本框中输入曲目【") + track +
                                             QStringLiteral("】的标题或其他说明。\n"),
                                         QStringLiteral("歌词设置"), defaultText);
    if (title.isEmpty()) title = QStringLiteral("当前曲目被设置为暂不使用歌词。");
    if (!m_store.WriteNoLyricsFile(track, title))
        m_ctx.dialogs->error(QStringLiteral("无法写入歌词文件“") + m_store.LyricStoreName(track) +
                             QStringLiteral("”。"));
}

void LyricsController::noLyrics() {
    const QString track = m_model.CurrentFile;
    if (track.isEmpty() || !m_ctx.dialogs) return;
    if (!askNoLyrics(track)) return;
    QString defaultText = m_hooks.clipTitle ? m_hooks.clipTitle().trimmed() : QString();
    if (defaultText.isEmpty()) defaultText = track;
    writeNoLyrics(track, defaultText);
    m_ui.XPButton[5]->setEnabled(true);
    m_ui.List2->hide();
    m_ui.Timer[2]->stop();
    m_ui.Timer[9]->stop();
    stopVisualTimer();
    FindLyrics();
    restartVisualTimer();
}

void LyricsController::noLyricsForSelected() {
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
