// The real program: started in an empty home folder, closed by SIGTERM.
#include "player_process.h"

#include <QDir>
#include <QThread>
#include <gtest/gtest.h>

namespace {

TEST(StartupProcess, SigtermSavesTheSettingsAndEmptiesTemp) {
    TempHome home;
    home.write(QStringLiteral("TEMP/2.wav"), "leftover");
    home.write(QStringLiteral("TEMP/3.wav"), "leftover");
    QProcess p;
    ASSERT_TRUE(PlayerProcess::start(p, home));
    PlayerProcess::waitForStartup(home);
    QThread::msleep(500);
    PlayerProcess::terminate(p);
    ASSERT_TRUE(p.waitForFinished(20000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);
    for (const char *folder : {"LRCS", "PICS", "TEMP"})
        EXPECT_TRUE(QDir(home.file(QLatin1String(folder))).exists()) << folder;
    EXPECT_TRUE(QDir(home.file(QStringLiteral("TEMP"))).isEmpty());
    EXPECT_TRUE(home.read(QStringLiteral("SetLog.ini")).endsWith("\" 2 \",\" 0 \"\r\n"));
    EXPECT_TRUE(home.read(QStringLiteral("SetLog.ini")).startsWith("\" 0 \",\""));
}

// A second copy in the same home folder: without a file it ends at once; with a file it runs
// as a second window.
TEST(StartupProcess, SecondCopyEndsWithoutAFileAndRunsWithOne) {
    TempHome home;
    home.write(QStringLiteral("song.wav"), QByteArray());
    QProcess first;
    ASSERT_TRUE(PlayerProcess::start(first, home));
    PlayerProcess::waitForStartup(home);

    QProcess bare;
    ASSERT_TRUE(PlayerProcess::start(bare, home));
    EXPECT_TRUE(bare.waitForFinished(15000));
    EXPECT_EQ(bare.exitCode(), 0);
    EXPECT_EQ(first.state(), QProcess::Running);

    QProcess second;
    ASSERT_TRUE(PlayerProcess::start(second, home, {home.file(QStringLiteral("song.wav"))}));
    EXPECT_FALSE(second.waitForFinished(2000)); // still running: a second window
    for (QProcess *p : {&second, &first}) {
        PlayerProcess::terminate(*p);
        EXPECT_TRUE(p->waitForFinished(20000));
        EXPECT_EQ(p->exitCode(), 0);
    }
}

} // namespace
