// The built program on a private X server and a private session bus, driven as a desktop does:
// playerctl and gdbus reach it through the bus, and the window's own buttons (real clicks
// through the X server) change what the media controls report.
#include "app/main_window_layout.h"
#include "player_process.h"
#include "private_bus.h"
#include "shell/main_window_ui.h"
#include "temp_home.h"
#include "test_media.h"
#include "wait_for.h"
#include "widgets/xp_button.h"
#include "xdotool.h"

#include <QProcess>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

class MprisSession : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(bus.address().isEmpty()) << bus.error().toStdString();
        TestMedia::Tags tags;
        tags.title = QStringLiteral("Evening Song");
        tags.artist = QStringLiteral("Test Singer");
        tracks << home.file(QStringLiteral("one.mp3")) << home.file(QStringLiteral("two.wav"))
               << home.file(QStringLiteral("three.wav"));
        ASSERT_TRUE(TestMedia::writeMp3(tracks[0], 20.0, tags));
        ASSERT_TRUE(TestMedia::writeWav(tracks[1], 30.0));
        ASSERT_TRUE(TestMedia::writeWav(tracks[2], 30.0));
        home.write(QStringLiteral("List.lvx"),
                   ">0\r\n\"" + tracks[0].toUtf8() + "\"\r\n\"" + tracks[1].toUtf8() + "\"\r\n");

        buildMainWindowWidgets(&probe, layout);
        probe.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&probe));
        probe.hide();

        env = PlayerProcess::environment(home);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address());
        player.setProcessEnvironment(env);
        player.start(PlayerProcess::program(), {});
        ASSERT_TRUE(player.waitForStarted(10000));
        const QString window = Xdotool::findWindow(QStringLiteral("Lyravox 1.7.0"));
        ASSERT_FALSE(window.isEmpty());
        origin = Xdotool::geometryOf(window).topLeft();
    }

    void TearDown() override {
        if (player.state() == QProcess::NotRunning) return;
        PlayerProcess::terminate(player);
        EXPECT_TRUE(player.waitForFinished(15000));
    }

    // Runs a bus client (playerctl, gdbus) on the private bus; its output, or "error: ...".
    QString client(const QString &program, const QStringList &arguments) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(program, arguments);
        if (!p.waitForFinished(10000)) {
            p.kill();
            p.waitForFinished();
            return QStringLiteral("error: timeout");
        }
        if (p.exitCode() != 0)
            return QStringLiteral("error: ") + QString::fromUtf8(p.readAllStandardError());
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }
    QString playerctl(QStringList arguments) {
        arguments.prepend(QStringLiteral("lyravox"));
        arguments.prepend(QStringLiteral("-p"));
        return client(QStringLiteral("playerctl"), arguments);
    }
    // True once `playerctl ARGS` prints `want` (the bus and the player settle asynchronously).
    bool reports(const QStringList &arguments, const QString &want, int ms = 8000) {
        return waitFor([&] { return playerctl(arguments) == want; }, ms);
    }
    double position() { return playerctl({QStringLiteral("position")}).toDouble(); }
    void click(XPButton *button) {
        Xdotool::clickAt(origin + button->mapTo(&probe, button->rect().center()));
    }

    PrivateBus bus;
    TempHome home;
    QStringList tracks;
    QWidget probe;
    MainWindowUi layout;
    QProcessEnvironment env;
    QProcess player;
    QPoint origin;
};

TEST_F(MprisSession, PlayerctlAndTheWindowsButtonsShareOneState) {
    const QStringList status{QStringLiteral("status")};
    const QStringList title{QStringLiteral("metadata"), QStringLiteral("title")};
    // The first track plays at start.
    ASSERT_TRUE(reports(status, QStringLiteral("Playing"), 20000))
        << playerctl(status).toStdString();
    EXPECT_TRUE(reports(title, QStringLiteral("Evening Song")));
    EXPECT_EQ(playerctl({QStringLiteral("metadata"), QStringLiteral("artist")}),
              QStringLiteral("Test Singer"));
    const double length =
        playerctl({QStringLiteral("metadata"), QStringLiteral("mpris:length")}).toDouble() / 1e6;
    EXPECT_NEAR(length, 20.0, 0.2);

    // Commands through the bus, each followed by what the player reports.
    struct Step {
        QStringList command;
        QString status, title;
        double position; // < 0: not checked
    };
    const QString t2 = QStringLiteral("two"), t3 = QStringLiteral("three");
    const Step steps[] = {
        {{QStringLiteral("play-pause")},
         QStringLiteral("Paused"),
         QStringLiteral("Evening Song"),
         -1},
        {{QStringLiteral("position"), QStringLiteral("12")},
         QStringLiteral("Paused"),
         QStringLiteral("Evening Song"),
         12.0},
        {{QStringLiteral("position"), QStringLiteral("3-")},
         QStringLiteral("Paused"),
         QStringLiteral("Evening Song"),
         9.0},
        {{QStringLiteral("play-pause")},
         QStringLiteral("Playing"),
         QStringLiteral("Evening Song"),
         -1},
        {{QStringLiteral("next")}, QStringLiteral("Playing"), t2, -1},
        {{QStringLiteral("stop")}, QStringLiteral("Stopped"), t2, 0.0},
        {{QStringLiteral("open"), QUrl::fromLocalFile(tracks[2]).toString()},
         QStringLiteral("Playing"),
         t3,
         -1},
        {{QStringLiteral("previous")}, QStringLiteral("Playing"), t2, -1},
    };
    for (const Step &s : steps) {
        const QString out = playerctl(s.command);
        EXPECT_FALSE(out.startsWith(QLatin1String("error:"))) << out.toStdString();
        const std::string what = s.command.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(reports(status, s.status)) << what << ": " << playerctl(status).toStdString();
        EXPECT_TRUE(reports(title, s.title)) << what << ": " << playerctl(title).toStdString();
        if (s.position >= 0) {
            EXPECT_TRUE(waitFor([&] { return qAbs(position() - s.position) < 0.3; }, 5000))
                << what << ": " << position();
        }
    }

    // The window's buttons, clicked through the X server.
    struct Click {
        int button;
        QString status, title;
    };
    const Click clicks[] = {
        {18, QStringLiteral("Paused"), t2},  // pause
        {12, QStringLiteral("Playing"), t2}, // play
        {13, QStringLiteral("Stopped"), t2}, // stop
        {2, QStringLiteral("Playing"), t3},  // next
    };
    for (const Click &c : clicks) {
        click(layout.XPButton[size_t(c.button)]);
        EXPECT_TRUE(reports(status, c.status))
            << "button " << c.button << ": " << playerctl(status).toStdString();
        EXPECT_TRUE(reports(title, c.title))
            << "button " << c.button << ": " << playerctl(title).toStdString();
    }

    // Quit through the bus closes the window the normal way: the settings are written.
    const QString quit =
        client(QStringLiteral("gdbus"),
               {QStringLiteral("call"), QStringLiteral("--session"), QStringLiteral("--dest"),
                QStringLiteral("org.mpris.MediaPlayer2.lyravox"), QStringLiteral("--object-path"),
                QStringLiteral("/org/mpris/MediaPlayer2"), QStringLiteral("--method"),
                QStringLiteral("org.mpris.MediaPlayer2.Quit")});
    EXPECT_FALSE(quit.startsWith(QLatin1String("error:"))) << quit.toStdString();
    ASSERT_TRUE(player.waitForFinished(15000));
    EXPECT_EQ(player.exitCode(), 0);
    EXPECT_TRUE(QFile::exists(home.file(QStringLiteral("SetLog.ini"))));
    EXPECT_TRUE(home.read(QStringLiteral("List.lvx")).contains(tracks[2].toUtf8()));
}

TEST_F(MprisSession, WithoutASessionBusThePlayerRunsAsBefore) {
    // The fixture's player is on the bus; a second one in another home without a bus.
    TempHome other;
    ASSERT_TRUE(TestMedia::writeWav(other.file(QStringLiteral("x.wav")), 5.0));
    QProcess lone;
    lone.setProcessEnvironment(PlayerProcess::environment(other));
    lone.start(PlayerProcess::program(), {other.file(QStringLiteral("x.wav"))});
    ASSERT_TRUE(lone.waitForStarted(10000));
    PlayerProcess::waitForStartup(other);
    QTest::qWait(1500);
    EXPECT_EQ(lone.state(), QProcess::Running);
    PlayerProcess::terminate(lone);
    ASSERT_TRUE(lone.waitForFinished(15000));
    EXPECT_EQ(lone.exitCode(), 0);
    EXPECT_FALSE(
        QString::fromUtf8(lone.readAllStandardError()).contains(QLatin1String("media controls")));
    // The bus still has one Lyravox, the fixture's.
    EXPECT_TRUE(reports({QStringLiteral("status")}, QStringLiteral("Playing"), 20000));
}

} // namespace
