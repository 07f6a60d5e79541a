#include "shell/player_preferences.h"

#include <QDir>
#include <QSettings>

namespace {
const char *const kSpectralVocalRemoval = "vocal/spectral";
const char *const kLyricScreen = "lyrics/fullscreen_screen";
} // namespace

QString PlayerPreferences::defaultPath() {
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty()) config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/lyravox/lyravox.ini");
}

PlayerPreferences::PlayerPreferences(QString path) : m_path(std::move(path)) {}

bool PlayerPreferences::spectralVocalRemoval() const {
    const QSettings ini(m_path, QSettings::IniFormat);
    return ini.value(QLatin1String(kSpectralVocalRemoval), true).toBool();
}

bool PlayerPreferences::setSpectralVocalRemoval(bool on) {
    return write(kSpectralVocalRemoval, on);
}

QString PlayerPreferences::lyricScreen() const {
    const QSettings ini(m_path, QSettings::IniFormat);
    return ini.value(QLatin1String(kLyricScreen)).toString();
}

bool PlayerPreferences::setLyricScreen(const QString &key) {
    return write(kLyricScreen, key);
}

bool PlayerPreferences::write(const char *key, const QVariant &value) {
    QSettings ini(m_path, QSettings::IniFormat);
    ini.setValue(QLatin1String(key), value);
    ini.sync();
    return ini.status() == QSettings::NoError;
}
