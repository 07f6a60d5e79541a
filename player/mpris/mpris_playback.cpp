#include "mpris/mpris_playback.h"

#include "platform/xdg_association.h"
#include "playback/playback_controller.h"
#include "playlist/playlist_commands.h"
#include "playlist/playlist_file.h"

#include <QFileInfo>

namespace {

constexpr double kMicroseconds = 1e6;

bool isLocal(const QString &location) {
    return location.startsWith(QLatin1Char('/'));
}

} // namespace

MprisPlayback::MprisPlayback(PlaybackController &playback, PlaylistModel &model, QObject *parent)
    : MprisSource(parent), m_playback(playback), m_model(model), m_player(playback.player()) {
    connect(&m_playback, &PlaybackController::trackLoaded, this, [this] {
        ++m_serial;
        Q_EMIT changed();
    });
    connect(&m_player, &MediaPlayer::playStateChanged, this, &MprisSource::changed);
    connect(&m_player, &MediaPlayer::openStateChanged, this, &MprisSource::changed);
    connect(&m_player, &MediaPlayer::positionJumped, this, &MprisSource::positionJumped);
    connect(&m_model, &PlaylistModel::countChanged, this, &MprisSource::changed);
}

MprisTrack MprisPlayback::track() const {
    MprisTrack t;
    if (m_serial == 0 || m_model.CurrentFile.isEmpty()) return t;
    t.serial = m_serial;
    t.location = m_model.CurrentFile;
    // Tags and length describe the player's media only once it is the current file.
    const bool open = m_player.fileName() == t.location;
    if (open) {
        t.title = m_player.getMediaInfoString(MediaPlayer::InfoTitle).trimmed();
        const QString artist = m_player.getMediaInfoString(MediaPlayer::InfoAuthor).trimmed();
        if (!artist.isEmpty()) t.artists << artist;
        t.album = m_player.getMediaInfoString(MediaPlayer::InfoAlbum).trimmed();
        t.lengthUs = qint64(m_player.duration() * kMicroseconds);
    }
    if (t.title.isEmpty())
        t.title = isLocal(t.location) ? QFileInfo(t.location).completeBaseName() : t.location;
    if (m_hooks.picturePath) t.artPath = m_hooks.picturePath(t.location);
    return t;
}

MprisState MprisPlayback::state() const {
    MprisState s;
    switch (m_player.playState()) {
    case MediaPlayer::Playing:
        s.status = MprisState::Status::Playing;
        break;
    case MediaPlayer::Paused:
        s.status = MprisState::Status::Paused;
        break;
    default:
        s.status = MprisState::Status::Stopped;
        break;
    }
    const bool tracks = !m_model.isEmpty();
    s.canPlay = tracks;
    s.canGoNext = tracks;
    s.canGoPrevious = tracks;
    // A stream without a length neither pauses nor seeks (the window's rule).
    s.canSeek = tracks && m_player.duration() > 0.0;
    s.canPause = s.canSeek;
    return s;
}

qint64 MprisPlayback::positionUs() const {
    return qint64(m_player.currentPosition() * kMicroseconds);
}

double MprisPlayback::volume() const {
    return m_player.volume() / 100.0;
}

void MprisPlayback::setVolume(double volume) {
    m_player.setVolume(qRound(volume * 100.0));
    Q_EMIT changed();
}

QStringList MprisPlayback::uriSchemes() const {
    // What libmpv opens for an address typed into "添加曲目" (its example is an mms address).
    return {QStringLiteral("file"), QStringLiteral("http"), QStringLiteral("https"),
            QStringLiteral("mms"),  QStringLiteral("mmsh"), QStringLiteral("rtsp"),
            QStringLiteral("rtmp")};
}

QStringList MprisPlayback::mimeTypes() const {
    QStringList types;
    for (const QString &ext : XdgAssociation::mediaExtensions()) {
        const QString mime = XdgAssociation::mimeTypeFor(ext);
        if (!types.contains(mime)) types << mime;
    }
    return types;
}

void MprisPlayback::play() {
    m_playback.playButton();
}

void MprisPlayback::pause() {
    m_playback.pauseButton();
}

void MprisPlayback::playPause() {
    m_playback.playPause();
}

void MprisPlayback::stop() {
    m_playback.stop();
}

void MprisPlayback::next() {
    m_playback.next();
}

void MprisPlayback::previous() {
    m_playback.previous();
}

void MprisPlayback::setPositionUs(qint64 position) {
    m_player.setCurrentPosition(double(position) / kMicroseconds);
}

QString MprisPlayback::refusal(const QString &pathOrAddress) const {
    if (PlaylistFile::isAddress(pathOrAddress)) return QString();
    const QFileInfo info(pathOrAddress);
    if (!info.isFile() || !info.isReadable())
        return QStringLiteral("文件不存在或无法读取：") + pathOrAddress;
    // The files a drop on the list adds as tracks.
    const QString lower = pathOrAddress.toLower();
    for (const QString &type : PlaylistCommands::droppableTypes())
        if (lower.endsWith(type)) return QString();
    return QStringLiteral("目前无法播放此类型文件：") + pathOrAddress;
}

void MprisPlayback::open(const QString &pathOrAddress) {
    if (!refusal(pathOrAddress).isEmpty()) return;
    int index = int(m_model.items().indexOf(pathOrAddress));
    if (index < 0) {
        m_model.append(pathOrAddress);
        index = m_model.count() - 1;
    }
    m_model.select(index);
    m_playback.playSelected();
}

void MprisPlayback::raise() {
    if (m_hooks.raise) m_hooks.raise();
}

void MprisPlayback::quit() {
    if (m_hooks.quit) m_hooks.quit();
}
