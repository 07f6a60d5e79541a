// The real program: started in an empty home folder, closed by SIGTERM.
#include "temp_home.h"

#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>

namespace {

QString program() {
    return qEnvironmentVariable("LYRAVOX_BIN_DIR") + QStringLiteral("/lyravox");
}

QProcessEnvironment environmentFor(const TempHome &home) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LYRAVOX_HOME"), home.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("LYRAVOX_AUDIO"), QStringLiteral("null"));
    return env;
}

TEST(StartupProcess, SigtermSavesTheSettingsAndEmptiesTemp) {
    TempHome home;
    home.write(QStringLiteral("TEMP/2.wav"), "leftover");
    home.write(QStringLiteral("TEMP/3.wav"), "leftover");
    QProcess p;
    p.setProcessEnvironment(environmentFor(home));
    p.start(program(), {});
    ASSERT_TRUE(p.waitForStarted(10000));
    // Wait until the start-up sequence has created the folders.
    for (int i = 0; i < 200 && !QDir(home.file(QStringLiteral("PICS"))).exists(); ++i)
        QThread::msleep(50);
    QThread::msleep(500);
    ::kill(pid_t(p.processId()), SIGTERM);
    ASSERT_TRUE(p.waitForFinished(20000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);
    for (const char *folder : {"LRCS", "PICS", "TEMP"})
        EXPECT_TRUE(QDir(home.file(QLatin1String(folder))).exists()) << folder;
    EXPECT_TRUE(QDir(home.file(QStringLiteral("TEMP"))).isEmpty());
    EXPECT_TRUE(home.read(QStringLiteral("SetLog.ini")).endsWith("\" 2 \",\" 0 \"\r\n"));
    EXPECT_TRUE(home.read(QStringLiteral("SetLog.ini")).startsWith("\" 0 \",\""));
}

TEST(StartupProcess, SecondCopyWithoutFileEndsAtOnce) {
    TempHome home;
    QProcess first;
    first.setProcessEnvironment(environmentFor(home));
    first.start(program(), {});
    ASSERT_TRUE(first.waitForStarted(10000));
    for (int i = 0; i < 200 && !QDir(home.file(QStringLiteral("PICS"))).exists(); ++i)
        QThread::msleep(50);
    QProcess second;
    second.setProcessEnvironment(environmentFor(home));
    second.start(program(), {});
    EXPECT_TRUE(second.waitForFinished(15000));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(first.state(), QProcess::Running);
    ::kill(pid_t(first.processId()), SIGTERM);
    EXPECT_TRUE(first.waitForFinished(20000));
}

TEST(StartupProcess, SecondCopyWithAFileRunsAsASecondWindow) {
    TempHome home;
    home.write(QStringLiteral("song.wav"), QByteArray());
    QProcess first;
    first.setProcessEnvironment(environmentFor(home));
    first.start(program(), {});
    ASSERT_TRUE(first.waitForStarted(10000));
    for (int i = 0; i < 200 && !QDir(home.file(QStringLiteral("PICS"))).exists(); ++i)
        QThread::msleep(50);
    QProcess second;
    second.setProcessEnvironment(environmentFor(home));
    second.start(program(), {home.file(QStringLiteral("song.wav"))});
    ASSERT_TRUE(second.waitForStarted(10000));
    EXPECT_FALSE(second.waitForFinished(2000)); // still running: a second window
    for (QProcess *p : {&second, &first}) {
        ::kill(pid_t(p->processId()), SIGTERM);
        EXPECT_TRUE(p->waitForFinished(20000));
        EXPECT_EQ(p->exitCode(), 0);
    }
}

} // namespace
