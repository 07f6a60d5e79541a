#pragma once
// The singer's key of the playing track: semitone steps within the player's range, heard at
// once, remembered per playlist track in the home folder's keys.ini and restored when the track
// is loaded again (a track without a remembered key starts at 0). A processed copy of the track
// is played in the same key, since the player keeps its key across media.
#include "playback/media_player.h"

#include <QObject>
#include <QString>

class LiveKey : public QObject {
    Q_OBJECT
public:
    // `storeFile` is the ini file that remembers the keys.
    LiveKey(MediaPlayer &player, QString storeFile, QObject *parent = nullptr);

    // The track now loaded (its playlist path or address): its remembered key is set.
    void setTrack(const QString &track);
    const QString &track() const { return m_track; }

    // One semitone up (+1) or down (-1); at the end of the range nothing changes.
    void step(int semitones);
    // Back to the track's own key.
    void reset();
    int semitones() const { return m_semitones; }

    // The key remembered for `track` (0 when none, or unreadable), clamped to the range.
    int remembered(const QString &track) const;
    // What the windows show: "音调 +2", "音调 -1", nothing at 0.
    static QString text(int semitones);

Q_SIGNALS:
    void changed(int semitones);

private:
    void apply(int semitones);
    void remember();
    static QString storeKey(const QString &track);

    MediaPlayer &m_player;
    QString m_storeFile;
    QString m_track;
    int m_semitones = 0;
};
