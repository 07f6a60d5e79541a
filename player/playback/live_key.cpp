#include "playback/live_key.h"

#include "lyrics/lyric_store.h"

#include <QSettings>
#include <algorithm>

LiveKey::LiveKey(MediaPlayer &player, QString storeFile, QObject *parent)
    : QObject(parent), m_player(player), m_storeFile(std::move(storeFile)) {}

QString LiveKey::storeKey(const QString &track) {
    // Named like the track's lyric store file, without its ".lrc".
    QString name = LyricStore::storeFileName(track);
    name.chop(4);
    return name;
}

int LiveKey::remembered(const QString &track) const {
    if (track.isEmpty()) return 0;
    const QSettings store(m_storeFile, QSettings::IniFormat);
    bool ok = false;
    const int n = store.value(storeKey(track)).toInt(&ok);
    return ok ? std::clamp(n, int(MediaPlayer::kPitchMin), int(MediaPlayer::kPitchMax)) : 0;
}

QString LiveKey::text(int semitones) {
    if (semitones == 0) return {};
    return QStringLiteral("音调 ") + (semitones > 0 ? QStringLiteral("+") : QString()) +
           QString::number(semitones);
}

void LiveKey::setTrack(const QString &track) {
    m_track = track;
    apply(remembered(track));
}

void LiveKey::step(int semitones) {
    apply(m_semitones + semitones);
    remember();
}

void LiveKey::reset() {
    apply(0);
    remember();
}

void LiveKey::apply(int semitones) {
    m_player.setPitchSemitones(semitones);
    // The player's value is the truth: a player that could not start keeps the original key.
    const int now = m_player.pitchSemitones();
    if (now == m_semitones) return;
    m_semitones = now;
    Q_EMIT changed(now);
}

void LiveKey::remember() {
    if (m_track.isEmpty()) return;
    QSettings store(m_storeFile, QSettings::IniFormat);
    // Only shifted tracks are listed, so the file stays as small as the singer's habits.
    if (m_semitones == 0)
        store.remove(storeKey(m_track));
    else
        store.setValue(storeKey(m_track), m_semitones);
}
