// The live key heard at a private PulseAudio's null sink: real libmpv plays a 440 Hz track,
// keys typed on the windows move it by semitones while it plays, and the sink's monitor is
// measured for the new pitch, how soon it comes and whether the track ran on.
#include "app/main_window.h"
#include "lyrics/frm_lrc.h"
#include "lyrics/lyric_window_controller.h"
#include "platform/qt_dialogs.h"
#include "playback/live_key.h"
#include "playback/media_player.h"
#include "playback/playback_widgets.h"
#include "playlist/playlist_controller.h"
#include "pulse_server.h"
#include "real_input.h"
#include "temp_home.h"
#include "test_media.h"
#include "wait_for.h"

#include <QElapsedTimer>
#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace {

constexpr double kRate = 44100.0;

double cents(double hz, double reference) {
    return 1200.0 * std::log2(hz / reference);
}

// The left channel's frequency over frames [from, to): rising zero crossings placed by linear
// interpolation, whole periods between the first and the last. 0 when there are fewer than two.
double frequency(const std::vector<int16_t> &stereo, size_t from, size_t to) {
    to = std::min(to, stereo.size() / 2);
    double first = -1, last = -1;
    int periods = -1;
    for (size_t i = from + 1; i < to; ++i) {
        const double a = stereo[2 * (i - 1)], b = stereo[2 * i];
        if (a < 0 && b >= 0) {
            const double at = double(i - 1) + (-a) / (b - a);
            if (first < 0) first = at;
            last = at;
            ++periods;
        }
    }
    return periods > 0 ? periods * kRate / (last - first) : 0.0;
}

// Seconds from frame `press` until the sound settles within 15 cents of `hz` (the end of the
// first 512-frame window that does, and every window of the next 300 ms with it); -1 if never.
double latency(const std::vector<int16_t> &stereo, size_t press, double hz) {
    const size_t window = 512, step = 32, hold = size_t(0.3 * kRate);
    const size_t end = stereo.size() / 2;
    for (size_t w = press; w + window + hold < end; w += step) {
        bool settled = true;
        for (size_t v = w; v <= w + hold && settled; v += window / 2)
            settled = std::abs(cents(frequency(stereo, v, v + window), hz)) < 15.0;
        if (settled) return double(w + window - press) / kRate;
    }
    return -1.0;
}

double cpuSeconds() {
    rusage use{};
    getrusage(RUSAGE_SELF, &use);
    return double(use.ru_utime.tv_sec + use.ru_stime.tv_sec) +
           double(use.ru_utime.tv_usec + use.ru_stime.tv_usec) / 1e6;
}

class LiveKeySession : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_media = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(TestMedia::writeWav(track(0), 40.0, 2, 44100, 440.0, 440.0));
        ASSERT_TRUE(TestMedia::writeWav(track(1), 40.0, 2, 44100, 330.0, 330.0));
    }
    static void TearDownTestSuite() { s_media.reset(); }
    static QString track(int k) { return s_media->path() + QStringLiteral("/tone%1.wav").arg(k); }

    void SetUp() override {
        if (!server.running()) GTEST_SKIP() << "pulseaudio did not start:\n" << server.log();
        // The sound goes to the private server, not to the tests' null output.
        m_audio = qgetenv("LYRAVOX_AUDIO");
        qunsetenv("LYRAVOX_AUDIO");
        ctx.dialogs = &dialogs;
        QFile lrc(s_media->path() + QStringLiteral("/tone0.lrc"));
        ASSERT_TRUE(lrc.open(QIODevice::WriteOnly));
        lrc.write("[00:00.50]line 1\r\n[00:03.00]line 2\r\n[00:06.00]line 3\r\n");
        lrc.close();
        home.write(QStringLiteral("List.lvx"),
                   ">0\r\n\"" + track(0).toUtf8() + "\"\r\n\"" + track(1).toUtf8() + "\"\r\n");
        window = std::make_unique<MainWindow>(ctx);
        ASSERT_NO_FATAL_FAILURE(showActive(window.get()));
        ASSERT_TRUE(waitFor([this] {
            return player().playState() == MediaPlayer::Playing &&
                   window->playlist().model().CurrentIndex == 0;
        }));
    }
    void TearDown() override {
        window.reset();
        if (!m_audio.isNull()) qputenv("LYRAVOX_AUDIO", m_audio);
    }

    MediaPlayer &player() { return window->playback().player(); }
    QString keyLabel() { return window->ui().lblKey->text(); }
    void press(QWidget *w, Qt::Key key) {
        QTest::keyClick(w->windowHandle(), key, Qt::ControlModifier);
    }

    static std::unique_ptr<QTemporaryDir> s_media;
    fxtest::PulseServer server;
    QByteArray m_audio;
    TempHome home;
    QtDialogs dialogs;
    AppContext ctx{home.paths()};
    std::unique_ptr<MainWindow> window;
};

std::unique_ptr<QTemporaryDir> LiveKeySession::s_media;

TEST_F(LiveKeySession, TwoSemitonesUpAreHeardAtOnceWhileTheTrackRunsOn) {
    QTest::qWait(800);
    fxtest::MonitorRecorder monitor(server.server(), "lvxnull.monitor");
    ASSERT_TRUE(monitor.started());
    QTest::qWait(700);

    const double before = player().currentPosition();
    const size_t up = monitor.frames();
    press(window.get(), Qt::Key_Up);
    press(window.get(), Qt::Key_Up);
    EXPECT_EQ(keyLabel(), QStringLiteral("音调 +2"));
    EXPECT_EQ(player().pitchSemitones(), 2);

    // The key set: what playing costs this process (sanitizers included).
    QTest::qWait(300);
    const double cpu0 = cpuSeconds();
    QElapsedTimer clock;
    clock.start();
    QTest::qWait(1200);
    const double cpuShifted = (cpuSeconds() - cpu0) / (clock.nsecsElapsed() / 1e9);
    const double after = player().currentPosition();
    EXPECT_GT(after, before + 1.3) << "the track ran on";
    EXPECT_LT(after, before + 1.8) << "without a jump";
    EXPECT_EQ(player().playState(), MediaPlayer::Playing);

    const size_t back = monitor.frames();
    press(window.get(), Qt::Key_0);
    EXPECT_EQ(keyLabel(), QString());
    QTest::qWait(300);
    const double cpu1 = cpuSeconds();
    clock.restart();
    QTest::qWait(1200);
    const double cpuPlain = (cpuSeconds() - cpu1) / (clock.nsecsElapsed() / 1e9);
    const std::vector<int16_t> heard = monitor.stop();
    EXPECT_GT(player().currentPosition(), after + 1.3);

    const double target = 440.0 * std::pow(2.0, 2.0 / 12.0); // 493.88 Hz
    const double upLatency = latency(heard, up, target);
    const double backLatency = latency(heard, back, 440.0);
    const double upHz = frequency(heard, up + size_t(0.5 * kRate), up + size_t(1.0 * kRate));
    const double backHz = frequency(heard, back + size_t(0.5 * kRate), back + size_t(1.0 * kRate));
    std::printf("live key: +2 at %.3f Hz (%+.2f cents) after %.0f ms; back at %.3f Hz "
                "(%+.2f cents) after %.0f ms; process CPU %.1f %% shifted, %.1f %% plain\n",
                upHz, cents(upHz, target), upLatency * 1000, backHz, cents(backHz, 440.0),
                backLatency * 1000, cpuShifted * 100, cpuPlain * 100);
    EXPECT_NEAR(cents(upHz, target), 0.0, 5.0);
    EXPECT_NEAR(cents(backHz, 440.0), 0.0, 5.0);
    EXPECT_GE(upLatency, 0.0);
    EXPECT_LE(upLatency, 0.150);
    EXPECT_GE(backLatency, 0.0);
    EXPECT_LE(backLatency, 0.150);
}

TEST_F(LiveKeySession, EachTrackComesBackInItsKeyAlsoInTheFullScreenWindow) {
    press(window.get(), Qt::Key_Up);
    press(window.get(), Qt::Key_Up);
    ASSERT_EQ(player().pitchSemitones(), 2);

    window->playback().controller().next();
    ASSERT_TRUE(waitFor([this] {
        return window->playlist().model().CurrentIndex == 1 &&
               player().playState() == MediaPlayer::Playing;
    }));
    EXPECT_EQ(player().pitchSemitones(), 0) << "another track starts in its own key";
    EXPECT_EQ(keyLabel(), QString());

    window->playback().controller().previous();
    ASSERT_TRUE(waitFor([this] {
        return window->playlist().model().CurrentIndex == 0 &&
               player().playState() == MediaPlayer::Playing;
    }));
    EXPECT_EQ(player().pitchSemitones(), 2);
    EXPECT_EQ(keyLabel(), QStringLiteral("音调 +2"));

    // The full-screen lyric window shows the key and takes the same keys.
    window->ui().action("mnuLrcVSH")->trigger();
    ASSERT_TRUE(waitFor([this] {
        FrmLrc *w = window->lyricWindow().window();
        return w && w->isVisible() && QTest::qWaitForWindowExposed(w, 10);
    }));
    FrmLrc *full = window->lyricWindow().window();
    EXPECT_TRUE(full->lblKey->isVisible());
    EXPECT_EQ(full->lblKey->text(), QStringLiteral("音调 +2"));
    press(full, Qt::Key_Down);
    EXPECT_EQ(player().pitchSemitones(), 1);
    EXPECT_EQ(full->lblKey->text(), QStringLiteral("音调 +1"));
    EXPECT_EQ(keyLabel(), QStringLiteral("音调 +1"));
    press(full, Qt::Key_0);
    EXPECT_FALSE(full->lblKey->isVisible());
    EXPECT_EQ(player().pitchSemitones(), 0);

    // The menu items, and the key kept in the home folder for the next run.
    window->ui().action("mnuKeyDown")->trigger();
    window->ui().action("mnuKeyDown")->trigger();
    window->ui().action("mnuKeyUp")->trigger();
    EXPECT_EQ(player().pitchSemitones(), -1);
    EXPECT_EQ(window->liveKey().remembered(track(0)), -1);
    EXPECT_EQ(window->liveKey().remembered(track(1)), 0);
}

} // namespace
