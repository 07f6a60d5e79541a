#pragma once
// Options SetLog.ini's fixed fields have no room for, in $XDG_CONFIG_HOME/lyravox/lyravox.ini
// (~/.config when unset). Read and written at each use, so every window sees the last choice.
#include <QString>
#include <QVariant>

class PlayerPreferences {
public:
    static QString defaultPath();
    explicit PlayerPreferences(QString path = defaultPath());

    // Vocal removal keeps the bass and the stereo picture (the frequency-domain remover)
    // rather than subtracting the channels; on unless the user turned it off.
    bool spectralVocalRemoval() const;
    // False when the file cannot be written.
    bool setSpectralVocalRemoval(bool on);

    // The screen the full-screen lyric window opens on (a screen key); empty: not chosen.
    QString lyricScreen() const;
    bool setLyricScreen(const QString &key);

private:
    bool write(const char *key, const QVariant &value);

    QString m_path;
};
