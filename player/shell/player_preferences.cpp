#include "shell/player_preferences.h"

#include <QDir>
#include <QSettings>

namespace {
const char *const kSpectralVocalRemoval = "vocal/spectral";
}

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
    QSettings ini(m_path, QSettings::IniFormat);
    ini.setValue(QLatin1String(kSpectralVocalRemoval), on);
    ini.sync();
    return ini.status() == QSettings::NoError;
}
