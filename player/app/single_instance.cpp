#include "app/single_instance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalSocket>
#include <unistd.h>

SingleInstance::SingleInstance(const QString &homeFolder) {
    const QByteArray key = QDir::cleanPath(homeFolder).toUtf8();
    m_name = QStringLiteral("lyravox-%1-%2")
                 .arg(getuid())
                 .arg(QString::fromLatin1(
                     QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex().left(16)));
    QLocalSocket probe;
    probe.connectToServer(m_name);
    if (probe.waitForConnected(500)) {
        m_otherRunning = true;
        return;
    }
    m_server = std::make_unique<QLocalServer>();
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_name)) {
        // A stale socket of a crashed copy: nobody answered, so take it over.
        QLocalServer::removeServer(m_name);
        m_server->listen(m_name);
    }
}

SingleInstance::Decision SingleInstance::decide(bool otherRunning, const QString &commandLine) {
    if (!otherRunning) return Decision::Continue;
    if (commandLine.isEmpty()) return Decision::ExitSilently;
    if (commandLine.startsWith(QStringLiteral("/a "))) return Decision::ExitWithAppendMessage;
    return Decision::Continue;
}
