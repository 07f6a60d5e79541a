#include "lyrics/download/lyric_service_config.h"

#include "lyrics/download/lrclib_lyric_provider.h"
#include "lyrics/download/reference_lyric_provider.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

QUrl LyricServiceConfig::defaultUrl(Provider provider) {
    return provider == Provider::Lrclib ? QUrl(QStringLiteral("https://lrclib.net"))
                                        : QUrl(QStringLiteral("https://lyravox.example.org"));
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
    if (provider.compare(QLatin1String("lrclib"), Qt::CaseInsensitive) == 0)
        c.provider = Provider::Lrclib;
    c.url = defaultUrl(c.provider);
    const QUrl url(ini.value(QStringLiteral("service/url")).toString().trimmed(), QUrl::StrictMode);
    if (url.isValid() &&
        (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https")) &&
        !url.host().isEmpty())
        c.url = url;
    return c;
}

std::unique_ptr<LyricProvider> LyricServiceConfig::createProvider() const {
    if (provider == Provider::Lrclib) return std::make_unique<LrclibLyricProvider>(url);
    return std::make_unique<ReferenceLyricProvider>(url);
}
