#pragma once
// The playback commands (play selected, previous, next, play/pause, pause, play, stop, video
// full screen, balance), LoadTrack and the reactions to the media player's notifications.
// Works on the playlist model, the media player and a PlaybackView; no widgets.
#include "playback/media_player.h"
#include "playback/playback_view.h"
#include "playback/track_chooser.h"
#include "playlist/playlist_model.h"
#include "shell/app_context.h"

#include <QObject>
#include <QString>
#include <functional>

// What playback asks of the recorder and the playlist commands. Unset members do nothing
// (queries answer false), so playback works before those subsystems are wired in.
struct PlaybackHooks {
    std::function<bool()> takeMode;            // a saved take is loaded for playback
    std::function<void()> clearTakeMode;       // a track switch leaves take mode
    std::function<bool()> recording;           // recording over the accompaniment
    std::function<void()> stopRecordingOrTake; // the recorder's stop command
    std::function<void()> addTracks;           // the add-tracks command (empty list)
    std::function<void()> recoverAndReload;    // a track failed to load
};

class PlaybackController : public QObject {
    Q_OBJECT
public:
    enum class FullScreenSource { Menu, Button, Key };

    PlaybackController(AppContext &ctx, PlaylistModel &model, MediaPlayer &player,
                       PlaybackView &view, QObject *parent = nullptr);

    PlaybackHooks &hooks() { return m_hooks; }
    MediaPlayer &player() { return m_player; }
    // The title the media reported for the loaded track; empty when none.
    const QString &ClipTitle() const { return m_clipTitle; }

    // Hands item CurrentIndex to the media player (CurrentFile and CurrentExt follow). False
    // when the player cannot take it; the caller then recovers.
    bool LoadTrack();

    // The playlist asks for item CurrentIndex to be loaded without playing it (a track switch:
    // lyric editing and take mode end). A failed load recovers.
    void loadCurrentTrack();

    // Commands.
    void playSelected();
    void previous() { navigate(TrackChooser::Direction::Previous); }
    void next() { navigate(TrackChooser::Direction::Next); }
    void playPause();   // menu item and mouse: adds tracks to an empty list first
    void spaceKey();    // the same without the empty-list check
    void pauseButton(); // XPButton18
    void playButton();  // XPButton12
    void stop();
    void videoFullScreen(FullScreenSource source);
    void setBalance(int value);

    // Start-up, after the window's own steps: loads the selected item when nothing is open and
    // plays it when AutoPlayOnStart is on.
    void finishStartup();
    // Exit: stops the player.
    void shutdown();

Q_SIGNALS:
    // A track switch starts (play selected, previous, next, end of media): lyric editing ends.
    void trackSwitching();
    // LoadTrack handed `path` to the player: lyrics and the track picture follow it.
    void trackLoaded(const QString &path);
    // The track played to its end, before the next one loads: processed copies switch off.
    void trackEnded();
    // The player's state changed and playback's own reaction is done (before PlayerBusy
    // clears): the lyric clock, processing switches and take playback react here.
    void playStateChanged(int state);

private:
    void onEndOfMedia();
    void onOpenStateChanged();
    void onPlayStateChanged(int state);
    void onMediaError(const QString &fileName);

    void navigate(TrackChooser::Direction direction);
    void beginSwitch();
    // Chooses the item in `direction`, loads and plays it; false when the load failed.
    bool advance(TrackChooser::Direction direction);
    bool loadAndPlay();
    void recover();
    void togglePlay();
    QString titleToolTip() const;
    bool listEmptyAddsTracks();

    AppContext &m_ctx;
    PlaylistModel &m_model;
    MediaPlayer &m_player;
    PlaybackView &m_view;
    PlaybackHooks m_hooks;
    QString m_clipTitle;
    bool m_quitRequested = false;
};
