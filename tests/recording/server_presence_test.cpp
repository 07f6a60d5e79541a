// The sound server coming and going under a running player, against a private PulseAudio
// daemon: after a crash and restart, or a server that starts after the player, the sources come
// back and the level monitor and the recording capture again within 5 s; devices loaded and
// unloaded appear and disappear; a take's length is the time it recorded.
#include "platform/pulse_audio_input.h"
#include "pulse_server.h"
#include "recording/capture_engine.h"
#include "recording/input_monitor.h"
#include "recording/wave_in_recorder.h"

#include <QElapsedTimer>
#include <QTest>
#include <atomic>
#include <gtest/gtest.h>

namespace {

bool hasSource(AudioInput &input, const QString &name) {
    for (const AudioSourceInfo &s : input.sources())
        if (s.name == name) return true;
    return false;
}

// The monitor kept running as the level meter keeps it, until it reads a loud block.
bool monitorHearsTone(InputMonitor &monitor, const QString &source, int withinMs) {
    int16_t latest[1024];
    return QTest::qWaitFor(
        [&] {
            monitor.keepRunning(source);
            if (monitor.latest(latest, 1024, false) != InputMonitor::Read::Ready) return false;
            int peak = 0;
            for (int16_t s : latest)
                peak = std::max(peak, std::abs(int(s)));
            return peak > 1000;
        },
        withinMs);
}

TEST(ServerPresence, MeterAndRecordingComeBackAfterARestartOrALateStart) {
    enum class Way { Restart, LateStart };
    for (Way way : {Way::Restart, Way::LateStart}) {
        SCOPED_TRACE(int(way));
        fxtest::PulseServer server;
        ASSERT_TRUE(server.running()) << server.log();
        if (way == Way::LateStart) server.kill();
        PulseAudioInput input(way == Way::LateStart ? 0 : 2000, 200);
        std::atomic<int> changes{0};
        input.setChangeListener([&] { ++changes; });
        CaptureEngine engine(&input);
        InputMonitor monitor(&input, &engine);
        const QString sine = QStringLiteral("lvxsine");
        if (way == Way::Restart) {
            server.pactl("load-module module-sine-source source_name=lvxsine frequency=440");
            ASSERT_TRUE(monitorHearsTone(monitor, sine, 5000));
            server.kill();
            ASSERT_TRUE(QTest::qWaitFor([&] { return !input.available(); }, 2000));
            EXPECT_TRUE(input.sources().isEmpty());
            EXPECT_FALSE(input.unavailableReason().isEmpty());
        } else {
            EXPECT_FALSE(input.available());
        }
        const int before = changes;
        QElapsedTimer back;
        back.start();
        ASSERT_TRUE(server.restart()) << server.log();
        server.pactl("load-module module-sine-source source_name=lvxsine frequency=440");
        ASSERT_TRUE(QTest::qWaitFor([&] { return hasSource(input, sine); }, 5000));
        EXPECT_GT(changes.load(), before) << "the window hears of the change";
        EXPECT_TRUE(monitorHearsTone(monitor, sine, int(5000 - back.elapsed())));
        monitor.pause();
        engine.setup(5.0, 10);
        ASSERT_TRUE(engine.start(sine));
        EXPECT_TRUE(QTest::qWaitFor([&] { return engine.buffer()->readPosition() > 17640; },
                                    int(5000 - back.elapsed())));
        EXPECT_LT(back.elapsed(), 5000);
        engine.release();
    }
}

TEST(ServerPresence, DevicesPluggedInAndRemovedAppearAndDisappear) {
    fxtest::PulseServer server;
    ASSERT_TRUE(server.running()) << server.log();
    PulseAudioInput input;
    WaveInRecorder recorder(&input);
    const int before = recorder.DeviceCount();
    const std::string module =
        server.pactl("load-module module-null-source source_name=lvxplugged");
    ASSERT_TRUE(QTest::qWaitFor([&] { return recorder.DeviceCount() == before + 1; }, 2000));
    EXPECT_TRUE(hasSource(input, QStringLiteral("lvxplugged")));
    server.pactl("unload-module " + module);
    ASSERT_TRUE(QTest::qWaitFor([&] { return recorder.DeviceCount() == before; }, 2000));
    EXPECT_FALSE(hasSource(input, QStringLiteral("lvxplugged")));
}

TEST(ServerPresence, ATakeHoldsTheTimeItRecordedToTwentyMilliseconds) {
    fxtest::PulseServer server;
    ASSERT_TRUE(server.running()) << server.log();
    PulseAudioInput input;
    CaptureEngine engine(&input);
    // A null sink's monitor runs at the pace of the clock (a sine source hands out seconds
    // ahead).
    for (int ms : {700, 2300}) {
        engine.setup(10.0, 10);
        QElapsedTimer clock;
        clock.start();
        ASSERT_TRUE(engine.start(QStringLiteral("lvxnull.monitor")));
        QTest::qWait(ms);
        const double recorded = double(clock.nsecsElapsed()) / 1e9; // the stop command
        engine.stop();
        const double taken = double(engine.buffer()->readPosition()) / 176400.0;
        EXPECT_NEAR(taken, recorded, 0.020) << ms;
        engine.release();
    }
}

} // namespace
