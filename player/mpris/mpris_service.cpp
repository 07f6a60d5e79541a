#include "mpris/mpris_service.h"

#include "mpris/mpris_player_adaptor.h"
#include "mpris/mpris_root_adaptor.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QUrl>

namespace {

const char kPlayerInterface[] = "org.mpris.MediaPlayer2.Player";

bool isLocal(const QString &location) {
    return location.startsWith(QLatin1Char('/'));
}

} // namespace

MprisService::MprisService(QObject *parent) : QObject(parent) {
    new MprisRootAdaptor(this);
    m_player = new MprisPlayerAdaptor(this);
    m_publish.setSingleShot(true);
    m_publish.setInterval(0);
    connect(&m_publish, &QTimer::timeout, this, &MprisService::publishChanges);
}

MprisService::~MprisService() {
    if (m_serviceName.isEmpty()) return;
    m_bus.unregisterService(m_serviceName);
    m_bus.unregisterObject(QLatin1String(kObjectPath));
}

bool MprisService::registerOnSessionBus() {
    // Without the variable the bus library would try to start a bus of its own.
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) return false;
    return registerOn(QDBusConnection::sessionBus());
}

bool MprisService::registerOn(QDBusConnection bus) {
    if (!bus.isConnected()) {
        qWarning("Lyravox: no session bus, the desktop's media controls are off: %s",
                 qPrintable(bus.lastError().message()));
        return false;
    }
    if (!bus.registerObject(QLatin1String(kObjectPath), this, QDBusConnection::ExportAdaptors)) {
        qWarning("Lyravox: the media controls' object could not be registered: %s",
                 qPrintable(bus.lastError().message()));
        return false;
    }
    // A second player (another home folder) takes an instance name, as the protocol says.
    const QString names[] = {QLatin1String(kServiceName),
                             QLatin1String(kServiceName) + QStringLiteral(".instance") +
                                 QString::number(QCoreApplication::applicationPid())};
    for (const QString &name : names) {
        if (bus.interface()
                ->registerService(name, QDBusConnectionInterface::DontQueueService,
                                  QDBusConnectionInterface::DontAllowReplacement)
                .value() == QDBusConnectionInterface::ServiceRegistered) {
            m_bus = bus;
            m_serviceName = name;
            m_published = playerProperties();
            return true;
        }
    }
    qWarning("Lyravox: the media controls' name could not be registered: %s",
             qPrintable(bus.lastError().message()));
    bus.unregisterObject(QLatin1String(kObjectPath));
    return false;
}

void MprisService::setSource(MprisSource *source) {
    if (m_source) disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    if (source) {
        connect(source, &MprisSource::changed, &m_publish, qOverload<>(&QTimer::start));
        connect(source, &MprisSource::positionJumped, this,
                [this] { Q_EMIT m_player->Seeked(positionUs()); });
        // A source that goes away with its window leaves a stopped player behind.
        connect(source, &QObject::destroyed, &m_publish, qOverload<>(&QTimer::start));
    }
    m_publish.start();
}

QDBusObjectPath MprisService::trackId(const MprisTrack &track) {
    if (track.serial == 0)
        return QDBusObjectPath(QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack"));
    return QDBusObjectPath(QStringLiteral("/org/lyravox/track/") + QString::number(track.serial));
}

QVariantMap MprisService::metadata(const MprisTrack &track) {
    QVariantMap m;
    m.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(trackId(track)));
    if (track.serial == 0) return m;
    m.insert(QStringLiteral("xesam:title"), track.title);
    m.insert(QStringLiteral("xesam:url"),
             isLocal(track.location)
                 ? QUrl::fromLocalFile(track.location).toString(QUrl::FullyEncoded)
                 : track.location);
    if (!track.artists.isEmpty()) m.insert(QStringLiteral("xesam:artist"), track.artists);
    if (!track.album.isEmpty()) m.insert(QStringLiteral("xesam:album"), track.album);
    if (track.lengthUs > 0) m.insert(QStringLiteral("mpris:length"), qlonglong(track.lengthUs));
    if (!track.artPath.isEmpty())
        m.insert(QStringLiteral("mpris:artUrl"),
                 QUrl::fromLocalFile(track.artPath).toString(QUrl::FullyEncoded));
    return m;
}

QString MprisService::statusName(MprisState::Status status) {
    switch (status) {
    case MprisState::Status::Playing:
        return QStringLiteral("Playing");
    case MprisState::Status::Paused:
        return QStringLiteral("Paused");
    default:
        return QStringLiteral("Stopped");
    }
}

MprisTrack MprisService::track() const {
    return m_source ? m_source->track() : MprisTrack();
}

MprisState MprisService::state() const {
    return m_source ? m_source->state() : MprisState();
}

qint64 MprisService::positionUs() const {
    return m_source ? m_source->positionUs() : 0;
}

double MprisService::volume() const {
    return m_source ? m_source->volume() : 0.0;
}

void MprisService::setVolume(double volume) {
    if (m_source) m_source->setVolume(qBound(0.0, volume, 1.0));
}

QStringList MprisService::uriSchemes() const {
    return m_source ? m_source->uriSchemes() : QStringList();
}

QStringList MprisService::mimeTypes() const {
    return m_source ? m_source->mimeTypes() : QStringList();
}

template <typename F> void MprisService::later(F command) {
    if (!m_source) return;
    QPointer<MprisSource> source = m_source;
    QTimer::singleShot(0, source.data(), [source, command] {
        if (source) command(*source);
    });
}

void MprisService::raise() {
    later([](MprisSource &s) { s.raise(); });
}

void MprisService::quit() {
    later([](MprisSource &s) { s.quit(); });
}

// The player's own rule: a command that cannot act now has no effect.
void MprisService::play() {
    if (state().canPlay) later([](MprisSource &s) { s.play(); });
}

void MprisService::pause() {
    if (state().canPause) later([](MprisSource &s) { s.pause(); });
}

void MprisService::playPause() {
    const MprisState st = state();
    if (st.status == MprisState::Status::Playing ? st.canPause : st.canPlay)
        later([](MprisSource &s) { s.playPause(); });
}

void MprisService::stop() {
    // With an empty list the window's stop would ask for tracks instead.
    if (state().canPlay) later([](MprisSource &s) { s.stop(); });
}

void MprisService::next() {
    if (state().canGoNext) later([](MprisSource &s) { s.next(); });
}

void MprisService::previous() {
    if (state().canGoPrevious) later([](MprisSource &s) { s.previous(); });
}

void MprisService::seek(qint64 offsetUs) {
    if (!state().canSeek) return;
    const qint64 target = qMax<qint64>(0, positionUs() + offsetUs);
    if (target > track().lengthUs) {
        // Past the end: as the end of the track, the next one.
        next();
        return;
    }
    later([target](MprisSource &s) { s.setPositionUs(target); });
}

void MprisService::setPosition(const QDBusObjectPath &id, qint64 position) {
    const MprisTrack t = track();
    // A position meant for a track that is gone is stale.
    if (!state().canSeek || id != trackId(t) || position < 0 || position > t.lengthUs) return;
    later([position](MprisSource &s) { s.setPositionUs(position); });
}

void MprisService::openUri(const QString &uri) {
    if (!m_source)
        return refuse(QStringLiteral("org.freedesktop.DBus.Error.Failed"),
                      QStringLiteral("播放器尚未就绪"));
    const QUrl url(uri);
    if (!url.isValid() || url.scheme().isEmpty())
        return refuse(QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"),
                      QStringLiteral("无效的地址：") + uri);
    if (!uriSchemes().contains(url.scheme().toLower()))
        return refuse(QStringLiteral("org.freedesktop.DBus.Error.NotSupported"),
                      QStringLiteral("不支持的地址类型：") + url.scheme());
    const QString target = url.isLocalFile() ? url.toLocalFile() : uri;
    const QString why = m_source->refusal(target);
    if (!why.isEmpty())
        return refuse(QStringLiteral("org.freedesktop.DBus.Error.NotSupported"), why);
    later([target](MprisSource &s) { s.open(target); });
}

void MprisService::refuse(const QString &error, const QString &text) {
    if (calledFromDBus()) sendErrorReply(error, text);
}

QVariantMap MprisService::playerProperties() const {
    const MprisState st = state();
    return {
        {QStringLiteral("PlaybackStatus"), statusName(st.status)},
        {QStringLiteral("Metadata"), metadata(track())},
        {QStringLiteral("Volume"), volume()},
        {QStringLiteral("CanPlay"), st.canPlay},
        {QStringLiteral("CanPause"), st.canPause},
        {QStringLiteral("CanGoNext"), st.canGoNext},
        {QStringLiteral("CanGoPrevious"), st.canGoPrevious},
        {QStringLiteral("CanSeek"), st.canSeek},
    };
}

void MprisService::publishChanges() {
    if (m_serviceName.isEmpty()) return;
    const QVariantMap now = playerProperties();
    QVariantMap changed;
    for (auto it = now.begin(); it != now.end(); ++it)
        if (m_published.value(it.key()) != it.value()) changed.insert(it.key(), it.value());
    m_published = now;
    if (changed.isEmpty()) return;
    QDBusMessage signal = QDBusMessage::createSignal(
        QLatin1String(kObjectPath), QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("PropertiesChanged"));
    signal << QLatin1String(kPlayerInterface) << changed << QStringList();
    m_bus.send(signal);
}
