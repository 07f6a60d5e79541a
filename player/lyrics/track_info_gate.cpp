#include "lyrics/track_info_gate.h"

#include "playback/media_player.h"

TrackInfoGate::TrackInfoGate(MediaPlayer &player, QObject *parent)
    : QObject(parent), m_player(player) {
    m_limit.setSingleShot(true);
    m_limit.setInterval(kMaxWaitMs);
    connect(&m_limit, &QTimer::timeout, this, &TrackInfoGate::release);
    connect(&m_player, &MediaPlayer::openStateChanged, this, &TrackInfoGate::check);
    connect(&m_player, &MediaPlayer::mediaInfoChanged, this, &TrackInfoGate::check);
}

bool TrackInfoGate::known(const QString &file) const {
    if (file.isEmpty() || m_player.fileName() != file) return false;
    // The player reports nothing while the media opens (the state is still Closed when it
    // tells that it opened). libmpv reads a file's tags and length as it opens it; a stream
    // may report either later.
    return m_player.duration() > 0 ||
           !m_player.getMediaInfoString(MediaPlayer::InfoTitle).trimmed().isEmpty();
}

void TrackInfoGate::wait(const QString &file, std::function<void()> ready) {
    cancel();
    m_file = file;
    m_ready = std::move(ready);
    m_limit.start();
    check();
}

void TrackInfoGate::cancel() {
    m_limit.stop();
    m_ready = nullptr;
}

void TrackInfoGate::check() {
    if (m_ready && known(m_file)) release();
}

void TrackInfoGate::release() {
    m_limit.stop();
    std::function<void()> ready = std::move(m_ready);
    m_ready = nullptr;
    if (ready) ready();
}
