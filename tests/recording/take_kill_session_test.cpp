// The built program killed with SIGKILL in the middle of a take, on a private X server and a
// private PulseAudio daemon, driven with xdotool as a person drives it: the next start keeps
// everything the take had reached on disk in the home folder's "takes" and says where.
#include "app/main_window_layout.h"
#include "platform/dialogs.h"
#include "player_process.h"
#include "pulse_server.h"
#include "recording/take_file.h"
#include "shell/main_window_ui.h"
#include "shell/settings.h"
#include "temp_home.h"
#include "test_media.h"
#include "widgets/xp_button.h"
#include "xdotool.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTest>
#include <csignal>
#include <gtest/gtest.h>

namespace {

using Xdotool::findWindow;
using Xdotool::geometryOf;

QProcessEnvironment onXcb(const TempHome &home) {
    QProcessEnvironment env = PlayerProcess::environment(home);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    return env;
}

// Presses the default button of the message box titled `title` once it shows (with the space
// bar: press and release both reach the box); false when none came.
bool answer(const QString &title) {
    const QString box = findWindow(title);
    if (box.isEmpty()) return false;
    Xdotool::run({QStringLiteral("key"), QStringLiteral("--window"), box, QStringLiteral("space")});
    return QTest::qWaitFor([&] { return geometryOf(box).isNull(); }, 5000);
}

TEST(TakeKillSession, ATakeKilledMidwayIsRecoveredAtTheNextStart) {
    fxtest::PulseServer server;
    ASSERT_TRUE(server.running()) << server.log();
    server.pactl("load-module module-sine-source source_name=lvxsine frequency=440");
    server.pactl("set-default-source lvxsine");
    TempHome home;
    const QString track = home.file(QStringLiteral("song.wav"));
    ASSERT_TRUE(TestMedia::writeWav(track, 30.0));
    home.write(QStringLiteral("List.lvx"), ">0\r\n\"" + track.toUtf8() + "\"\r\n");
    Settings settings;
    settings.ShowMixerOnRecord = 0;
    settings.StopRecordAtEnd = 0; // the take does not hang on the track
    home.write(QStringLiteral("SetLog.ini"), SettingsFile::format(settings));

    // Where the record button is: the window's own layout.
    QWidget probe;
    MainWindowUi layout;
    buildMainWindowWidgets(&probe, layout);
    probe.setWindowTitle(QStringLiteral("layout probe"));
    probe.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&probe));
    probe.hide();

    QProcess player;
    player.setProcessEnvironment(onXcb(home));
    player.start(PlayerProcess::program());
    ASSERT_TRUE(player.waitForStarted(10000));
    const QString window = findWindow(Dialogs::applicationCaption());
    ASSERT_FALSE(window.isEmpty());
    const QPoint record = geometryOf(window).topLeft() +
                          layout.XPButton[6]->mapTo(&probe, layout.XPButton[6]->rect().center());
    QTest::qWait(1500); // the start-up sequence enables the button
    Xdotool::clickAt(record);
    ASSERT_TRUE(answer(Dialogs::applicationTitle() + QStringLiteral(" 录音提示")));

    // Killed once the spool holds two seconds.
    const QDir spools(TakeSpool::folder(home.file(QStringLiteral("TEMP"))));
    qint64 reached = 0;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const QFileInfoList files =
                spools.entryInfoList({QStringLiteral("take-*.wav")}, QDir::Files);
            reached = files.isEmpty() ? 0 : files.first().size();
            return reached > 44 + 2 * 176400;
        },
        10000));
    ::kill(pid_t(player.processId()), SIGKILL);
    ASSERT_TRUE(player.waitForFinished(5000));
    reached = spools.entryInfoList({QStringLiteral("take-*.wav")}, QDir::Files).first().size();

    QProcess again;
    again.setProcessEnvironment(onXcb(home));
    again.start(PlayerProcess::program());
    ASSERT_TRUE(again.waitForStarted(10000));
    EXPECT_TRUE(answer(Dialogs::applicationTitle())) << "the start says where the take is";
    const QStringList kept = QDir(home.file(QStringLiteral("takes"))).entryList(QDir::Files);
    ASSERT_EQ(kept.size(), 1);
    const qint64 size = QFileInfo(home.file(QStringLiteral("takes/")) + kept[0]).size();
    EXPECT_GE(size, reached - 3) << "everything on disk at the kill (whole frames)";
    EXPECT_TRUE(spools.entryList(QDir::Files).isEmpty());
    PlayerProcess::terminate(again);
    EXPECT_TRUE(again.waitForFinished(15000));
}

} // namespace
