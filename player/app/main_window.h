#pragma once
// frmMain: builds the named widgets, timers and menus, runs the start-up and shutdown
// sequences and routes keys and mouse actions. The subsystem controllers decide what the
// commands do; this window only builds and wires them.
#include "app/window_drag.h"
#include "shell/app_context.h"
#include "shell/main_window_ui.h"
#include "visuals/skin_controller.h"

#include <QImage>
#include <QWidget>
#include <memory>

class ConversionController;
class ProcessingController;
class CoverPicture;
class FrmSet;
class PlaylistController;
class PlaybackWidgets;
class LyricsController;
class RecordingWidgets;
class LyricDownloadController;
class VisualsController;
class LyricWindowController;
class MprisPlayback;
class MprisSource;
class LiveKey;

class MainWindow : public QWidget, public SkinHost {
    Q_OBJECT
public:
    explicit MainWindow(AppContext &ctx, QWidget *parent = nullptr);
    ~MainWindow() override;

    MainWindowUi &ui() { return m_ui; }
    PlaylistController &playlist() { return *m_playlist; }
    // The media player, the playback controller and their widgets.
    PlaybackWidgets &playback() { return *m_playback; }
    // The lyric box, the lyric tick and the lyric commands.
    LyricsController &lyrics() { return *m_lyrics; }
    ConversionController &conversion() { return *m_conversion; }
    // Key shift, vocal removal and the effect control that makes their copies.
    ProcessingController &processing() { return *m_processing; }
    // The recorder, the capture engine, the recording commands and the panel frmInp.
    RecordingWidgets &recording() { return *m_recording; }
    // Lyric download, the candidate list and the web searches.
    LyricDownloadController &lyricDownload() { return *m_lyricDownload; }
    // Timer4: the level meter, the visualization styles and the lyric painter of mode 1.
    VisualsController &visuals() { return *m_visuals; }
    // The full-screen lyric window frmLrc.
    LyricWindowController &lyricWindow() { return *m_lyricWindow; }
    // The player as the desktop's media controls see it.
    MprisSource &mpris();
    AppContext &context() { return m_ctx; }
    // The live key of the playing track.
    LiveKey &liveKey() { return *m_liveKey; }

    // Runs FinishStartup now instead of waiting for Timer3 (tests).
    void finishStartup();
    // The skin application, requested through Timer7 so that it runs after the current event.
    void requestFitWindowToSkin() override;
    void fitWindowToSkin();
    // Shows the given picture as the skin (null: the built-in skin).
    void setSkinPicture(const QImage &skin) override;
    QImage skinPicture() const override { return m_skin; }
    SkinController &skins() { return *m_skins; }

    // The hidden window-bounce key sequence: 0 off, 3 and 2 partway, 1 active.
    int bounceStage() const { return m_bounceStage; }
    void setBounceStage(int stage) { m_bounceStage = stage; }

    // The close image's question; true when the window closes.
    bool confirmClose();
    // Opens the settings dialog modally.
    void openSettings();
    FrmSet *settingsDialog() const { return m_settingsDialog; }

Q_SIGNALS:
    // Keys seen before the focused control (the window does not consume them).
    void playPauseKey();       // Space pressed
    void videoFullScreenKey(); // F released
    void lyricFullScreenKey(); // H released
    // FinishStartup's own steps are done; subsystems load and play the first track now.
    void startupFinished();
    // The window is about to unload: subsystems stop their work.
    void aboutToUnload();
    // The shutdown sequence has run; the application deletes the window (and may build anew).
    void unloaded();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void startupSequence();
    void shutdownSequence();
    void handleKeyPress(QKeyEvent *event);
    void handleKeyRelease(QKeyEvent *event);
    void connectShellCommands();
    void connectPlayback();
    void connectLyrics();
    bool isDragArea(const QObject *area) const;
    void connectRecording();
    void connectVisuals();
    void connectProcessing();
    void connectMpris();
    void openHelp();

    AppContext &m_ctx;
    MainWindowUi m_ui;
    QImage m_skin;
    int m_bounceStage = 0;
    WindowDrag m_drag{this};
    bool m_shutdownDone = false;
    FrmSet *m_settingsDialog = nullptr;
    std::unique_ptr<SkinController> m_skins;
    std::unique_ptr<CoverPicture> m_cover;
    std::unique_ptr<PlaylistController> m_playlist;
    std::unique_ptr<PlaybackWidgets> m_playback; // after m_playlist: it uses the model
    std::unique_ptr<LiveKey> m_liveKey;          // after m_playback: it drives the player
    std::unique_ptr<LyricsController> m_lyrics;  // after m_playback: it reads the player
    std::unique_ptr<LyricDownloadController> m_lyricDownload; // after m_lyrics: it shows through it
    std::unique_ptr<ConversionController> m_conversion;       // its job ends with the window
    // After m_playback: it drives the player.
    std::unique_ptr<RecordingWidgets> m_recording;
    // After m_recording: it reads the input monitor.
    std::unique_ptr<VisualsController> m_visuals;
    std::unique_ptr<LyricWindowController> m_lyricWindow; // frmLrc, created on demand
    // After m_recording and m_playback: it asks them; its job ends with the window.
    std::unique_ptr<ProcessingController> m_processing;
    std::unique_ptr<MprisPlayback> m_mpris; // after m_playback and m_playlist: it drives them
};
