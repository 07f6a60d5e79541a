#pragma once
// A private D-Bus session bus for one test: a dbus-daemon of its own, ended with the object.
#include <QProcess>
#include <QString>

class PrivateBus {
public:
    PrivateBus();
    ~PrivateBus();
    PrivateBus(const PrivateBus &) = delete;
    PrivateBus &operator=(const PrivateBus &) = delete;

    // The bus's address (for DBUS_SESSION_BUS_ADDRESS); empty when the daemon did not start.
    const QString &address() const { return m_address; }
    // Why it did not start.
    const QString &error() const { return m_error; }

private:
    QProcess m_daemon;
    QString m_address;
    QString m_error;
};
