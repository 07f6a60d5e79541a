// Recording with the real parts: libmpv plays a 440 Hz track into a private PulseAudio null
// sink, and the capture engine records the sink's monitor.
#include "controls_log.h"
#include "platform/pulse_audio_input.h"
#include "playback/mpv_media_player.h"
#include "pulse_server.h"
#include "recording/recording_controller.h"
#include "scripted_dialogs.h"
#include "take_analysis.h"
#include "temp_home.h"
#include "test_media.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

struct LivePulse : ::testing::Test {
    fxtest::PulseServer server;
    TempHome home;
    ScriptedDialogs dialogs;
    AppContext ctx{home.paths()};
    QString song;

    LivePulse() {
        ctx.dialogs = &dialogs;
        ctx.settings.ShowMixerOnRecord = 0;
        song = home.file(QStringLiteral("tone.wav"));
        TestMedia::writeWav(song, 20.0);
    }
    static MpvMediaPlayer::Options toPulse() {
        MpvMediaPlayer::Options o;
        o.audioOutput = QByteArrayLiteral("pulse");
        return o;
    }
    // Opens the song and lets it play for a moment.
    void playSong(MpvMediaPlayer &player) {
        ASSERT_TRUE(player.setFileName(song));
        player.play();
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                return player.playState() == MediaPlayer::Playing && player.currentPosition() > 0.5;
            },
            8000));
    }
};

TEST_F(LivePulse, ATakeOverTheTrackHoldsItsToneForTheRecordedTime) {
    ASSERT_TRUE(server.running()) << server.log();
    MpvMediaPlayer player(toPulse());
    ASSERT_TRUE(player.isValid());
    PulseAudioInput input;
    ASSERT_TRUE(input.available());
    CaptureEngine engine(&input);
    ControlsLog view;
    RecordingController controller(ctx, player, engine, view);
    controller.sourceName = [] { return QStringLiteral("lvxnull.monitor"); };
    playSong(player);

    dialogs.answerMessage(Dialogs::Answer::Yes);
    QElapsedTimer clock;
    clock.start();
    controller.startRecording();
    ASSERT_TRUE(controller.recording());
    EXPECT_NEAR(controller.recordSeconds(), 20.0 - 0.5 + 1.0, 0.6);
    QTest::qWait(3000);
    const QString chosen = home.file(QStringLiteral("take"));
    dialogs.answerSave(chosen);
    controller.stop();
    const double recorded = double(clock.elapsed()) / 1000.0;
    ASSERT_EQ(controller.takePath(), chosen + QStringLiteral(".wav"));

    const TakeContents take = TakeContents::read(controller.takePath());
    ASSERT_TRUE(take.valid);
    EXPECT_EQ(take.rate, 44100);
    EXPECT_EQ(take.channels, 2);
    EXPECT_NEAR(take.seconds(), recorded, 0.2);
    EXPECT_NEAR(take.frequency(0.5, take.seconds() - 0.2), 440.0, 2.0);
    EXPECT_GT(take.peak(0.5, 2.5), 8000);
    EXPECT_EQ(player.fileName(), controller.takePath()) << "the take is loaded for playback";
}

TEST_F(LivePulse, AServerThatGoesAwayEndsTheTakeAndKeepsWhatWasCaptured) {
    ASSERT_TRUE(server.running()) << server.log();
    ctx.settings.ShowLevelMeter = 0;
    MpvMediaPlayer player(MpvMediaPlayer::Options::fromEnvironment()); // null output
    PulseAudioInput input;
    CaptureEngine engine(&input);
    ControlsLog view;
    RecordingController controller(ctx, player, engine, view);
    server.pactl("load-module module-sine-source source_name=lvxsine frequency=440");
    controller.sourceName = [] { return QStringLiteral("lvxsine"); };
    playSong(player);
    dialogs.answerMessage(Dialogs::Answer::Yes);
    controller.startRecording();
    ASSERT_TRUE(controller.recording());
    QTest::qWait(1500);
    const QString chosen = home.file(QStringLiteral("rescued"));
    dialogs.answerSave(chosen);
    server.pactl("exit");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !controller.recording(); }, 5000));
    EXPECT_EQ(dialogs.messageTexts().last(),
              QStringLiteral("与声音服务器的连接已断开，录音已停止。已录下的部分可以保存。"));
    const TakeContents take = TakeContents::read(chosen + QStringLiteral(".wav"));
    ASSERT_TRUE(take.valid);
    EXPECT_GT(take.seconds(), 1.0);
    EXPECT_NEAR(take.frequency(0.2, take.seconds() - 0.1), 440.0, 2.0);
    // Recording is unavailable now and says why; playback is untouched.
    controller.clearTakeMode();
    controller.onTrackLoaded();
    EXPECT_FALSE(view.recordEnabled);
    EXPECT_TRUE(view.recordTip.startsWith(QStringLiteral("录音不可用：")))
        << view.recordTip.toStdString();
    ASSERT_TRUE(player.setFileName(song));
    player.play();
    EXPECT_TRUE(QTest::qWaitFor([&] { return player.playState() == MediaPlayer::Playing; }, 5000));
}

TEST_F(LivePulse, AFullCaptureBufferEndsTheCaptureWithEveryByteKept) {
    ASSERT_TRUE(server.running()) << server.log();
    server.pactl("load-module module-sine-source source_name=lvxsine frequency=440");
    PulseAudioInput input;
    CaptureEngine engine(&input);
    const CaptureSetup::Plan plan = engine.setup(0.25, 10); // 3.25 s of buffer
    EXPECT_EQ(plan.bytes, size_t(3.25 * 176400));
    QSignalSpy ended(&engine, &CaptureEngine::captureEnded);
    ASSERT_TRUE(engine.start(QStringLiteral("lvxsine")));
    EXPECT_TRUE(engine.capturing());
    ASSERT_TRUE(ended.wait(8000));
    EXPECT_EQ(engine.endReason(), CaptureEngine::End::Full);
    EXPECT_FALSE(engine.capturing());
    ASSERT_NE(engine.buffer(), nullptr);
    EXPECT_EQ(engine.buffer()->readPosition(), engine.buffer()->size());
    int16_t latest[2048];
    EXPECT_EQ(engine.buffer()->latestSamples(latest, 2048), 2048u);
    int peak = 0;
    for (int16_t s : latest)
        peak = std::max(peak, std::abs(int(s)));
    EXPECT_GT(peak, 1000);
    EXPECT_EQ(ended.count(), 1);
}

} // namespace
