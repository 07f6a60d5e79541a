#include "private_bus.h"

PrivateBus::PrivateBus() {
    m_daemon.start(QStringLiteral("dbus-daemon"),
                   {QStringLiteral("--session"), QStringLiteral("--nofork"),
                    QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1")});
    if (!m_daemon.waitForStarted(10000)) {
        m_error = QStringLiteral("dbus-daemon did not start: ") + m_daemon.errorString();
        return;
    }
    // The address is the first line the daemon prints once it listens.
    while (!m_daemon.canReadLine() && m_daemon.state() == QProcess::Running)
        m_daemon.waitForReadyRead(10000);
    m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    if (m_address.isEmpty())
        m_error = QStringLiteral("dbus-daemon printed no address: ") +
                  QString::fromUtf8(m_daemon.readAllStandardError());
}

PrivateBus::~PrivateBus() {
    if (m_daemon.state() == QProcess::NotRunning) return;
    m_daemon.terminate();
    if (!m_daemon.waitForFinished(5000)) {
        m_daemon.kill();
        m_daemon.waitForFinished();
    }
}
