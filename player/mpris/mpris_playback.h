#pragma once
// The player as the desktop's media controls see it: the playback controller's state and the
// playlist model's track, and their commands. Each command is the one the window's button or
// menu item runs; opening a file adds it to the list and plays it as a double click does.
#include "mpris/mpris_source.h"

#include <functional>

class MediaPlayer;
class PlaybackController;
class PlaylistModel;

// What the media controls need of the window. Unset members do nothing (or answer "none").
struct MprisPlaybackHooks {
    std::function<void()> raise;
    std::function<void()> quit;
    // The picture file shown for `track`; empty when it has none.
    std::function<QString(const QString &track)> picturePath;
};

class MprisPlayback : public MprisSource {
    Q_OBJECT
public:
    MprisPlayback(PlaybackController &playback, PlaylistModel &model, QObject *parent = nullptr);

    MprisPlaybackHooks &hooks() { return m_hooks; }

    MprisTrack track() const override;
    MprisState state() const override;
    qint64 positionUs() const override;
    double volume() const override;
    void setVolume(double volume) override;
    QStringList uriSchemes() const override;
    QStringList mimeTypes() const override;

    void play() override;
    void pause() override;
    void playPause() override;
    void stop() override;
    void next() override;
    void previous() override;
    void setPositionUs(qint64 position) override;
    QString refusal(const QString &pathOrAddress) const override;
    void open(const QString &pathOrAddress) override;
    void raise() override;
    void quit() override;

private:
    PlaybackController &m_playback;
    PlaylistModel &m_model;
    MediaPlayer &m_player;
    MprisPlaybackHooks m_hooks;
    int m_serial = 0;
};
