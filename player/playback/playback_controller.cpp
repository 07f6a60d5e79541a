#include "playback/playback_controller.h"

#include <QTimer>
#include <cstdio>

namespace {

const QString &videoHint() {
    static const QString t = QStringLiteral("提示：按 F 键全屏显示影像；按 Esc 键退出全屏。");
    return t;
}
const QString &soundHint() {
    static const QString t = QStringLiteral("提示：单击鼠标右键可以显示菜单。");
    return t;
}

bool call(const std::function<bool()> &f) {
    return f && f();
}
void run(const std::function<void()> &f) {
    if (f) f();
}

} // namespace

PlaybackController::PlaybackController(AppContext &ctx, PlaylistModel &model, MediaPlayer &player,
                                       PlaybackView &view, QObject *parent)
    : QObject(parent), m_ctx(ctx), m_model(model), m_player(player), m_view(view) {
    connect(&m_player, &MediaPlayer::endOfMedia, this, &PlaybackController::onEndOfMedia);
    connect(&m_player, &MediaPlayer::openStateChanged, this,
            &PlaybackController::onOpenStateChanged);
    connect(&m_player, &MediaPlayer::playStateChanged, this,
            &PlaybackController::onPlayStateChanged);
    // Recovery shows questions and reloads the window: it runs after the player's notification
    // has returned, never inside it.
    connect(&m_player, &MediaPlayer::mediaError, this, &PlaybackController::onMediaError,
            Qt::QueuedConnection);
    m_view.setBalanceText(QStringLiteral("L· 0 ·R"));
}

bool PlaybackController::LoadTrack() {
    m_model.setCurrentTrack(m_model.CurrentIndex);
    if (m_model.CurrentFile.isEmpty() || !m_player.setFileName(m_model.CurrentFile)) return false;
    Q_EMIT trackLoaded(m_model.CurrentFile);
    return true;
}

bool PlaybackController::listEmptyAddsTracks() {
    if (!m_model.isEmpty()) return false;
    run(m_hooks.addTracks);
    return true;
}

void PlaybackController::beginSwitch() {
    m_ctx.PlayerBusy = true;
    run(m_hooks.clearTakeMode);
    Q_EMIT trackSwitching();
}

bool PlaybackController::loadAndPlay() {
    m_model.CurrentIndex = m_model.selectedIndex();
    if (!LoadTrack()) return false;
    m_player.play();
    return true;
}

void PlaybackController::recover() {
    // Nothing is switching any more; a flag left set would stall the visualization for good.
    m_ctx.PlayerBusy = false;
    if (m_ctx.exitAfterTrack) {
        // A scripted run has nobody to answer the recovery's questions.
        std::fprintf(stderr, "lyravox: %s cannot be played\n",
                     m_model.CurrentFile.toLocal8Bit().constData());
        if (!m_quitRequested && m_ctx.requestQuit) {
            m_quitRequested = true;
            m_ctx.requestQuit();
        }
        return;
    }
    run(m_hooks.recoverAndReload);
}

void PlaybackController::loadCurrentTrack() {
    run(m_hooks.clearTakeMode);
    Q_EMIT trackSwitching();
    if (!LoadTrack()) recover();
}

void PlaybackController::playSelected() {
    if (listEmptyAddsTracks()) return;
    beginSwitch();
    if (!loadAndPlay()) recover();
}

bool PlaybackController::advance(TrackChooser::Direction direction) {
    const TrackChooser::Choice c =
        TrackChooser::choose(direction, m_model.selectedIndex(), m_model.CurrentIndex,
                             m_model.count(), m_ctx.settings.RandomPlay != 0);
    if (c.kind == TrackChooser::Choice::Kind::Select)
        m_model.select(c.index);
    else if (c.kind == TrackChooser::Choice::Kind::PickRandom)
        m_model.PickRandomTrack();
    return loadAndPlay();
}

void PlaybackController::navigate(TrackChooser::Direction direction) {
    if (listEmptyAddsTracks()) return;
    beginSwitch();
    const auto command = direction == TrackChooser::Direction::Next
                             ? PlaybackView::Command::Next
                             : PlaybackView::Command::Previous;
    m_view.focusSkin();
    // Repeated presses stay out of a half-finished switch.
    m_view.setNavigationEnabled(command, false);
    const bool loaded = advance(direction);
    m_view.setNavigationEnabled(command, true);
    if (!loaded) recover();
}

void PlaybackController::togglePlay() {
    if (m_player.playState() == MediaPlayer::Playing) {
        // A stream without a length cannot pause.
        if (m_player.duration() != 0.0) m_player.pause();
    } else {
        m_player.play();
    }
}

void PlaybackController::playPause() {
    if (listEmptyAddsTracks()) return;
    togglePlay();
}

void PlaybackController::spaceKey() {
    togglePlay();
}

void PlaybackController::pauseButton() {
    if (listEmptyAddsTracks()) return;
    if (m_player.duration() != 0.0 && m_player.playState() == MediaPlayer::Playing)
        m_player.pause();
}

void PlaybackController::playButton() {
    if (listEmptyAddsTracks()) return;
    if (m_model.selectedItem() != m_player.fileName()) {
        const bool selected =
            m_ctx.dialogs &&
            m_ctx.dialogs->ask(QStringLiteral("选择“是”播放列表中选中的曲目，选择“否”播放当前已"
                                              "加载的曲目。"),
                               QString(), true);
        if (selected) {
            playSelected();
            return;
        }
    }
    m_player.play();
}

void PlaybackController::stop() {
    if (listEmptyAddsTracks()) return;
    m_player.stop();
    m_player.setCurrentPosition(0.0);
}

void PlaybackController::videoFullScreen(FullScreenSource source) {
    if (!m_player.hasVideo()) return;
    if (source == FullScreenSource::Key && m_player.displaySize() == MediaPlayer::kFullScreen)
        return;
    m_player.setDisplaySize(MediaPlayer::kFullScreen);
}

void PlaybackController::setBalance(int value) {
    m_player.setBalance(value);
    // Integer division truncates toward zero: -2750 reads -5, 499 reads 0.
    m_view.setBalanceText(QStringLiteral("L· %1 ·R").arg(m_player.balance() / 500));
    m_view.focusSkin();
}

void PlaybackController::finishStartup() {
    if (m_model.isEmpty()) return;
    const int state = m_player.playState();
    if (state != MediaPlayer::Closed && state != MediaPlayer::Stopped) return;
    m_model.CurrentIndex = m_model.selectedIndex();
    if (!LoadTrack()) {
        recover();
        return;
    }
    if (m_ctx.settings.AutoPlayOnStart != 0) m_player.play();
}

void PlaybackController::shutdown() {
    m_player.stop();
}

void PlaybackController::onEndOfMedia() {
    Q_EMIT trackSwitching();
    Q_EMIT trackEnded();
    if (m_ctx.exitAfterTrack) {
        if (!m_quitRequested && m_ctx.requestQuit) {
            m_quitRequested = true;
            m_ctx.requestQuit();
        }
        return;
    }
    // The end of a saved take stops it; so does the end of the accompaniment of a recording
    // that is set to stop with it. Otherwise the list advances (and a recording goes on).
    if (call(m_hooks.takeMode) ||
        (call(m_hooks.recording) && m_ctx.settings.StopRecordAtEnd != 0)) {
        run(m_hooks.stopRecordingOrTake);
        return;
    }
    if (m_model.isEmpty()) return;
    if (!advance(TrackChooser::Direction::Next)) recover();
}

QString PlaybackController::titleToolTip() const {
    return QStringLiteral("播放器加载曲目【") + m_player.fileName() + QStringLiteral("】");
}

void PlaybackController::onOpenStateChanged() {
    m_view.stopLyricDownloadTimers();
    const QString caption = m_view.windowCaption() + QStringLiteral(" - ");
    if (m_player.fileName() == m_model.CurrentFile) {
        m_clipTitle = m_player.getMediaInfoString(MediaPlayer::InfoTitle);
        if (!m_clipTitle.trimmed().isEmpty()) {
            m_view.setTitleLine(caption + m_clipTitle, titleToolTip());
            return;
        }
    }
    m_clipTitle.clear();
    m_view.setTitleLine(caption + m_player.fileName(), titleToolTip());
}

void PlaybackController::onPlayStateChanged(int state) {
    m_ctx.PlayerBusy = true;
    const Settings &s = m_ctx.settings;
    if (m_player.hasVideo()) {
        m_view.setHint(videoHint());
        m_view.setFullScreenEnabled(true);
        m_view.showVideoLayout(true, s.VisualOn != 0);
        if (state == MediaPlayer::Playing && s.AutoFullScreenVideo != 0)
            videoFullScreen(FullScreenSource::Menu);
    } else {
        m_view.setFullScreenEnabled(false);
        m_view.showVideoLayout(false, s.VisualOn != 0);
        m_view.setHint(soundHint());
    }

    const bool currentListed = m_model.CurrentIndex >= 0 && m_model.CurrentIndex < m_model.count();
    switch (state) {
    case MediaPlayer::Stopped:
        if (!m_model.isEmpty()) {
            if (currentListed) m_model.select(m_model.CurrentIndex);
            m_view.stopLyricTimer();
        }
        m_view.resetLyricDisplay();
        break;
    case MediaPlayer::Paused:
        if (currentListed) m_model.select(m_model.CurrentIndex);
        m_view.stopLyricTimer();
        break;
    case MediaPlayer::Playing: {
        const QString title = m_player.getMediaInfoString(MediaPlayer::InfoTitle).trimmed();
        m_view.setTitleLine(m_view.windowCaption() + QStringLiteral(" - ") +
                                (title.isEmpty() ? m_player.fileName() : title),
                            titleToolTip());
        break;
    }
    default:
        break;
    }
    Q_EMIT playStateChanged(state);
    m_ctx.PlayerBusy = false;
}

void PlaybackController::onMediaError(const QString &fileName) {
    // Only the track playback loaded counts; a file another command opened reports itself.
    if (fileName.isEmpty() || fileName != m_model.CurrentFile) return;
    recover();
}
