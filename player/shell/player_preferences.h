#pragma once
// Options SetLog.ini's fixed fields have no room for, in $XDG_CONFIG_HOME/lyravox/lyravox.ini
// (~/.config when unset). Read and written at each use, so every window sees the last choice.
#include <QString>

class PlayerPreferences {
public:
    static QString defaultPath();
    explicit PlayerPreferences(QString path = defaultPath());

    // Vocal removal keeps the bass and the stereo picture (the frequency-domain remover)
    // rather than subtracting the channels; on unless the user turned it off.
    bool spectralVocalRemoval() const;
    // False when the file cannot be written.
    bool setSpectralVocalRemoval(bool on);

private:
    QString m_path;
};
