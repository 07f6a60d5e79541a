#include "fake_media_player.h"

#include <algorithm>

void FakeMediaPlayer::setState(int state) {
    if (m_state == state) return;
    m_state = state;
    Q_EMIT playStateChanged(state);
}

bool FakeMediaPlayer::setFileName(const QString &pathOrAddress) {
    m_calls << QStringLiteral("open:") + pathOrAddress;
    const Media media = m_media.value(pathOrAddress);
    if (media.refused) return false;
    ++m_loads;
    m_fileName = pathOrAddress;
    m_current = media;
    m_open = false;
    m_infoKnown = false;
    m_wantPlay = false;
    m_position = 0.0;
    setState(Closed);
    if (m_opensLater && !pathOrAddress.isEmpty()) {
        const int load = m_loads;
        QMetaObject::invokeMethod(
            this, [this, load] { finishOpening(load); }, Qt::QueuedConnection);
        return true;
    }
    finishOpening(m_loads);
    return true;
}

void FakeMediaPlayer::finishOpening(int load) {
    if (load != m_loads) return; // replaced while it opened
    if (m_fileName.isEmpty() || m_current.failsToOpen) {
        Q_EMIT openStateChanged();
        if (m_current.failsToOpen)
            Q_EMIT mediaError(m_fileName, QStringLiteral("unrecognized file format"));
        return;
    }
    m_open = true;
    m_infoKnown = !m_current.infoLater;
    if (!m_infoKnown)
        QMetaObject::invokeMethod(
            this,
            [this, load] {
                if (load != m_loads || !m_open) return;
                m_infoKnown = true;
                Q_EMIT mediaInfoChanged();
            },
            Qt::QueuedConnection);
    Q_EMIT openStateChanged();
    setState(m_wantPlay ? Playing : Stopped);
}

void FakeMediaPlayer::play() {
    m_calls << QStringLiteral("play");
    m_wantPlay = true;
    if (m_open) setState(Playing);
}

void FakeMediaPlayer::pause() {
    m_calls << QStringLiteral("pause");
    if (m_state == Playing) setState(Paused);
}

void FakeMediaPlayer::stop() {
    m_calls << QStringLiteral("stop");
    m_wantPlay = false;
    if (m_open) {
        m_position = 0.0;
        setState(Stopped);
    }
}

void FakeMediaPlayer::setCurrentPosition(double seconds) {
    m_calls << QStringLiteral("seek:") + QString::number(seconds);
    if (!m_open) return;
    m_position = seconds;
    // The real engine reports the jump once the seek has run.
    QMetaObject::invokeMethod(this, &MediaPlayer::positionJumped, Qt::QueuedConnection);
}

void FakeMediaPlayer::setVolume(int percent) {
    m_calls << QStringLiteral("volume:") + QString::number(percent);
    m_volume = std::clamp(percent, 0, 100);
}

void FakeMediaPlayer::setDisplaySize(int size) {
    m_calls << QStringLiteral("displaySize:") + QString::number(size);
    if (m_displaySize == size) return;
    m_displaySize = size;
    Q_EMIT displaySizeChanged(size);
}

void FakeMediaPlayer::setBalance(int value) {
    m_balance = std::clamp(value, kBalanceMin, kBalanceMax);
}

void FakeMediaPlayer::setPitchSemitones(int semitones) {
    const int n = std::clamp(semitones, kPitchMin, kPitchMax);
    if (n == m_pitch) return;
    m_pitch = n;
    m_calls << QStringLiteral("key:") + QString::number(n);
}

QString FakeMediaPlayer::getMediaInfoString(int kind) const {
    if (!m_open) return QString();
    if (kind == InfoTitle) return m_infoKnown ? m_current.title : QString();
    if (kind == InfoAlbum) return m_infoKnown ? m_current.album : QString();
    if (kind != InfoAuthor || !m_infoKnown) return QString();
    return m_current.artist.isEmpty() ? m_author : m_current.artist;
}

void FakeMediaPlayer::finishTrack() {
    if (!m_open || m_state != Playing) return;
    const int loads = m_loads;
    m_position = 0.0;
    m_wantPlay = false;
    Q_EMIT endOfMedia();
    if (m_loads == loads && m_state == Playing) setState(Stopped);
}
