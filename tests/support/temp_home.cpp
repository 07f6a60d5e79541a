#include "temp_home.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

TempHome::TempHome()
    : m_oldHome(qgetenv("LYRAVOX_HOME")), m_oldConfig(qgetenv("XDG_CONFIG_HOME")),
      m_oldData(qgetenv("XDG_DATA_HOME")), m_hadHome(qEnvironmentVariableIsSet("LYRAVOX_HOME")),
      m_hadConfig(qEnvironmentVariableIsSet("XDG_CONFIG_HOME")),
      m_hadData(qEnvironmentVariableIsSet("XDG_DATA_HOME")) {
    qputenv("LYRAVOX_HOME", QFile::encodeName(path()));
    QDir().mkpath(file(QStringLiteral(".config")));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(file(QStringLiteral(".config"))));
    // Lyric downloads go to a closed loopback port unless a test starts a service: no test
    // ever reaches a real lyric server.
    setLyricService(QStringLiteral("reference"), QStringLiteral("http://127.0.0.1:9"));
    QDir().mkpath(file(QStringLiteral(".local/share")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(file(QStringLiteral(".local/share"))));
}

TempHome::~TempHome() {
    if (m_hadHome)
        qputenv("LYRAVOX_HOME", m_oldHome);
    else
        qunsetenv("LYRAVOX_HOME");
    if (m_hadConfig)
        qputenv("XDG_CONFIG_HOME", m_oldConfig);
    else
        qunsetenv("XDG_CONFIG_HOME");
    if (m_hadData)
        qputenv("XDG_DATA_HOME", m_oldData);
    else
        qunsetenv("XDG_DATA_HOME");
}

AppPaths TempHome::paths() const {
    return AppPaths::fromEnvironment();
}

void TempHome::write(const QString &relative, const QByteArray &bytes) const {
    const QString p = file(relative);
    QDir().mkpath(QFileInfo(p).absolutePath());
    QFile f(p);
    if (f.open(QIODevice::WriteOnly)) f.write(bytes);
}

QByteArray TempHome::read(const QString &relative) const {
    QFile f(file(relative));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void TempHome::setLyricService(const QString &provider, const QString &url) const {
    write(QStringLiteral(".config/lyravox/lyrics.ini"),
          "[service]\nprovider=" + provider.toUtf8() + "\nurl=" + url.toUtf8() + "\n");
}
