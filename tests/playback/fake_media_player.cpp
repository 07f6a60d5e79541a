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
    m_wantPlay = false;
    m_position = 0.0;
    setState(Closed);
    if (pathOrAddress.isEmpty() || media.failsToOpen) {
        Q_EMIT openStateChanged();
        if (media.failsToOpen)
            Q_EMIT mediaError(pathOrAddress, QStringLiteral("unrecognized file format"));
        return true;
    }
    m_open = true;
    Q_EMIT openStateChanged();
    setState(Stopped);
    return true;
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
    if (kind == InfoTitle) return m_current.title;
    if (kind == InfoAlbum) return m_current.album;
    return kind == InfoAuthor ? m_author : QString();
}

void FakeMediaPlayer::finishTrack() {
    if (!m_open || m_state != Playing) return;
    const int loads = m_loads;
    m_position = 0.0;
    m_wantPlay = false;
    Q_EMIT endOfMedia();
    if (m_loads == loads && m_state == Playing) setState(Stopped);
}
