// The real program with a playlist on its command line, closed by SIGTERM: what List.lvx holds
// afterwards.
#include "player_process.h"

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

// Starts the program in `home` with `arguments`, lets it finish starting, sends SIGTERM.
void runAndTerminate(const TempHome &home, const QStringList &arguments) {
    QProcess p;
    p.setProcessEnvironment(PlayerProcess::environment(home));
    p.start(program(), arguments);
    ASSERT_TRUE(p.waitForStarted(10000));
    for (int i = 0; i < 200 && !QDir(home.file(QStringLiteral("PICS"))).exists(); ++i)
        QThread::msleep(50);
    QThread::msleep(1500); // past FinishStartup
    ::kill(pid_t(p.processId()), SIGTERM);
    ASSERT_TRUE(p.waitForFinished(20000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);
}

TEST(PlaylistProcess, M3uOnTheCommandLineEndsUpInListLvx) {
    TempHome home;
    home.write(QStringLiteral("lists/歌单.m3u"),
               "#EXTM3U\r\n#EXTINF:215,Singer - One\r\n\"/music/one song.mp3\"\r\n\r\n"
               "#EXTINF:-1,Radio\r\nhttp://radio.example.com/live\r\n\r\n"
               "#EXTINF:100,Three\r\n\"\xe6\xad\x8c/three.ogg\"\r\n");
    runAndTerminate(home, {home.file(QStringLiteral("lists/歌单.m3u"))});
    const QString items = QStringLiteral("\"/music/one song.mp3\"\r\n"
                                         "\"http://radio.example.com/live\"\r\n\"") +
                          home.file(QStringLiteral("lists/歌/three.ogg")) +
                          QStringLiteral("\"\r\n");
    const QString saved = QString::fromUtf8(home.read(QStringLiteral("List.lvx")));
    // The index line holds CurrentIndex: 0 once start-up has loaded the first item, -1 when
    // no track could be loaded.
    EXPECT_TRUE(saved == QStringLiteral("\">0\"\r\n") + items ||
                saved == QStringLiteral("\">-1\"\r\n") + items)
        << saved.toStdString();
}

TEST(PlaylistProcess, AppendArgumentAddsToTheOldDefaultPlaylist) {
    TempHome home;
    home.write(QStringLiteral("List.lvx"), "\">1\"\r\n\"/music/a.mp3\"\r\n\"/music/b.mp3\"\r\n");
    // Two arguments joined by one blank: the same as the single argument "/a /music/my song.mp3".
    runAndTerminate(home, {QStringLiteral("/a"), QStringLiteral("/music/my song.mp3")});
    // The index line depends on whether start-up could load the selected track.
    QByteArray saved = home.read(QStringLiteral("List.lvx"));
    EXPECT_TRUE(saved.startsWith("\">1\"\r\n") || saved.startsWith("\">-1\"\r\n"));
    EXPECT_TRUE(saved.endsWith("\"\r\n\"/music/a.mp3\"\r\n\"/music/b.mp3\"\r\n"
                               "\"/music/my song.mp3\"\r\n"))
        << saved.toStdString();

    runAndTerminate(home, {QStringLiteral("/music/c.mp3")});
    saved = home.read(QStringLiteral("List.lvx"));
    EXPECT_TRUE(saved.startsWith("\">0\"\r\n") || saved.startsWith("\">-1\"\r\n"));
    EXPECT_TRUE(saved.endsWith("\"\r\n\"/music/c.mp3\"\r\n"));
    EXPECT_EQ(saved.count('\n'), 2);
}

} // namespace
