// The recording commands on the real main window, driven by pointer events through the xcb
// platform (a private X server), with libmpv playing into a private PulseAudio daemon.
#include "app/main_window.h"
#include "playback/playback_widgets.h"
#include "pulse_server.h"
#include "real_input.h"
#include "recording/recording_widgets.h"
#include "scripted_dialogs.h"
#include "take_analysis.h"
#include "temp_home.h"
#include "test_media.h"
#include "widgets/xp_button.h"
#include "window_playing.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QSlider>
#include <QTest>
#include <QWindow>
#include <csignal>
#include <gtest/gtest.h>

namespace {

// A left click at the centre of `target`, delivered to the window as the platform delivers it.
void click(QWidget &window, QWidget *target) {
    const QPoint at = target->mapTo(&window, target->rect().center());
    QTest::mouseMove(window.windowHandle(), at);
    QTest::mouseClick(window.windowHandle(), Qt::LeftButton, Qt::NoModifier, at);
}

// The capture streams the server has open.
int captureStreams(const fxtest::PulseServer &server) {
    const std::string list = server.pactl("list short source-outputs");
    return int(std::count(list.begin(), list.end(), '\n'));
}

struct WindowOnXcb : ::testing::Test {
    TempHome home;
    ScriptedDialogs dialogs;
    AppContext ctx{home.paths()};
    QString song;

    WindowOnXcb() {
        ctx.dialogs = &dialogs;
        song = home.file(QStringLiteral("tone.wav"));
        TestMedia::writeWav(song, 20.0);
        home.write(QStringLiteral("tone.lrc"), "[00:00.20]第一行歌词\r\n[00:30.00]第二行\r\n");
        ctx.startupCommandLine = song;
    }
};

TEST_F(WindowOnXcb, RecordButtonRecordsOverThePlayingTrackAndTheTakeIsSavedAndPlayed) {
    fxtest::PulseServer server;
    ASSERT_TRUE(server.running()) << server.log();
    server.pactl("set-default-source lvxnull.monitor");
    const QByteArray audio = qgetenv("LYRAVOX_AUDIO");
    qunsetenv("LYRAVOX_AUDIO"); // the track plays into the daemon's sink
    MainWindow w(ctx);
    qputenv("LYRAVOX_AUDIO", audio);
    RecordingWidgets &rec = w.recording();
    auto *devices = w.findChild<QComboBox *>(QStringLiteral("cboDevice"));
    ASSERT_NE(devices, nullptr);
    ASSERT_EQ(devices->count(), 1);
    EXPECT_EQ(devices->currentIndex(), 0);
    EXPECT_EQ(rec.recorder().SelectedSourceName(), QStringLiteral("lvxnull.monitor"));
    showAndPlay(w);
    XPButton *record = w.ui().XPButton[6], *playTake = w.ui().XPButton[7],
             *stop = w.ui().XPButton[8];
    ASSERT_TRUE(record->isEnabled());
    EXPECT_FALSE(playTake->isEnabled());

    dialogs.answerMessage(Dialogs::Answer::Yes);
    const QString chosen = home.file(QStringLiteral("my take"));
    dialogs.answerSave(chosen);
    click(w, record);
    ASSERT_TRUE(rec.controller().recording());
    EXPECT_EQ(dialogs.entries().at(0).title, QStringLiteral("Lyravox 录音提示"));
    EXPECT_TRUE(stop->isEnabled());
    EXPECT_EQ(stop->caption(), QStringLiteral("停止录音"));
    EXPECT_FALSE(record->isEnabled());
    EXPECT_TRUE(w.ui().Timer[5]->isActive());
    QTest::qWait(2500);
    auto *marker = w.findChild<QFrame *>(QStringLiteral("LineRecProgress"));
    ASSERT_NE(marker, nullptr);
    EXPECT_TRUE(marker->isVisible()) << "the clock shows its marker";
    EXPECT_GT(marker->x(), RecordingController::kMarkerStart / 15);

    click(w, stop);
    EXPECT_FALSE(rec.controller().recording());
    const QString take = chosen + QStringLiteral(".wav");
    ASSERT_EQ(rec.controller().takePath(), take);
    const TakeContents contents = TakeContents::read(take);
    ASSERT_TRUE(contents.valid);
    EXPECT_NEAR(contents.seconds(), 2.5, 0.4);
    EXPECT_NEAR(contents.frequency(0.3, contents.seconds() - 0.2), 440.0, 2.0);
    EXPECT_EQ(w.playback().player().fileName(), take);
    EXPECT_TRUE(playTake->isEnabled());
    EXPECT_FALSE(stop->isEnabled());
    EXPECT_FALSE(marker->isVisible());

    click(w, playTake);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return w.playback().player().playState() == MediaPlayer::Playing; }, 5000));
    EXPECT_EQ(stop->caption(), QStringLiteral("停止回放"));
    EXPECT_EQ(w.ui().action("mnuStopRecPlay")->text(), QStringLiteral("停止回放(&S)"));
    click(w, stop);
    EXPECT_EQ(w.playback().player().playState(), MediaPlayer::Stopped);
    EXPECT_TRUE(playTake->isEnabled());
    w.close();
}

TEST_F(WindowOnXcb, PanelChoosesTheDeviceAndSetsTheVolumeByPointerAndKeys) {
    fxtest::PulseServer server{{"lvxnull", "lvxsecond"}};
    ASSERT_TRUE(server.running()) << server.log();
    server.pactl("set-default-source lvxsecond.monitor");
    MainWindow w(ctx);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    RecordingWidgets &rec = w.recording();
    auto *devices = w.findChild<QComboBox *>(QStringLiteral("cboDevice"));
    auto *lines = w.findChild<QComboBox *>(QStringLiteral("cboLine"));
    auto *slider = w.findChild<QSlider *>(QStringLiteral("sldVolume"));
    ASSERT_TRUE(devices && lines && slider);
    ASSERT_EQ(devices->count(), 2);
    EXPECT_EQ(rec.recorder().SelectedSourceName(), QStringLiteral("lvxsecond.monitor"));
    const int second = devices->currentIndex();
    EXPECT_EQ(lines->count(), 1);
    EXPECT_EQ(lines->itemText(0), devices->itemText(second));
    EXPECT_EQ(w.ui().lblVolPer->text(), QStringLiteral("100%"));

    // The other device through its drop-down list: open it, move, confirm.
    click(w, devices);
    QWidget *popup = QApplication::activePopupWidget();
    ASSERT_NE(popup, nullptr);
    QTest::keyClick(popup->windowHandle(), second == 0 ? Qt::Key_Down : Qt::Key_Up);
    QTest::keyClick(popup->windowHandle(), Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return devices->currentIndex() != second; }, 2000));
    EXPECT_EQ(rec.recorder().SelectedSourceName(), QStringLiteral("lvxnull.monitor"));
    EXPECT_EQ(rec.recorder().SelectedDevice(), devices->currentIndex());

    // A click on the slider's groove left of the handle lowers the volume by one page.
    const QPoint left(slider->mapTo(&w, QPoint(2, slider->height() / 2)));
    QTest::mouseClick(w.windowHandle(), Qt::LeftButton, Qt::NoModifier, left);
    ASSERT_TRUE(QTest::qWaitFor([&] { return slider->value() < 65535; }, 2000));
    EXPECT_EQ(slider->value(), 65535 - 2000);
    EXPECT_EQ(w.ui().lblVolPer->text(), QStringLiteral("96%"));
    EXPECT_EQ(rec.recorder().MixerLineVolume(), 65535 - 2000);
    const std::string shown = server.pactl("get-source-volume lvxnull.monitor");
    EXPECT_NE(shown.find("97%"), std::string::npos) << shown;
    w.close();
}

TEST_F(WindowOnXcb, WithoutASoundServerThePlayerPlaysAndRecordingSaysWhyNot) {
    qputenv("PULSE_SERVER", "unix:/nonexistent/lyravox-no-server");
    MainWindow w(ctx);
    EXPECT_EQ(w.findChild<QComboBox *>(QStringLiteral("cboDevice"))->count(), 0);
    EXPECT_EQ(w.findChild<QComboBox *>(QStringLiteral("cboLine"))->count(), 0);
    showAndPlay(w);
    EXPECT_TRUE(dialogs.entries().isEmpty()) << "no start-up message";
    XPButton *record = w.ui().XPButton[6];
    EXPECT_FALSE(record->isEnabled());
    EXPECT_TRUE(record->toolTipText().startsWith(QStringLiteral("录音不可用：")));
    EXPECT_FALSE(w.ui().action("mnuStartRec")->isEnabled());
    click(w, record);
    EXPECT_TRUE(dialogs.entries().isEmpty());
    EXPECT_FALSE(w.recording().controller().recording());
    EXPECT_TRUE(w.ui().RichTextBox1->toPlainText().contains(QStringLiteral("第一行歌词")));
    EXPECT_EQ(w.playback().player().playState(), MediaPlayer::Playing);
    // Other buttons still take real clicks: pause.
    click(w, w.ui().XPButton[18]);
    EXPECT_EQ(w.playback().player().playState(), MediaPlayer::Paused);
    w.close();
    qunsetenv("PULSE_SERVER");
}

TEST_F(WindowOnXcb, TheMicrophoneIsOpenOnlyWhileTheMeterIsShownOrATakeRuns) {
    fxtest::PulseServer server;
    ASSERT_TRUE(server.running()) << server.log();
    server.pactl("set-default-source lvxnull.monitor");
    ctx.settings.VisualOn = 0;
    MainWindow w(ctx);
    showAndPlay(w);
    ASSERT_EQ(ctx.settings.ShowLevelMeter, 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return captureStreams(server) == 1; }, 3000))
        << "the level meter listens";

    // The level display off through its pop-up menu: no stream within a second.
    ::click(w.ui().Picture3, {}, Qt::RightButton);
    QMenu *menu = w.ui().Popmnu[3];
    ASSERT_TRUE(QTest::qWaitFor([menu] { return menu->isVisible(); }, 3000));
    clickMenuItem(menu, w.ui().action("PopShowVolumeB"));
    ASSERT_EQ(ctx.settings.ShowLevelMeter, 0);
    QElapsedTimer off;
    off.start();
    EXPECT_TRUE(QTest::qWaitFor([&] { return captureStreams(server) == 0; }, 1000));
    EXPECT_LT(off.elapsed(), 1000);

    // A take opens one for as long as it runs.
    dialogs.answerMessage(Dialogs::Answer::Yes);
    dialogs.answerSave(home.file(QStringLiteral("quiet take")));
    click(w, w.ui().XPButton[6]);
    ASSERT_TRUE(w.recording().controller().recording());
    EXPECT_TRUE(QTest::qWaitFor([&] { return captureStreams(server) == 1; }, 2000));
    QTest::qWait(300);
    click(w, w.ui().XPButton[8]);
    EXPECT_FALSE(w.recording().controller().recording());
    off.start();
    EXPECT_TRUE(QTest::qWaitFor([&] { return captureStreams(server) == 0; }, 1000));
    EXPECT_LT(off.elapsed(), 1000);
    w.close();
}

TEST_F(WindowOnXcb, AStoppedServerLeavesLyricTicksAndClicksOnTime) {
    fxtest::PulseServer server;
    ASSERT_TRUE(server.running()) << server.log();
    server.pactl("set-default-source lvxnull.monitor");
    MainWindow w(ctx);
    showAndPlay(w);
    ASSERT_TRUE(QTest::qWaitFor([&] { return captureStreams(server) == 1; }, 3000));
    QList<qint64> ticks;
    QElapsedTimer clock;
    clock.start();
    QObject::connect(w.ui().Timer[1], &QTimer::timeout, &w, [&] { ticks << clock.elapsed(); });
    ::kill(server.pid(), SIGSTOP);

    // Clicks that reach the server: the volume slider, record, stop, the play button.
    struct Step {
        const char *what;
        QWidget *target;
        std::function<bool()> done;
    };
    auto *slider = w.findChild<QSlider *>(QStringLiteral("sldVolume"));
    RecordingController &rec = w.recording().controller();
    MediaPlayer &player = w.playback().player();
    dialogs.answerMessage(Dialogs::Answer::Yes);
    dialogs.answerSave(QString());
    const Step steps[] = {
        {"volume", slider, [&] { return slider->value() < 65535; }},
        {"record", w.ui().XPButton[6], [&] { return rec.recording(); }},
        {"stop", w.ui().XPButton[8], [&] { return !rec.recording(); }},
        {"pause", w.ui().XPButton[18], [&] { return player.playState() == MediaPlayer::Paused; }},
    };
    qint64 tickingUntil = 0; // the stop pauses the track, and its lyrics with it
    for (const Step &step : steps) {
        QTest::qWait(300);
        if (step.target == w.ui().XPButton[8]) tickingUntil = clock.elapsed();
        QElapsedTimer answered;
        answered.start();
        if (step.target == slider)
            QTest::mouseClick(w.windowHandle(), Qt::LeftButton, Qt::NoModifier,
                              slider->mapTo(&w, QPoint(2, slider->height() / 2)));
        else
            click(w, step.target);
        EXPECT_TRUE(QTest::qWaitFor(step.done, 1000)) << step.what;
        EXPECT_LT(answered.elapsed(), 250) << step.what;
    }
    QTest::qWait(300);
    ::kill(server.pid(), SIGCONT);
    // The lyric timer (50 ms) kept its pace while the track played.
    while (!ticks.isEmpty() && ticks.last() > tickingUntil)
        ticks.removeLast();
    ASSERT_GT(ticks.size(), 12);
    qint64 longest = tickingUntil - ticks.last();
    for (int k = 1; k < ticks.size(); ++k)
        longest = std::max(longest, ticks[k] - ticks[k - 1]);
    EXPECT_LT(longest, 250) << "a lyric tick came late";
    w.close();
}

TEST_F(WindowOnXcb, NoTakeIsLostToAFailedSaveOrAClosedWindow) {
    fxtest::PulseServer server;
    ASSERT_TRUE(server.running()) << server.log();
    server.pactl("set-default-source lvxnull.monitor");
    const QString takes = home.file(QStringLiteral("takes"));
    const QByteArray audio = qgetenv("LYRAVOX_AUDIO");
    qunsetenv("LYRAVOX_AUDIO"); // the track's tone plays into the daemon's sink
    {
        MainWindow w(ctx);
        showAndPlay(w);
        // An unwritable folder first, then a good one: the second file holds the whole take.
        dialogs.answerMessage(Dialogs::Answer::Yes);
        dialogs.answerSave(home.file(QStringLiteral("no/such/folder/take")));
        dialogs.answerSave(home.file(QStringLiteral("second")));
        QElapsedTimer clock;
        clock.start();
        click(w, w.ui().XPButton[6]);
        ASSERT_TRUE(w.recording().controller().recording());
        QTest::qWait(1500);
        const double recorded = double(clock.elapsed()) / 1000.0;
        click(w, w.ui().XPButton[8]);
        EXPECT_TRUE(dialogs.messageTexts().contains(QStringLiteral("保存文件出现错误！")));
        const TakeContents saved = TakeContents::read(home.file(QStringLiteral("second.wav")));
        ASSERT_TRUE(saved.valid);
        EXPECT_NEAR(saved.seconds(), recorded, 0.1);
        EXPECT_NEAR(saved.frequency(0.1, saved.seconds() - 0.1), 440.0, 2.0);

        // The window closes in the middle of the next take.
        w.playback().controller().playSelected();
        dialogs.clear();
        dialogs.answerMessage(Dialogs::Answer::Yes);
        click(w, w.ui().XPButton[6]);
        ASSERT_TRUE(w.recording().controller().recording());
        QTest::qWait(1200);
        w.close();
    }
    qputenv("LYRAVOX_AUDIO", audio);
    const QStringList kept = QDir(takes).entryList(QDir::Files);
    ASSERT_EQ(kept.size(), 1);
    const TakeContents closed = TakeContents::read(takes + QLatin1Char('/') + kept[0]);
    ASSERT_TRUE(closed.valid);
    EXPECT_NEAR(closed.seconds(), 1.2, 0.15);
    EXPECT_GT(closed.peak(closed.seconds() - 0.4, closed.seconds()), 8000) << "to its last moment";

    // The next start says where it is.
    dialogs.clear();
    MainWindow again(ctx);
    again.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&again));
    ASSERT_FALSE(dialogs.messageTexts().isEmpty());
    EXPECT_TRUE(dialogs.messageTexts().at(0).startsWith(
        QStringLiteral("上次关闭程序时未保存的录音已保存为：")));
    EXPECT_TRUE(dialogs.messageTexts().at(0).contains(kept[0]));
    again.close();
}

} // namespace
