#pragma once
// The player on the D-Bus session bus as an MPRIS 2 media player: the service
// org.mpris.MediaPlayer2.lyravox with the object /org/mpris/MediaPlayer2, whose root and player
// interfaces are the two adaptors. It reads and commands the player through an MprisSource
// (none while the main window is rebuilt) and tells the bus about every change.
#include "mpris/mpris_source.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusObjectPath>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QVariantMap>

class MprisPlayerAdaptor;

class MprisService : public QObject, public QDBusContext {
    Q_OBJECT
public:
    static constexpr const char *kServiceName = "org.mpris.MediaPlayer2.lyravox";
    static constexpr const char *kObjectPath = "/org/mpris/MediaPlayer2";

    explicit MprisService(QObject *parent = nullptr);
    ~MprisService() override;

    // Registers on the session bus named by DBUS_SESSION_BUS_ADDRESS. Without one nothing is
    // tried; a bus that cannot be reached or refuses the object is logged once. False then.
    bool registerOnSessionBus();
    // Registers the object and the service name on `bus` (the name with ".instance<pid>" when
    // another player holds it). False, logged, when the bus refuses.
    bool registerOn(QDBusConnection bus);
    // The name this service holds; empty while unregistered.
    QString serviceName() const { return m_serviceName; }

    // The player the bus talks to; null: none (stopped, no track, no commands).
    void setSource(MprisSource *source);

    // --- For the adaptors ---
    static QDBusObjectPath trackId(const MprisTrack &track);
    static QVariantMap metadata(const MprisTrack &track);
    static QString statusName(MprisState::Status status);
    MprisTrack track() const;
    MprisState state() const;
    qint64 positionUs() const;
    double volume() const;
    void setVolume(double volume);
    QStringList uriSchemes() const;
    QStringList mimeTypes() const;
    void raise();
    void quit();
    void play();
    void pause();
    void playPause();
    void stop();
    void next();
    void previous();
    void seek(qint64 offsetUs);
    void setPosition(const QDBusObjectPath &trackId, qint64 positionUs);
    void openUri(const QString &uri);

private:
    // Runs `command` on the source after the D-Bus call has returned (a command may open a
    // question whose event loop must not hold up the caller).
    template <typename F> void later(F command);
    // Sends PropertiesChanged for what differs from what the bus was told last.
    void publishChanges();
    QVariantMap playerProperties() const;
    void refuse(const QString &error, const QString &text);

    QDBusConnection m_bus{QString()};
    QString m_serviceName;
    QPointer<MprisSource> m_source;
    MprisPlayerAdaptor *m_player = nullptr;
    QVariantMap m_published;
    QTimer m_publish; // coalesces the changes of one event into one signal
};
