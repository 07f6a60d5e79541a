#pragma once
// Holds the exact lyric request of a track until the player knows what the request describes
// it by. The track is handed to libmpv before it has opened the file and read its tags and
// length, so a request sent at once would carry no title, or the previous track's.
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>

class MediaPlayer;

class TrackInfoGate : public QObject {
    Q_OBJECT
public:
    // The longest wait: a stream may never report a title or a length.
    static constexpr int kMaxWaitMs = 2000;

    explicit TrackInfoGate(MediaPlayer &player, QObject *parent = nullptr);

    // Calls `ready` once `file` is open in the player and its length or title is known, at
    // once when that is already so, or after kMaxWaitMs with whatever is known then. A new
    // wait replaces the one pending.
    void wait(const QString &file, std::function<void()> ready);
    // Drops the pending wait: `ready` is not called.
    void cancel();
    bool waiting() const { return bool(m_ready); }
    // True when the player holds `file` and knows its length or title.
    bool known(const QString &file) const;

private:
    void check();
    void release();

    MediaPlayer &m_player;
    QTimer m_limit;
    QString m_file;
    std::function<void()> m_ready;
};
