#pragma once
// One player per user and home folder: the first copy listens on a local socket; a later copy
// finds it there.
#include <QLocalServer>
#include <QString>
#include <memory>

class SingleInstance {
public:
    explicit SingleInstance(const QString &homeFolder);
    // True when another copy already runs.
    bool otherRunning() const { return m_otherRunning; }
    QString serverName() const { return m_name; }

    enum class Decision { Continue, ExitSilently, ExitWithAppendMessage };
    // What a copy does with its command line when another copy runs.
    static Decision decide(bool otherRunning, const QString &commandLine);

private:
    QString m_name;
    bool m_otherRunning = false;
    std::unique_ptr<QLocalServer> m_server;
};
