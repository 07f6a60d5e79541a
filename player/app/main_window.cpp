#include "app/main_window.h"

#include "app/command_surface.h"
#include "app/info_dialogs.h"
#include "app/key_preview.h"
#include "app/main_menus.h"
#include "app/main_window_layout.h"
#include "lyrics/download/lyric_service_config.h"
#include "lyrics/download/web_search.h"
#include "lyrics/lyric_download_controller.h"
#include "lyrics/lyric_window_controller.h"
#include "lyrics/lyrics_controller.h"
#include "mpris/mpris_playback.h"
#include "platform/file_class_registry.h"
#include "platform/xdg_association.h"
#include "playback/live_key.h"
#include "playback/playback_widgets.h"
#include "playlist/playlist_controller.h"
#include "processing/conversion_controller.h"
#include "processing/processing_controller.h"
#include "recording/recording_widgets.h"
#include "shell/file_type_registration.h"
#include "shell/frm_set.h"
#include "shell/skin_shape.h"
#include "visuals/cover_picture.h"
#include "visuals/visual_switches.h"
#include "visuals/visuals_controller.h"
#include "widgets/xp_button.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFile>
#include <QKeyEvent>
#include <QScreen>
#include <QUrl>
#include <QWindow>

namespace {

// Tooltips given to the buttons when start-up completes.
const char *const kButtonTips[26] = {
    nullptr,
    "播放上一曲",
    "播放下一曲",
    "歌词时间补偿<-50ms>",
    "歌词时间补偿<+50ms>",
    "编辑修改歌词",
    "开始录音",
    "回放录音",
    " 停 止 ",
    "添加曲目到列表[本地]",
    "向上查看列表曲目",
    "向下查看列表曲目",
    "播放列表中选中的曲目",
    "停止播放",
    "删除列表中选中的曲目",
    "连接 Lyravox 主页",
    "设置选项",
    "系统声音控制",
    "暂停播放",
    "重新装载歌词",
    "歌词显示模式切换",
    "歌词全屏",
    "曲目属性",
    "可视化效果开关",
    "影像全屏",
    "LRC歌词上传、征求、搜索及下载",
};

// The hidden sequence that starts the window-bounce mode.
constexpr int kBounceKeys[3] = {Qt::Key_K, Qt::Key_T, Qt::Key_V};

} // namespace

MainWindow::MainWindow(AppContext &ctx, QWidget *parent) : QWidget(parent), m_ctx(ctx) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_DeleteOnClose, false);
    buildMainWindowWidgets(this, m_ui);
    buildMainMenus(this, m_ui);
    if (m_ctx.dialogs) m_ctx.dialogs->setParentWidget(this);
    m_playlist = std::make_unique<PlaylistController>(m_ctx, m_ui);
    connect(this, &MainWindow::aboutToUnload, m_playlist.get(),
            &PlaylistController::storeCurrentIndex);
    connectPlayback();
    connectLyrics();
    m_conversion =
        std::make_unique<ConversionController>(m_ctx, m_ui, m_playback->player(), nullptr);
    connectRecording();
    connectVisuals();
    connectProcessing();
    connectMpris();
    connectShellCommands();
    auto *keys = new KeyPreview(this);
    connect(keys, &KeyPreview::pressed, this, &MainWindow::handleKeyPress);
    connect(keys, &KeyPreview::released, this, &MainWindow::handleKeyRelease);
    startupSequence();
}

MainWindow::~MainWindow() {
    if (m_ctx.dialogs && m_ctx.dialogs->parentWidget() == this)
        m_ctx.dialogs->setParentWidget(nullptr);
}

void MainWindow::startupSequence() {
    // hook: recording — platform name and the recorder's device list.
    m_ctx.paths.createFolders();
    // hook: playlist — List.txt renamed to List.lvx.

    setWindowTitle(Dialogs::applicationCaption());
    m_ui.Label4->setText(Dialogs::applicationCaption());
    m_ui.Image5->setToolTip(Dialogs::applicationCaption());

    // hook: recording — capture engine initialisation (may end the program with a message).
    m_recording->startup();

    m_ctx.Reloading = false;

    m_ctx.settings = Settings();
    SettingsFile::read(m_ctx.paths.file(QStringLiteral("SetLog.ini")), m_ctx.settings);
    SettingsFile::clampAfterRead(m_ctx.settings);

    QImage skin;
    if (!m_ctx.settings.SkinFile.isEmpty()) {
        const QString skinPath =
            m_ctx.paths.file(QStringLiteral("skins/") + m_ctx.settings.SkinFile);
        if (QFile::exists(skinPath)) skin.load(skinPath);
    }
    setSkinPicture(skin);
    fitWindowToSkin();

    // The playlist file type, registered at every start.
    {
        const QString config = XdgAssociation::configHome();
        FileClassRegistry registry(config + QStringLiteral("/lyravox/file-classes.json"));
        const QString program = QCoreApplication::applicationFilePath();
        FileTypeRegistration::registerPlaylistType(registry, m_ctx.paths.home(), program);
        // An unreadable mimeapps.list leaves the desktop files as they are (the dialog says so).
        if (XdgAssociation::readDesktopDefaults(registry, XdgAssociation::dataHome(), config)) {
            registry.save();
            XdgAssociation::apply(registry, program, XdgAssociation::dataHome(), config);
        }
    }

    if (m_ctx.commandLineConsumed) m_ctx.startupCommandLine.clear();
    // hook: playlist — LoadDefaultPlaylist(startupCommandLine) from Settings.CurrentIndex.
    m_playlist->loadAtStartup();

    // Window set-up of the subsystems, in this order:
    // hook: lyrics — lyric box background colour.
    m_ui.RichTextBox1->setStyleSheet(
        QStringLiteral("QTextEdit { background: %1; }").arg(m_ctx.settings.LyricBackColor.name()));
    // hook: playlist — count caption of Frame1.
    if (QAction *a = m_ui.action("mnuPlayRec")) a->setEnabled(false);
    if (QAction *a = m_ui.action("mnuStopRecPlay")) a->setEnabled(false);
    m_cover->reload();
    // hook: playback — media player area at its place, display option off.
    // hook: visuals — visualization and level display areas.
    // hook: recording — record seconds and capture set-up.
    // hook: visuals — background picture list and a random background.

    connect(m_ui.Timer[3], &QTimer::timeout, this, &MainWindow::finishStartup);
    connect(m_ui.Timer[7], &QTimer::timeout, this, &MainWindow::fitWindowToSkin);
    m_ui.Timer[3]->start();
}

void MainWindow::finishStartup() {
    m_ui.Timer[3]->stop();
    for (int k = 1; k <= 25; ++k) {
        XPButton *b = m_ui.XPButton[size_t(k)];
        b->setToolTipText(QString::fromUtf8(kButtonTips[k]));
        b->setEnabled(k != 5 && k != 7 && k != 8);
    }
    m_recording->finishStartup();
    VisualSwitches::apply(m_ctx.settings, m_ui);
    VisualSwitches::markStyle(m_ctx.settings, m_ui);
    if (m_ui.List1->count() == 0) {
        if (QAction *add = m_ui.action("mnuAdd")) add->trigger();
        return;
    }
    // hook: playback — LoadTrack of the selected item, play when AutoPlayOnStart is 1.
    Q_EMIT startupFinished();
}

void MainWindow::setSkinPicture(const QImage &skin) {
    m_skin = skin.isNull() ? SkinShape::defaultSkin(kSkinWidth, kSkinHeight) : skin;
    m_ui.PicShape->setPixmap(QPixmap::fromImage(m_skin));
    m_ui.PicShape->resize(m_skin.size());
    m_ui.PicShape->lower();
}

void MainWindow::requestFitWindowToSkin() {
    m_ui.Timer[7]->start();
}

void MainWindow::fitWindowToSkin() {
    m_ui.Timer[7]->stop();
    const bool wasVisible = isVisible();
    setWindowState(Qt::WindowNoState);
    const QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const int screenWidth = screen ? screen->geometry().width() : m_skin.width();
    if (m_skin.width() <= screenWidth) {
        setWindowFlag(Qt::FramelessWindowHint, true);
        resize(m_skin.size());
        m_ui.PicShape->move(0, 0);
        if (QGuiApplication::platformName() != QStringLiteral("offscreen"))
            setMask(SkinShape::regionFor(m_skin));
    } else {
        // Wider than the screen: an ordinary sizeable frame instead of the shape.
        clearMask();
        setWindowFlag(Qt::FramelessWindowHint, false);
        resize(screenWidth, m_skin.height());
        m_ui.PicShape->move(0, 0);
    }
    // Changing the frame flags hides a window: one that was shown stays shown.
    if (wasVisible && !isVisible()) show();
}

void MainWindow::connectShellCommands() {
    connect(m_ui.action("mnuExit"), &QAction::triggered, this, [this] { close(); });
    m_skins = std::make_unique<SkinController>(m_ctx, *this);
    connect(m_ui.action("mnuSkinsRe"), &QAction::triggered, m_skins.get(),
            &SkinController::replaceSkin);
    connect(m_ui.action("mnuSkinsDe"), &QAction::triggered, m_skins.get(),
            &SkinController::restoreDefaultSkin);
    connect(m_ui.action("mnuMoreSetup"), &QAction::triggered, this, &MainWindow::openSettings);
    connect(m_ui.XPButton[16], &XPButton::clicked, this, &MainWindow::openSettings);
    connect(m_ui.action("mnuHelpContents"), &QAction::triggered, this, [this] {
        m_ui.List1->setFocus();
        openHelp();
    });
    // The product has no web site: its home page is the help it ships.
    const QUrl home = QUrl::fromLocalFile(m_ctx.paths.shipped(QStringLiteral("help/index.html")));
    const QUrl lyricSite = WebSearch::lyricSite();
    connect(m_ui.XPButton[15], &XPButton::clicked, this,
            [home] { QDesktopServices::openUrl(home); });
    connect(m_ui.action("mnuWebLink"), &QAction::triggered, this,
            [home] { QDesktopServices::openUrl(home); });
    connect(m_ui.XPButton[25], &XPButton::clicked, this,
            [lyricSite] { QDesktopServices::openUrl(lyricSite); });
    connect(m_ui.action("mnuSearch1"), &QAction::triggered, this,
            [lyricSite] { QDesktopServices::openUrl(lyricSite); });
    new InfoDialogs(m_ctx, m_ui, m_playback->player(), home, this);
    new CommandSurface(m_ctx, m_ui, m_playback->player(), this);

    // Mouse on the window's areas.
    for (QWidget *w : std::initializer_list<QWidget *>{
             m_ui.PicShape, m_ui.Frame1, m_ui.frmInp, m_ui.Label1, m_ui.Label2, m_ui.Label4,
             m_ui.Label5, m_ui.Label6, m_ui.lblDev, m_ui.lblLine, m_ui.lblVol, m_ui.lblVolPer,
             m_ui.Image3, m_ui.Image4, m_ui.Image5, m_ui.Picture3})
        w->installEventFilter(this);
}

void MainWindow::connectPlayback() {
    m_playback = std::make_unique<PlaybackWidgets>(m_ctx, m_ui, m_playlist->model());
    PlaybackController *playback = &m_playback->controller();
    PlaylistController *playlist = m_playlist.get();
    PlaybackHooks &hooks = playback->hooks();
    hooks.addTracks = [playlist] { playlist->addTracks(); };
    hooks.recoverAndReload = [playlist] { playlist->recoverAndReload(); };
    MediaPlayer *player = &m_playback->player();
    playlist->commands().playerIdle = [player] {
        return player->playState() == MediaPlayer::Stopped ||
               player->playState() == MediaPlayer::Closed;
    };
    connect(playlist, &PlaylistController::playSelectedRequested, playback,
            &PlaybackController::playSelected);
    connect(playlist, &PlaylistController::loadTrackRequested, playback,
            &PlaybackController::loadCurrentTrack);
    connect(this, &MainWindow::startupFinished, playback, &PlaybackController::finishStartup);
    connect(this, &MainWindow::playPauseKey, playback, &PlaybackController::spaceKey);
    connect(this, &MainWindow::videoFullScreenKey, playback,
            [playback] { playback->videoFullScreen(PlaybackController::FullScreenSource::Key); });

    m_liveKey = std::make_unique<LiveKey>(m_playback->player(),
                                          m_ctx.paths.file(QStringLiteral("keys.ini")));
    LiveKey *key = m_liveKey.get();
    connect(playback, &PlaybackController::trackLoaded, key, &LiveKey::setTrack);
    connect(m_ui.action("mnuKeyUp"), &QAction::triggered, key, [key] { key->step(1); });
    connect(m_ui.action("mnuKeyDown"), &QAction::triggered, key, [key] { key->step(-1); });
    connect(m_ui.action("mnuKeyReset"), &QAction::triggered, key, &LiveKey::reset);
    connect(key, &LiveKey::changed, this, [this](int semitones) {
        m_ui.lblKey->setText(LiveKey::text(semitones));
        if (m_lyricWindow && m_lyricWindow->window()) m_lyricWindow->window()->showKey();
    });
}

void MainWindow::connectLyrics() {
    m_lyrics =
        std::make_unique<LyricsController>(m_ctx, m_ui, m_playlist->model(), m_playback->player());
    LyricsController *lyrics = m_lyrics.get();
    PlaybackController *playback = &m_playback->controller();
    lyrics->hooks().clipTitle = [playback] { return playback->ClipTitle(); };
    connect(playback, &PlaybackController::trackLoaded, lyrics, [lyrics] { lyrics->FindLyrics(); });
    connect(playback, &PlaybackController::trackSwitching, lyrics, &LyricsController::leaveEditing);
    connect(playback, &PlaybackController::playStateChanged, lyrics,
            &LyricsController::onPlayStateChanged);
    connect(m_playlist.get(), &PlaylistController::noLyricsFileWritten, lyrics,
            [lyrics] { lyrics->FindLyrics(); });
    connect(this, &MainWindow::lyricFullScreenKey, lyrics, &LyricsController::fullScreen);
    m_lyricDownload = std::make_unique<LyricDownloadController>(
        m_ctx, m_ui, m_playlist->model(), m_playback->player(), *lyrics,
        LyricServiceConfig::read().createProvider());
    LyricDownloadController *download = m_lyricDownload.get();
    lyrics->hooks().startDownload = [download] { download->DownloadLyrics(); };
    lyrics->hooks().abandonDownload = [download] { download->abandon(); };
}

void MainWindow::connectRecording() {
    m_recording = std::make_unique<RecordingWidgets>(m_ctx, m_ui, m_playback->player());
    m_recording->controller().bindPlayback(m_playback->controller());
}

void MainWindow::connectVisuals() {
    m_visuals = std::make_unique<VisualsController>(m_ctx, m_ui);
    VisualsHooks &h = m_visuals->hooks();
    RecordingWidgets *recording = m_recording.get();
    h.readInput = [recording](int16_t *out, size_t count) {
        switch (recording->readInput(out, count)) {
        case InputMonitor::Read::Ready:
            return InputRead::Ready;
        case InputMonitor::Read::NotYet:
            return InputRead::NotYet;
        default:
            return InputRead::NoInput;
        }
    };
    MediaPlayer *player = &m_playback->player();
    h.videoShown = [player] { return player->hasVideo(); };
    h.videoFullScreen = [player] {
        return player->hasVideo() && player->displaySize() == MediaPlayer::kFullScreen;
    };
    LyricsController *lyrics = m_lyrics.get();
    h.pictureLyricMode = [lyrics] { lyrics->setDisplayMode(2); };
    h.bounceActive = [this] { return m_bounceStage == 1; };
    VisualsController *visuals = m_visuals.get();
    lyrics->hooks().paintLyricPainter = [lyrics, visuals](bool newTransform) {
        LyricSync &l = lyrics->lineState();
        visuals->paintLyricFrame(l.PrevLineText, l.CurLineText, l.NextLineText, l.LyricScrollX,
                                 l.LyricScrollStep, l.LyricScrollLimit, newTransform, l.wipe());
    };

    m_cover = std::make_unique<CoverPicture>(m_ctx, m_ui.Picture2, m_ui.Image2);
    CoverPicture *cover = m_cover.get();
    CoverPictureHooks &c = cover->hooks();
    PlaylistModel *model = &m_playlist->model();
    c.currentTrack = [model] { return model->CurrentIndex >= 0 ? model->CurrentFile : QString(); };
    c.videoShown = h.videoShown;
    c.pauseWhenPlaying = [player] {
        if (player->playState() != MediaPlayer::Playing) return false;
        player->pause();
        return true;
    };
    c.resume = [player] { player->play(); };
    c.lyricBackground = [lyrics](const QImage &) { lyrics->refreshBackground(); };
    lyrics->hooks().coverPicture = [cover] { return cover->trackPicture(); };
    connect(&m_playback->controller(), &PlaybackController::trackLoaded, this,
            [cover] { cover->showTrackPicture(); });
    connect(m_ui.action("mnuShowPic"), &QAction::toggled, this,
            [cover](bool on) { cover->showPictureToggled(on); });
    connect(m_ui.action("mnuOpenPic"), &QAction::triggered, this,
            [cover] { cover->replacePicture(); });
    connect(m_ui.Timer[6], &QTimer::timeout, this, [this, cover] {
        m_ui.Timer[6]->stop();
        cover->showTrackPicture(QString(), /*refresh=*/true);
    });

    FrmLrcHost host;
    host.lyricBackColor = [this] { return m_ctx.settings.LyricBackColor; };
    host.videoShown = h.videoShown;
    host.videoFullScreen = h.videoFullScreen;
    host.videoToFullScreen = [player] { player->setDisplaySize(MediaPlayer::kFullScreen); };
    host.painterPicture = [visuals] { return &visuals->styles().engine().picture(); };
    LiveKey *key = m_liveKey.get();
    host.stepKey = [key](int step) { step == 0 ? key->reset() : key->step(step); };
    host.keyText = [key] { return LiveKey::text(key->semitones()); };
    m_lyricWindow = std::make_unique<LyricWindowController>(m_ctx, m_ui, *lyrics, host);
    LyricWindowController *window = m_lyricWindow.get();
    h.lyricWindowShown = [window] { return window->shown(); };
}

void MainWindow::connectProcessing() {
    m_processing = std::make_unique<ProcessingController>(m_ctx, m_ui, m_playback->player(),
                                                          m_playlist->model());
    ProcessingController *processing = m_processing.get();
    PlaybackController *playback = &m_playback->controller();
    PlaylistController *playlist = m_playlist.get();
    ProcessingHooks &hooks = processing->hooks();
    hooks.recoverAndReload = [playlist] { playlist->recoverAndReload(); };
    // A copy that fails is not the playlist track's fault: the recovery must not offer to
    // remove the track.
    playlist->commands().processedCopyOn = [processing] { return processing->copyInUse(); };
    hooks.recording = [playback] {
        return playback->hooks().recording && playback->hooks().recording();
    };
    hooks.takeMode = [playback] {
        return playback->hooks().takeMode && playback->hooks().takeMode();
    };
    connect(playback, &PlaybackController::trackSwitching, processing,
            &ProcessingController::switchOffForTrackChange);
    connect(playback, &PlaybackController::trackEnded, processing,
            &ProcessingController::switchOffForTrackChange);
    connect(playback, &PlaybackController::playStateChanged, processing,
            &ProcessingController::onPlayStateChanged);
    connect(this, &MainWindow::aboutToUnload, processing, &ProcessingController::abandon);
}

void MainWindow::connectMpris() {
    m_mpris = std::make_unique<MprisPlayback>(m_playback->controller(), m_playlist->model());
    MprisPlaybackHooks &h = m_mpris->hooks();
    h.raise = [this] {
        if (isMinimized()) showNormal();
        show();
        raise();
        activateWindow();
    };
    h.quit = [this] {
        if (m_ctx.requestQuit) m_ctx.requestQuit();
    };
    h.picturePath = [this](const QString &track) {
        const QString picture = m_ctx.paths.file(CoverPicture::pictureFileName(track));
        return QFile::exists(picture) ? picture : QString();
    };
}

MprisSource &MainWindow::mpris() {
    return *m_mpris;
}

void MainWindow::openSettings() {
    FrmSet dialog(m_ctx, this);
    m_settingsDialog = &dialog;
    // Every change takes effect at once, while the dialog is still open.
    auto switches = [this] { VisualSwitches::apply(m_ctx.settings, m_ui); };
    connect(&dialog, &FrmSet::visualOnChanged, this, switches);
    connect(&dialog, &FrmSet::levelMeterChanged, this, switches);
    connect(&dialog, &FrmSet::visualStyleChanged, this,
            [this] { VisualSwitches::markStyle(m_ctx.settings, m_ui); });
    connect(&dialog, &FrmSet::lyricDisplayModeChanged, m_lyrics.get(),
            &LyricsController::setDisplayMode);
    connect(&dialog, &FrmSet::coverAsLyricBackgroundChanged, m_lyrics.get(),
            &LyricsController::refreshBackground);
    connect(&dialog, &FrmSet::backgroundListChanged, m_lyrics.get(),
            &LyricsController::rereadBackgrounds);
    // The track picture is shown again a second later (Timer6).
    connect(&dialog, &FrmSet::coverPictureChanged, this, [this] {
        m_cover->reload();
        m_ui.Timer[6]->start();
    });
    connect(&dialog, &FrmSet::pictureStretchChanged, this, [this] { m_cover->layout(); });
    connect(&dialog, &FrmSet::skinDefaultRequested, m_skins.get(),
            &SkinController::restoreDefaultSkin);
    connect(&dialog, &FrmSet::skinReplaceRequested, m_skins.get(), &SkinController::replaceSkin);
    connect(&dialog, &FrmSet::bounceReset, this, [this] { m_bounceStage = 0; });
    dialog.exec();
    m_settingsDialog = nullptr;
}

bool MainWindow::confirmClose() {
    if (!m_ctx.dialogs ||
        !m_ctx.dialogs->ask(QStringLiteral("你确定要关闭程序吗?"), QString(), /*defaultNo=*/true))
        return false;
    close();
    return true;
}

void MainWindow::openHelp() {
    const QString help = m_ctx.paths.shipped(QStringLiteral("help/index.html"));
    QDesktopServices::openUrl(QUrl::fromLocalFile(help));
}

bool MainWindow::isDragArea(const QObject *area) const {
    for (const QWidget *w : std::initializer_list<const QWidget *>{
             m_ui.PicShape, m_ui.Frame1, m_ui.frmInp, m_ui.Label1, m_ui.Label2, m_ui.Label4,
             m_ui.Label5, m_ui.lblDev, m_ui.lblLine, m_ui.lblVol, m_ui.lblVolPer})
        if (area == w) return true;
    return false;
}

void MainWindow::mousePressEvent(QMouseEvent *event) {
    if (event->button() == Qt::LeftButton) m_drag.start(*event);
}

void MainWindow::mouseMoveEvent(QMouseEvent *event) {
    m_drag.follow(*event);
}

void MainWindow::mouseReleaseEvent(QMouseEvent *event) {
    m_drag.follow(*event);
}

// Only the window's own areas come here (their filters are installed in
// connectShellCommands); every other control receives its mouse events untouched.
bool MainWindow::eventFilter(QObject *watched, QEvent *event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease &&
        type != QEvent::MouseMove)
        return false;
    auto *mouse = static_cast<QMouseEvent *>(event);
    if (type == QEvent::MouseMove) return m_drag.follow(*mouse);
    const bool press = type == QEvent::MouseButtonPress;
    const bool left = mouse->button() == Qt::LeftButton;
    const bool right = mouse->button() == Qt::RightButton;
    const QPoint global = mouse->globalPosition().toPoint();
    auto releasedInside = [&](QWidget *w) {
        return !press && w->rect().contains(mouse->position().toPoint());
    };
    if (!press && left && m_drag.follow(*mouse)) return true;
    if (watched == m_ui.Image5 && press) {
        m_ui.Popmnu[0]->popup(global);
        return true;
    }
    if (watched == m_ui.Image3) {
        if (releasedInside(m_ui.Image3) && left) showMinimized();
        return true;
    }
    if (watched == m_ui.Image4) {
        if (releasedInside(m_ui.Image4) && left) confirmClose();
        return true;
    }
    if (watched == m_ui.Label6) {
        if (releasedInside(m_ui.Label6) && left)
            openHelp();
        else if (releasedInside(m_ui.Label6) && right)
            m_ui.Popmnu[0]->popup(global);
        return true;
    }
    if (watched == m_ui.Picture3) {
        if (releasedInside(m_ui.Picture3) && right) m_ui.Popmnu[3]->popup(global);
        return false;
    }
    if (!isDragArea(watched)) return false;
    if (press && left) {
        m_drag.start(*mouse);
        return true;
    }
    if (right && (watched == m_ui.PicShape || watched == m_ui.Label4 || watched == m_ui.Label5) &&
        releasedInside(static_cast<QWidget *>(watched))) {
        m_ui.Popmnu[0]->popup(global);
        return true;
    }
    return false;
}

void MainWindow::handleKeyPress(QKeyEvent *event) {
    const int key = event->key();
    if (key == Qt::Key_Space) {
        Q_EMIT playPauseKey();
    } else if (event->modifiers() & Qt::KeypadModifier && key == Qt::Key_Plus) {
        Q_EMIT m_ui.XPButton[4]->clicked();
    } else if (event->modifiers() & Qt::KeypadModifier && key == Qt::Key_Minus) {
        Q_EMIT m_ui.XPButton[3]->clicked();
    } else if (key == Qt::Key_F1) {
        openHelp();
    } else if ((event->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier) {
        // The live key: Ctrl+Up / Ctrl+Down a semitone, Ctrl+0 the original key.
        if (key == Qt::Key_Up || key == Qt::Key_Down)
            m_liveKey->step(key == Qt::Key_Up ? 1 : -1);
        else if (key == Qt::Key_0)
            m_liveKey->reset();
    }
}

void MainWindow::handleKeyRelease(QKeyEvent *event) {
    const int key = event->key();
    if (key == Qt::Key_F) {
        Q_EMIT videoFullScreenKey();
    } else if (key == Qt::Key_H) {
        Q_EMIT lyricFullScreenKey();
    } else if (key == Qt::Key_Escape) {
        if (m_bounceStage == 1) {
            m_bounceStage = 0;
            requestFitWindowToSkin();
        }
    } else if (key == kBounceKeys[0]) {
        m_bounceStage = 3;
    } else if (key == kBounceKeys[1] && m_bounceStage == 3) {
        m_bounceStage = 2;
    } else if (key == kBounceKeys[2] && m_bounceStage == 2) {
        setWindowState(Qt::WindowNoState);
        clearMask();
        if (const QScreen *screen = this->screen())
            setGeometry(0, 150 / 15, screen->geometry().width(), screen->geometry().height());
        m_bounceStage = 1;
    }
}

void MainWindow::closeEvent(QCloseEvent *event) {
    if (!m_shutdownDone) {
        m_shutdownDone = true;
        shutdownSequence();
        event->accept();
        Q_EMIT unloaded();
        return;
    }
    event->accept();
}

void MainWindow::shutdownSequence() {
    for (QTimer *t : m_ui.Timer)
        if (t) t->stop();
    // hook: recording — release the capture objects and the recorder.
    m_recording->shutdown();
    Q_EMIT aboutToUnload();
    SettingsFile::write(m_ctx.paths.file(QStringLiteral("SetLog.ini")), m_ctx.settings);
    // hook: playlist — SaveDefaultPlaylist (errors ignored).
    m_playlist->saveAtExit();
    // hook: playback — stop the media player (errors ignored).
    m_playback->controller().shutdown();
    m_ctx.paths.emptyTemp();
}
