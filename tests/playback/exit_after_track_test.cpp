// The real program with --exit-after-track: it plays the track it was given and closes the
// normal way when the track ends (settings and playlist saved), for scripted runs.
#include "player_process.h"
#include "test_media.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <gtest/gtest.h>

namespace {

TEST(ExitAfterTrack, PlaysTheTrackThenClosesAndSaves) {
    TempHome home;
    const QString song = home.file(QStringLiteral("song.wav"));
    ASSERT_TRUE(TestMedia::writeWav(song, 2.0));
    QProcess p;
    p.setProcessEnvironment(PlayerProcess::environment(home));
    QElapsedTimer t;
    t.start();
    p.start(qEnvironmentVariable("LYRAVOX_BIN_DIR") + QStringLiteral("/lyravox"),
            {QStringLiteral("--exit-after-track"), song});
    ASSERT_TRUE(p.waitForStarted(10000));
    ASSERT_TRUE(p.waitForFinished(60000)) << "the player must close when the track ends";
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);
    // One second of start-up delay, then the whole track.
    EXPECT_GE(t.elapsed(), 2900);
    EXPECT_EQ(home.read(QStringLiteral("List.lvx")),
              QByteArray("\">0\"\r\n\"") + song.toUtf8() + "\"\r\n");
    EXPECT_TRUE(home.read(QStringLiteral("SetLog.ini")).endsWith("\r\n"));
}

TEST(ExitAfterTrack, ATrackThatCannotPlayEndsTheRunWithAMessage) {
    TempHome home;
    const QString broken = home.file(QStringLiteral("broken.mp3"));
    home.write(QStringLiteral("broken.mp3"), QByteArray(3000, 'z'));
    QProcess p;
    p.setProcessEnvironment(PlayerProcess::environment(home));
    p.start(qEnvironmentVariable("LYRAVOX_BIN_DIR") + QStringLiteral("/lyravox"),
            {QStringLiteral("--exit-after-track"), broken});
    ASSERT_TRUE(p.waitForStarted(10000));
    ASSERT_TRUE(p.waitForFinished(60000)) << "no recovery question may hold a scripted run";
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_TRUE(p.readAllStandardError().contains("broken.mp3 cannot be played"));
}

} // namespace
