#pragma once
// What the desktop's media controls (MPRIS) see of the player and what they may ask of it. The
// service on the bus reads and commands the player through this interface only. Every member
// is called on the UI thread and returns at once; commands are the window's own commands.
#include <QObject>
#include <QString>
#include <QStringList>

// The loaded track as the media controls show it.
struct MprisTrack {
    // Changes with every track loaded; 0 while no track is loaded (then the rest is empty).
    int serial = 0;
    QString location; // local path or stream address
    QString title;    // the media's title tag, else the file name
    QStringList artists;
    QString album;
    qint64 lengthUs = 0; // microseconds; 0 when unknown (a live stream)
    QString artPath;     // the track's picture file; empty when it has none
};

// Playback state and what the commands can do now.
struct MprisState {
    enum class Status { Stopped, Paused, Playing };
    Status status = Status::Stopped;
    bool canPlay = false;
    bool canPause = false;
    bool canGoNext = false;
    bool canGoPrevious = false;
    bool canSeek = false;
};

class MprisSource : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual MprisTrack track() const = 0;
    virtual MprisState state() const = 0;
    // Position in the loaded track, microseconds.
    virtual qint64 positionUs() const = 0;
    // 0.0 ... 1.0.
    virtual double volume() const = 0;
    virtual void setVolume(double volume) = 0;
    // Address schemes and MIME types the player opens.
    virtual QStringList uriSchemes() const = 0;
    virtual QStringList mimeTypes() const = 0;

    // The commands of the window's buttons and menu items.
    virtual void play() = 0;
    virtual void pause() = 0;
    virtual void playPause() = 0;
    virtual void stop() = 0;
    virtual void next() = 0;
    virtual void previous() = 0;
    // Seeks within the loaded track (0 ... its length).
    virtual void setPositionUs(qint64 position) = 0;
    // Why open() would refuse a local file or a stream address (a message for the caller);
    // empty when it takes it.
    virtual QString refusal(const QString &pathOrAddress) const = 0;
    // Puts a file or address that has no refusal into the playlist (once) and plays it.
    virtual void open(const QString &pathOrAddress) = 0;
    // Brings the main window to the front.
    virtual void raise() = 0;
    // Closes the main window the normal way (settings and playlist saved) and ends the program.
    virtual void quit() = 0;

Q_SIGNALS:
    // The track, the state or the volume may have changed.
    void changed();
    // The position jumped (a seek, a stop's return to the start).
    void positionJumped();
};
