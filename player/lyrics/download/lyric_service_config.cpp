#include "lyrics/download/lyric_service_config.h"

#include "lyrics/download/lrclib_lyric_provider.h"
#include "lyrics/download/reference_lyric_provider.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

QUrl LyricServiceConfig::defaultUrl() {
    return QUrl(QStringLiteral("https://lrclib.net"));
}

QString LyricServiceConfig::defaultPath() {
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty()) config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/lyravox/lyrics.ini");
}

LyricServiceConfig LyricServiceConfig::read(const QString &iniPath) {
    LyricServiceConfig c;
    if (!QFileInfo(iniPath).isFile()) return c;
    QSettings ini(iniPath, QSettings::IniFormat);
    const QString provider = ini.value(QStringLiteral("service/provider")).toString().trimmed();
    const QUrl url(ini.value(QStringLiteral("service/url")).toString().trimmed(), QUrl::StrictMode);
    const bool urlUsable =
        url.isValid() &&
        (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https")) &&
        !url.host().isEmpty();
    // The reference protocol has no public server: without an address of its own it cannot be
    // asked, and LRCLIB stays the service.
    if (provider.compare(QLatin1String("reference"), Qt::CaseInsensitive) == 0 && urlUsable)
        c.provider = Provider::Reference;
    if (urlUsable) c.url = url;
    return c;
}

std::unique_ptr<LyricProvider> LyricServiceConfig::createProvider() const {
    if (provider == Provider::Lrclib) return std::make_unique<LrclibLyricProvider>(url);
    return std::make_unique<ReferenceLyricProvider>(url);
}
