#include "player_process.h"

#include <QDir>
#include <QThread>
#include <csignal>

namespace PlayerProcess {

QString program() {
    return qEnvironmentVariable("LYRAVOX_BIN_DIR") + QStringLiteral("/lyravox");
}

QProcessEnvironment environment(const TempHome &home) {
    // TempHome has already pointed LYRAVOX_HOME and the XDG folders into the test's folder.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LYRAVOX_HOME"), home.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("LYRAVOX_AUDIO"), QStringLiteral("null"));
    // A test's player stays off the desktop's media controls; a test that wants a bus adds its own.
    env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    return env;
}

bool start(QProcess &process, const TempHome &home, const QStringList &arguments) {
    process.setProcessEnvironment(environment(home));
    process.start(program(), arguments);
    return process.waitForStarted(10000);
}

void waitForStartup(const TempHome &home) {
    for (int i = 0; i < 200 && !QDir(home.file(QStringLiteral("PICS"))).exists(); ++i)
        QThread::msleep(50);
}

void terminate(QProcess &process) {
    ::kill(pid_t(process.processId()), SIGTERM);
}

} // namespace PlayerProcess
