// The take as performed, end to end: libmpv plays a click track into a private PulseAudio null
// sink, and the "microphone" is that sink's monitor remapped as an ordinary source, so the
// voice hears the accompaniment. The saved mix must hold each click once (voice and
// accompaniment in step), the voice alone lies beside it, and a monitor device is saved as
// captured.
#include "click_track.h"
#include "controls_log.h"
#include "platform/pulse_audio_input.h"
#include "platform/pulse_output_capture.h"
#include "playback/mpv_media_player.h"
#include "pulse_server.h"
#include "recording/recording_controller.h"
#include "scripted_dialogs.h"
#include "take_analysis.h"
#include "temp_home.h"
#include "test_media.h"

#include <QFile>
#include <QTest>
#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>

namespace {

using namespace ClickTrack;

struct TakeMix : ::testing::Test {
    fxtest::PulseServer server;
    TempHome home;
    ScriptedDialogs dialogs;
    AppContext ctx{home.paths()};
    QString song;

    TakeMix() {
        ctx.dialogs = &dialogs;
        ctx.settings.ShowMixerOnRecord = 0;
        ctx.settings.ShowLevelMeter = 0;
        song = home.file(QStringLiteral("clicks.wav"));
    }

    // Records `seconds` over the song from `source` and saves the take as `name`.
    QString record(const QString &source, double seconds, TakeAccompaniment &accompaniment) {
        MpvMediaPlayer::Options o;
        o.audioOutput = QByteArrayLiteral("pulse");
        MpvMediaPlayer player(o);
        PulseAudioInput input;
        CaptureEngine engine(&input);
        ControlsLog view;
        RecordingController controller(ctx, player, engine, view);
        controller.sourceName = [source] { return source; };
        accompaniment.voiceTiming = [&engine](CaptureTiming &t) { return engine.timing(t); };
        controller.setAccompaniment(&accompaniment);
        EXPECT_TRUE(player.setFileName(song));
        player.play();
        EXPECT_TRUE(QTest::qWaitFor([&] { return player.currentPosition() > 0.3; }, 8000));
        dialogs.answerMessage(Dialogs::Answer::Yes);
        controller.startRecording();
        EXPECT_TRUE(controller.recording());
        QTest::qWait(int(seconds * 1000));
        const QString chosen = home.file(QStringLiteral("take"));
        dialogs.answerSave(chosen);
        controller.stop();
        EXPECT_EQ(player.fileName(), controller.takePath()) << "the mix is what 回放 plays";
        controller.setAccompaniment(nullptr);
        return controller.takePath();
    }
};

TEST_F(TakeMix, TheSavedTakeHoldsVoiceAndAccompanimentInStepWithTheVoiceBesideIt) {
    ASSERT_TRUE(server.running()) << server.log();
    server.pactl("load-module module-remap-source master=lvxnull.monitor source_name=lvxvoice");
    ASSERT_TRUE(writeClickTrack(song, 20.0));
    TakeAccompaniment accompaniment(std::make_unique<PulseOutputCapture>());
    const QString path = record(QStringLiteral("lvxvoice"), 5.0, accompaniment);
    ASSERT_EQ(path, home.file(QStringLiteral("take.wav")));

    const TakeContents mix = TakeContents::read(path);
    const TakeContents voice = TakeContents::read(home.file(QStringLiteral("take-voice.wav")));
    ASSERT_TRUE(mix.valid);
    ASSERT_TRUE(voice.valid) << "the voice alone lies beside the mix";
    ASSERT_EQ(mix.left.size(), voice.left.size());
    EXPECT_NEAR(voice.seconds(), 5.0, 0.3);
    // What the mix adds to the voice is the accompaniment as it was placed.
    const Parts parts = split(mix.left, voice.left);
    const std::vector<size_t> voiceClicks = onsets(parts.sung), mixClicks = onsets(parts.played);
    ASSERT_GE(voiceClicks.size(), 8u) << "the voice heard the clicks";
    ASSERT_GE(mixClicks.size(), voiceClicks.size() - 1) << "the accompaniment is in the mix";

    const long lag = correlationPeak(parts.sung, parts.played, long(0.2 * kRate));
    const double lagMs = 1000.0 * double(lag) / kRate;
    const std::vector<AlignPoint> &points = accompaniment.alignment();
    ASSERT_FALSE(points.empty());
    const double uncompensatedMs =
        1000.0 * double(points.front().voice - points.front().accompaniment) / kRate;
    std::printf("alignment: accompaniment %.2f ms from the voice; an uncompensated mix (first "
                "samples together) would be %.2f ms off; %zu alignment point(s)\n",
                lagMs, uncompensatedMs, points.size());
    RecordProperty("alignment_ms", std::to_string(lagMs));
    RecordProperty("uncompensated_ms", std::to_string(uncompensatedMs));
    EXPECT_LE(std::abs(lagMs), 5.0);
    // One click per beat in the mix, not two.
    EXPECT_EQ(onsets(parts.heard).size(), voiceClicks.size());
}

TEST_F(TakeMix, AMonitorDeviceIsSavedAsCapturedWithoutAVoiceFile) {
    ASSERT_TRUE(server.running()) << server.log();
    ASSERT_TRUE(TestMedia::writeWav(song, 20.0));
    TakeAccompaniment accompaniment(std::make_unique<PulseOutputCapture>());
    const QString path = record(QStringLiteral("lvxnull.monitor"), 2.0, accompaniment);
    const TakeContents take = TakeContents::read(path);
    ASSERT_TRUE(take.valid);
    EXPECT_FALSE(QFile::exists(home.file(QStringLiteral("take-voice.wav"))));
    // The music once, at its own level (0.5 of full scale), not doubled.
    EXPECT_NEAR(take.frequency(0.5, take.seconds() - 0.2), 440.0, 2.0);
    EXPECT_NEAR(take.peak(0.5, take.seconds() - 0.2), 16384, 600);
    EXPECT_TRUE(accompaniment.alignment().empty());
}

} // namespace
