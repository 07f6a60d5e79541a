#pragma once
// The lyrics of the main window: finding and showing the lyric file of the loaded track, and
// the lyric timer (Timer1) that runs while the track plays. The tick, the display modes, the
// editor and the file commands are classes of their own; their commands are reached through
// here too.
#include "lyrics/lyric_box.h"
#include "lyrics/lyric_display.h"
#include "lyrics/lyric_editor.h"
#include "lyrics/lyric_file_commands.h"
#include "lyrics/lyric_store.h"
#include "lyrics/lyric_sync.h"
#include "lyrics/lyric_ticker.h"
#include "shell/app_context.h"
#include "shell/main_window_ui.h"

#include <QImage>
#include <QObject>
#include <QString>
#include <cstdio>
#include <functional>

class MediaPlayer;
class PlaylistModel;

// What the lyrics ask of subsystems wired in later. Unset members do nothing.
struct LyricsHooks {
    std::function<QString()> clipTitle;     // the title the media reported for the track
    std::function<void()> startDownload;    // no lyric file and AutoDownloadLyrics on
    std::function<void()> abandonDownload;  // every lookup: a download in flight is dropped
    std::function<void()> recordingToIdle;  // a lookup returns the recording controls to idle
    std::function<QImage()> coverPicture;   // the track's cover picture (null: none)
    std::function<void()> openFullScreen;   // mode 100 or more is wanted
    std::function<bool()> lyricWindowShown; // the full-screen lyric window is up
    std::function<void()> closeLyricWindow; // a display mode command closes it first
    std::function<void()> lyricsShown;      // new lyrics are in the box
    // The full-screen window's lyric box while it shows a mode of 100 or more (else null).
    std::function<QTextEdit *()> lyricWindowBox;
    std::function<void()> lyricWindowFrame; // view 101: a new painter frame is ready
    // View 102: move the strips; `hit` when a new line started this tick.
    std::function<void(bool hit, double adjustedSeconds)> lyricWindowStrips;
    // View 102 at the end of the track: the current strip stands centred in white.
    std::function<void()> lyricWindowThanks;
    // A new lyric background: the full-screen window shows it too.
    std::function<void(const QImage &picture)> lyricWindowBackground;
    // Mode 1: the lyric painter draws PrevLineText, CurLineText and NextLineText (which it may
    // change) into Picture1, the current line lit as far as lineState().wipe() has come;
    // `newTransform` asks for a new transformation map first. While unset, mode 1 shows the
    // lyric box.
    std::function<void(bool newTransform)> paintLyricPainter;
};

class LyricsController : public QObject {
    Q_OBJECT
public:
    LyricsController(AppContext &ctx, MainWindowUi &ui, PlaylistModel &model, MediaPlayer &player,
                     QObject *parent = nullptr);

    LyricsHooks &hooks() { return m_hooks; }
    // Where --echo-lyrics and --echo-words write (standard output unless a test redirects it).
    void setEchoStream(std::FILE *stream) { m_ticker.setEchoStream(stream); }

    // Finds, reads and shows the lyric file of the loaded track (CurrentFile).
    void FindLyrics();
    // One tick of Timer1.
    void LyricTick();
    // The media player's play state changed (after playback's own reaction).
    void onPlayStateChanged(int state);
    // A track switch: the editor closes without saving.
    void leaveEditing() { m_editor.leaveEditing(); }

    // A downloaded lyric file: shown as a lookup shows the store file, with `file` in use.
    void showDownloadedLyrics(const QString &file, const QString &text);
    // `file` (the store file) becomes the lyric file in use; the edit button is ready.
    void adoptLyricFile(const QString &file);
    // A download failed: nothing is loaded and the lyric tick stops.
    void clearLoaded();
    void startTimerWhenPlaying();
    void stopVisualTimer();
    void restartVisualTimer();
    bool pauseWhenPlaying();

    // Commands.
    void openLyricFile() { m_files.openLyricFile(); }
    void reloadLyrics() { m_files.reloadLyrics(); }
    void deleteLyrics() { m_files.deleteLyrics(); }
    void noLyrics() { m_files.noLyrics(); }
    void noLyricsForSelected() { m_files.noLyricsForSelected(); }
    void offsetUp() { m_editor.offsetUp(); }
    void offsetDown() { m_editor.offsetDown(); }
    void toggleEditor() { m_editor.toggleEditor(); }
    void toggleMovement(); // mnuLrcSt and a left click on the lyric areas
    void setDisplayMode(int mode) { m_display.setDisplayMode(mode); }
    void cycleDisplayMode() { m_display.cycleDisplayMode(); }
    void fullScreen() { m_display.fullScreen(); }
    void refreshBackground() { m_display.refreshBackground(); }
    void rereadBackgrounds() { m_display.rereadBackgrounds(); }

    // For the editor and the file commands.
    // Steps 7 to 10 of a lookup on a file's text.
    void showFileText(const QString &fileText);
    void setLyricFile(const QString &file) { m_lyricFile = file; }
    void setOffsetMs(int32_t offsetMs) { m_offsetMs = offsetMs; }
    // The tick restarts at its normal interval while the track plays.
    void restartTicksWhenPlaying();
    const QString &currentTrack() const;
    MediaPlayer &player() { return m_player; }
    LyricBox &box() { return m_box; }
    LyricStore &store() { return m_store; }

    // State of the loaded track's lyrics.
    bool LyricsLoaded() const { return m_loaded; }
    const QString &LyricFile() const { return m_lyricFile; }
    int32_t LyricOffsetMs() const { return m_offsetMs; }
    int TimeTagCount() const { return m_timeTagCount; }
    bool editing() const { return m_editor.editing(); }
    const LyricSync &sync() const { return m_sync; }
    // The line texts and painter values, for the painter of mode 1 and the full-screen window.
    LyricSync &lineState() { return m_sync; }
    const LyricStrips &strips() const { return m_display.strips(); }
    const LyricStore &store() const { return m_store; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void connectCommands();
    bool isPlaying() const;

    AppContext &m_ctx;
    MainWindowUi &m_ui;
    PlaylistModel &m_model;
    MediaPlayer &m_player;
    LyricsHooks m_hooks;
    LyricStore m_store;
    LyricBox m_box;
    LyricSync m_sync;
    LyricDisplay m_display;
    LyricEditor m_editor;
    LyricFileCommands m_files;
    LyricTicker m_ticker;

    bool m_loaded = false;
    QString m_lyricFile;
    int32_t m_offsetMs = 0;
    int m_timeTagCount = 0;
};
