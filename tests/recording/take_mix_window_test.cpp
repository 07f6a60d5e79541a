// The take as performed on the real main window, driven by pointer events through the xcb
// platform: the default source is the null sink's monitor remapped as an ordinary source, so
// the "microphone" hears the click track libmpv plays. Ten seconds are recorded with the record
// and stop buttons; the saved take holds each click once, the voice lies beside it, and 回放
// plays the mix.
#include "app/main_window.h"
#include "click_track.h"
#include "playback/playback_widgets.h"
#include "pulse_server.h"
#include "recording/recording_widgets.h"
#include "recording/take_accompaniment.h"
#include "recording/take_file.h"
#include "scripted_dialogs.h"
#include "take_analysis.h"
#include "temp_home.h"
#include "widgets/xp_button.h"
#include "window_playing.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <QWindow>
#include <cstdio>
#include <gtest/gtest.h>

namespace {

using namespace ClickTrack;

void click(QWidget &window, QWidget *target) {
    const QPoint at = target->mapTo(&window, target->rect().center());
    QTest::mouseMove(window.windowHandle(), at);
    QTest::mouseClick(window.windowHandle(), Qt::LeftButton, Qt::NoModifier, at);
}

TEST(TakeMixWindow, TenSecondsOverAClickTrackAreSavedInStepWithTheVoiceBeside) {
    fxtest::PulseServer server;
    ASSERT_TRUE(server.running()) << server.log();
    server.pactl("load-module module-remap-source master=lvxnull.monitor source_name=lvxvoice");
    server.pactl("set-default-source lvxvoice");
    TempHome home;
    ScriptedDialogs dialogs;
    AppContext ctx{home.paths()};
    ctx.dialogs = &dialogs;
    ctx.settings.ShowMixerOnRecord = 0;
    const QString song = home.file(QStringLiteral("clicks.wav"));
    ASSERT_TRUE(writeClickTrack(song, 30.0));
    ctx.startupCommandLine = song;
    const QByteArray audio = qgetenv("LYRAVOX_AUDIO");
    qunsetenv("LYRAVOX_AUDIO"); // the track plays into the daemon's sink
    MainWindow w(ctx);
    qputenv("LYRAVOX_AUDIO", audio);
    ASSERT_EQ(w.recording().recorder().SelectedSourceName(), QStringLiteral("lvxvoice"));
    ASSERT_NO_FATAL_FAILURE(showAndPlay(w));
    MediaPlayer &player = w.playback().player();

    XPButton *record = w.ui().XPButton[6], *playTake = w.ui().XPButton[7],
             *stop = w.ui().XPButton[8];
    dialogs.answerMessage(Dialogs::Answer::Yes);
    const QString chosen = home.file(QStringLiteral("performance"));
    dialogs.answerSave(chosen);
    click(w, record);
    ASSERT_TRUE(w.recording().controller().recording());
    QTest::qWait(3000);
    // The accompaniment streams to its spool beside the voice's while the take runs.
    const QDir spools(TakeSpool::folder(ctx.paths.temp()));
    const QStringList found =
        spools.entryList({TakeAccompaniment::spoolKind() + QStringLiteral("-*.wav")}, QDir::Files);
    ASSERT_EQ(found.size(), 1);
    const QString spool = spools.filePath(found.first());
    EXPECT_GT(QFileInfo(spool).size(), 44 + 176400) << "at least a second of it is safe";
    QTest::qWait(7000);
    click(w, stop);
    ASSERT_FALSE(w.recording().controller().recording());
    EXPECT_FALSE(QFile::exists(spool)) << "a saved take leaves no spool";

    const QString take = chosen + QStringLiteral(".wav");
    const TakeContents mix = TakeContents::read(take);
    const TakeContents voice = TakeContents::read(chosen + QStringLiteral("-voice.wav"));
    ASSERT_TRUE(mix.valid);
    ASSERT_TRUE(voice.valid) << "the voice alone lies beside the take";
    EXPECT_NEAR(mix.seconds(), 10.0, 0.5);
    const Parts parts = split(mix.left, voice.left);
    const std::vector<size_t> beats = onsets(parts.sung);
    ASSERT_GE(beats.size(), 18u) << "the voice heard the clicks";
    const double lagMs =
        1000.0 * double(correlationPeak(parts.sung, parts.played, long(0.2 * kRate))) / kRate;
    std::printf("window take: accompaniment %.2f ms from the voice\n", lagMs);
    EXPECT_LE(std::abs(lagMs), 5.0);
    EXPECT_EQ(onsets(parts.heard).size(), beats.size()) << "one click per beat, not two";

    // 回放 plays the mix.
    click(w, playTake);
    EXPECT_TRUE(QTest::qWaitFor([&] { return player.playState() == MediaPlayer::Playing; }, 5000));
    EXPECT_EQ(player.fileName(), take);
    click(w, stop);
    w.close();
}

} // namespace
