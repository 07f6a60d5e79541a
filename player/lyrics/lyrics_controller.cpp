#include "lyrics/lyrics_controller.h"

#include "lyrics/lyric_parser.h"
#include "playback/media_player.h"
#include "playlist/playlist_model.h"
#include "widgets/xp_button.h"

#include <QEvent>
#include <QMenu>
#include <QMouseEvent>

namespace {
constexpr int kTickMs = LyricTicker::kTickMs;

QString searchingText(const QString &track) {
    return QStringLiteral("当前曲目“") + track + QStringLiteral("”\n查找歌词文件 … ");
}
} // namespace

LyricsController::LyricsController(AppContext &ctx, MainWindowUi &ui, PlaylistModel &model,
                                   MediaPlayer &player, QObject *parent)
    : QObject(parent), m_ctx(ctx), m_ui(ui), m_model(model), m_player(player),
      m_store(ctx.paths.lyricStore()), m_box(ui.RichTextBox1),
      m_display(ctx, ui, m_hooks, m_sync, [this] { startTimerWhenPlaying(); }),
      m_editor(ctx, ui, *this), m_files(ctx, ui, model, *this),
      m_ticker(ctx, ui, player, m_hooks, m_box, m_sync, m_display) {
    // Ticks decide in tenths of a second: coarse timers would drift by several milliseconds.
    m_ui.Timer[1]->setTimerType(Qt::PreciseTimer);
    m_ui.Timer[1]->setInterval(kTickMs);
    connect(m_ui.Timer[1], &QTimer::timeout, this, &LyricsController::LyricTick);
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
    m_editor.resetEditButton();
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
            showFileText(*found.text);
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
        m_ticker.returnToLyricWindow();
    }
    if (Settings::isTrue(m_ctx.settings.AutoDownloadLyrics) && m_hooks.startDownload) {
        m_hooks.startDownload();
    } else {
        m_box.showStatus(searchingText(track) + QStringLiteral("[无]"));
    }
}

void LyricsController::showFileText(const QString &fileText) {
    m_ui.RichTextBox1->setEnabled(false);
    const QString normalised = LyricParser::normalise(fileText);
    m_loaded = true;
    m_ui.XPButton[5]->setEnabled(true);
    m_editor.resetEditButton();
    const LyricParseResult parsed = LyricParser::parse(normalised);
    m_offsetMs = parsed.offsetMs;
    m_timeTagCount = parsed.timeTagCount;
    // Without time tags the box shows the normalised text as read.
    m_box.setText(parsed.displayText);
    m_sync.setText(m_box.text());
    m_sync.setWords(parsed.words);
    m_box.format(m_ctx.settings);
    m_ui.RichTextBox1->setEnabled(true);
    m_box.setCaret(0);
    if (m_hooks.lyricsShown) m_hooks.lyricsShown();
}

void LyricsController::showDownloadedLyrics(const QString &file, const QString &text) {
    m_lyricFile = file;
    showFileText(text);
}

void LyricsController::adoptLyricFile(const QString &file) {
    m_lyricFile = file;
    m_ui.XPButton[5]->setEnabled(true);
    m_editor.resetEditButton();
}

void LyricsController::restartTicksWhenPlaying() {
    if (isPlaying()) m_ui.Timer[1]->start(kTickMs);
}

const QString &LyricsController::currentTrack() const {
    return m_model.CurrentFile;
}

void LyricsController::clearLoaded() {
    m_loaded = false;
    m_ui.Timer[1]->stop();
    m_sync.setText(QString());
}

void LyricsController::LyricTick() {
    m_ticker.tick(m_offsetMs);
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

void LyricsController::toggleMovement() {
    if (m_ui.Timer[1]->isActive()) {
        m_ui.Timer[1]->stop();
        return;
    }
    startTimerWhenPlaying();
}
