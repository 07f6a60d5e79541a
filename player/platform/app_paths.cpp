#include "platform/app_paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

AppPaths::AppPaths(QString home, QStringList dataDirs)
    : m_home(std::move(home)), m_dataDirs(std::move(dataDirs)) {}

AppPaths AppPaths::fromEnvironment() {
    QString home = qEnvironmentVariable("LYRAVOX_HOME");
    if (home.isEmpty()) {
        QString xdg = qEnvironmentVariable("XDG_DATA_HOME");
        if (xdg.isEmpty()) xdg = QDir::homePath() + QStringLiteral("/.local/share");
        home = xdg + QStringLiteral("/lyravox");
    }
    QStringList dirs;
    const QString fromEnv = qEnvironmentVariable("LYRAVOX_DATA_DIR");
    if (!fromEnv.isEmpty()) dirs << fromEnv;
    if (QCoreApplication::instance()) {
        // An installed program finds its data beside bin/ in share/lyravox.
        const QString exeDir = QCoreApplication::applicationDirPath();
        dirs << QDir::cleanPath(exeDir + QStringLiteral("/../share/lyravox"));
        // Run from the build tree: files generated at build time live in <build>/data.
        dirs << QDir::cleanPath(exeDir + QStringLiteral("/../data"));
    }
    dirs << QStringLiteral(LYRAVOX_INSTALL_DATA_DIR);
    const QString bin = qEnvironmentVariable("LYRAVOX_BIN_DIR");
    if (!bin.isEmpty()) dirs << QDir::cleanPath(bin + QStringLiteral("/../data"));
    dirs << QStringLiteral(LYRAVOX_SOURCE_DATA_DIR);
    dirs.removeDuplicates();
    return AppPaths(QDir::cleanPath(home), dirs);
}

QString AppPaths::file(const QString &relative) const {
    return m_home + QLatin1Char('/') + relative;
}

QString AppPaths::shipped(const QString &relative) const {
    const QString own = file(relative);
    if (QFileInfo::exists(own)) return own;
    for (const QString &dir : m_dataDirs) {
        const QString candidate = dir + QLatin1Char('/') + relative;
        if (QFileInfo::exists(candidate)) return candidate;
    }
    return own;
}

void AppPaths::createFolders() const {
    QDir dir;
    dir.mkpath(m_home);
    for (const char *name : {"LRCS", "PICS", "TEMP"})
        dir.mkpath(file(QLatin1String(name)));
}

void AppPaths::emptyTemp() const {
    QDir tempDir(temp());
    const QStringList names = tempDir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : names)
        tempDir.remove(name);
}
