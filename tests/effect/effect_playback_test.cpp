// Playback through a private PulseAudio daemon with null sinks, checked at the sink's monitor.
#include "fx_test_support.h"
#include "pulse_server.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sys/stat.h>
#include <thread>

using namespace fxtest;

namespace {

constexpr int kAllFormats = 0xFFFFF;

void sleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

class EffectPlayback : public ::testing::Test {
protected:
    void SetUp() override {
        if (!server.running()) GTEST_SKIP() << "pulseaudio did not start:\n" << server.log();
    }

    // 16-bit stereo at 44 100 Hz, `seconds` long; the last sample of second 2 is `marker`.
    std::vector<int16_t> makeSound(int seconds, int16_t marker = 12345) {
        const auto bytes = noise(size_t(seconds) * 44100 * 4, 77);
        std::vector<int16_t> s(bytes.size() / 2);
        for (size_t i = 0; i < s.size(); ++i)
            s[i] = static_cast<int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8)) / 4;
        if (seconds >= 2) s[2 * 44100 * 2 - 1] = marker;
        return s;
    }

    std::string writeSound(const std::vector<int16_t> &s) {
        const std::string path = dir.path("in.wav");
        writeFile(path, wavFile(2, 2, 44100, pcm16(s)));
        return path;
    }

    void writeSettings(const std::string &text) {
        mkdir(dir.path("config").c_str(), 0700);
        mkdir(dir.path("config/lyravox").c_str(), 0700);
        std::ofstream(dir.path("config/lyravox/effect.ini")) << text;
    }

    TempDir dir;
    Messages messages;
    PulseServer server{{"lvxnull", "lvxsecond"}};
};

// Plays seconds [1, 2) and returns what the first sink's monitor heard.
std::vector<int16_t> playSecondTwo(Fx &fx, const PulseServer &server) {
    MonitorRecorder recorder(server.server(), "lvxnull.monitor");
    EXPECT_TRUE(recorder.started());
    sleepMs(200);
    EXPECT_EQ(fx.call(LVX_DISPID_PLAY_FROM_TO, {i2(1), i2(2)}), 0);
    EXPECT_TRUE(fx.waitForEnd(LVX_END_PLAYBACK, 10));
    sleepMs(300);
    return recorder.stop();
}

} // namespace

TEST_F(EffectPlayback, APlayedRangeReachesTheSinkUnchanged) {
    const auto s = makeSound(3);
    Fx fx;
    ASSERT_EQ(fx.load(writeSound(s)), 0);
    const auto heard = playSecondTwo(fx, server);
    const std::vector<int16_t> range(s.begin() + 2 * 44100, s.begin() + 4 * 44100);
    const auto at = std::search(heard.begin(), heard.end(), range.begin(), range.end());
    ASSERT_NE(at, heard.end()) << "range not found in " << heard.size() << " captured samples";
    // 44 100 frames are not a whole number of 1024-frame buffers: the last buffer repeats
    // the range's last sample for its remaining 956 frames.
    const auto tail = at + long(range.size());
    ASSERT_GE(heard.end() - tail, 2 * 956 + 1);
    EXPECT_EQ(std::count(tail, tail + 2 * 956, int16_t(12345)), 2 * 956);
    EXPECT_NE(*(tail + 2 * 956), 12345);
    EXPECT_EQ(fx.ends(), (std::vector<int>{LVX_END_LOAD, LVX_END_PLAYBACK}));
}

TEST_F(EffectPlayback, TheBufferSizeSettingShapesTheLastBuffer) {
    const auto s = makeSound(3);
    const std::string path = writeSound(s);
    const std::vector<std::pair<const char *, int>> cases = {
        {"[BUFFER SIZES]\nFile_Playback=256\n", 256 - 44100 % 256},
        {"[BUFFER SIZES]\nFile_Playback=3000\n", 1024 - 44100 % 1024},
        {"[buffer sizes]\nfile_playback = 2048\n", 2048 - 44100 % 2048},
    };
    for (const auto &[settings, padFrames] : cases) {
        SCOPED_TRACE(settings);
        writeSettings(settings);
        Fx fx;
        ASSERT_EQ(fx.load(path), 0);
        const auto heard = playSecondTwo(fx, server);
        const int16_t *last = s.data() + 4 * 44100 - 2; // the range's last frame
        const auto at = std::search(heard.begin(), heard.end(), last, last + 2);
        ASSERT_NE(at, heard.end());
        EXPECT_EQ(std::count(at + 2, heard.end(), int16_t(12345)), 2 * padFrames);
    }
}

TEST_F(EffectPlayback, PlaybackEndsWithEndOfAction9AndStopThenAnswers908) {
    Fx fx;
    ASSERT_EQ(fx.load(writeSound(makeSound(1))), 0);
    fx.events.clear();
    EXPECT_EQ(fx.call(LVX_DISPID_PLAY), 0);
    EXPECT_TRUE(fx.inAction());
    EXPECT_EQ(fx.call(LVX_DISPID_AVERAGE), LVX_E_BUSY);
    ASSERT_TRUE(fx.waitForEnd(LVX_END_PLAYBACK, 10));
    EXPECT_FALSE(fx.inAction());
    EXPECT_EQ(fx.call(LVX_DISPID_STOP), LVX_E_NOT_PLAYING);
    sleepMs(100);
    EXPECT_EQ(fx.deliver(), 0);
    EXPECT_EQ(fx.ends(), std::vector<int>{LVX_END_PLAYBACK});
    // The guard is free again: FadeOut over no time changes nothing and answers 1.
    EXPECT_EQ(fx.call(LVX_DISPID_FADE_OUT, {i2(0)}), 1);
}

TEST_F(EffectPlayback, StopEndsPlaybackWithEndOfAction9) {
    Fx fx;
    ASSERT_EQ(fx.load(writeSound(makeSound(5))), 0);
    fx.events.clear();
    EXPECT_EQ(fx.call(LVX_DISPID_PLAY), 0);
    sleepMs(200);
    EXPECT_NE(server.pactl("list short sink-inputs").find("\t0\t"), std::string::npos);
    EXPECT_EQ(fx.call(LVX_DISPID_STOP), 0);
    EXPECT_EQ(fx.deliver(), 1);
    EXPECT_EQ(fx.ends(), std::vector<int>{LVX_END_PLAYBACK});
    EXPECT_EQ(fx.call(LVX_DISPID_STOP), LVX_E_NOT_PLAYING);
    sleepMs(100);
    EXPECT_EQ(server.pactl("list short sink-inputs"), "");
}

TEST_F(EffectPlayback, SetVolumeReachesThePlayingStream) {
    Fx fx;
    ASSERT_EQ(fx.load(writeSound(makeSound(5))), 0);
    EXPECT_EQ(fx.call(LVX_DISPID_SET_VOLUME, {i2(20), i2(40)}), 0);
    EXPECT_EQ(fx.call(LVX_DISPID_PLAY), 0);
    sleepMs(200);
    std::string inputs = server.pactl("list sink-inputs");
    EXPECT_NE(inputs.find("front-left: 13100 "), std::string::npos) << inputs;
    EXPECT_NE(inputs.find("front-right: 26200 "), std::string::npos) << inputs;
    EXPECT_EQ(fx.call(LVX_DISPID_SET_VOLUME, {i2(50), i2(100)}), 0);
    sleepMs(200);
    inputs = server.pactl("list sink-inputs");
    EXPECT_NE(inputs.find("front-left: 32750 "), std::string::npos) << inputs;
    EXPECT_NE(inputs.find("front-right: 65500 "), std::string::npos) << inputs;
    EXPECT_EQ(fx.call(LVX_DISPID_STOP), 0);
}

TEST_F(EffectPlayback, AFreshControlPlaysAtTheServersVolume) {
    const std::string path = writeSound(makeSound(3));
    {
        Fx fx;
        EXPECT_EQ(fx.call(LVX_DISPID_SET_VOLUME, {i2(10), i2(10)}), 0);
    }
    Fx fx;
    ASSERT_EQ(fx.load(path), 0);
    EXPECT_EQ(fx.call(LVX_DISPID_PLAY), 0);
    sleepMs(200);
    const std::string inputs = server.pactl("list sink-inputs");
    EXPECT_NE(inputs.find("front-left: 65536 "), std::string::npos) << inputs;
    EXPECT_EQ(fx.call(LVX_DISPID_STOP), 0);
}

TEST_F(EffectPlayback, TheOutputDeviceSettingPicksTheSink) {
    const std::string path = writeSound(makeSound(3));
    const std::vector<std::pair<const char *, const char *>> cases = {
        {"[RTDSP]\nOutput_Device=1\n", "\t1\t"},
        {"[RTDSP]\nOutput_Device=5\n", "\t0\t"},
        {"[RTDSP]\nOutput_Device=-1\n", "\t0\t"},
        {"", "\t0\t"},
    };
    for (const auto &[settings, sinkColumn] : cases) {
        SCOPED_TRACE(settings);
        writeSettings(settings);
        Fx fx;
        ASSERT_EQ(fx.load(path), 0);
        EXPECT_EQ(fx.call(LVX_DISPID_PLAY), 0);
        sleepMs(150);
        const std::string inputs = server.pactl("list short sink-inputs");
        EXPECT_NE(inputs.find(sinkColumn), std::string::npos) << inputs;
        EXPECT_EQ(fx.call(LVX_DISPID_STOP), 0);
    }
}

TEST_F(EffectPlayback, GetDevParamReportsTheSinks) {
    Fx fx;
    EXPECT_EQ(fx.call(LVX_DISPID_GET_DEV_PARAM, {i2(-1)}), kAllFormats);
    EXPECT_EQ(fx.call(LVX_DISPID_GET_DEV_PARAM, {i2(1)}), kAllFormats);
    EXPECT_EQ(fx.call(LVX_DISPID_GET_DEV_PARAM, {i2(2)}), -1);
    EXPECT_EQ(fx.call(LVX_DISPID_GET_DEV_PARAM, {i2(-2)}), -1);
}

TEST(EffectPlaybackWithoutServer, DeviceCodesComeAtOnce) {
    TempDir dir;
    Messages messages;
    setenv("PULSE_SERVER", ("unix:" + dir.path("no-server")).c_str(), 1);
    writeFile(dir.path("in.wav"), wavFile(2, 2, 44100, noise(4 * 44100 * 2)));
    Fx fx;
    ASSERT_EQ(fx.load(dir.path("in.wav")), 0);
    fx.events.clear();
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(fx.call(LVX_DISPID_PLAY), LVX_E_DEV_NO_DRIVER);
    // PlayFromTo reports it too: a caller waiting for EndOfAction(9) would wait for ever.
    EXPECT_EQ(fx.call(LVX_DISPID_PLAY_FROM_TO, {i2(0), i2(1)}), LVX_E_DEV_NO_DRIVER);
    EXPECT_EQ(fx.call(LVX_DISPID_GET_DEV_PARAM, {i2(-1)}), -1);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(3));
    // Nothing played, so nothing ended, and nothing holds the action guard.
    EXPECT_EQ(fx.call(LVX_DISPID_STOP), LVX_E_NOT_PLAYING);
    EXPECT_EQ(fx.deliver(), 0);
    EXPECT_EQ(fx.call(LVX_DISPID_FADE_OUT, {i2(0)}), 1);
    unsetenv("PULSE_SERVER");
}

TEST(EffectPlaybackWithoutSink, AServerWithoutSinksGivesTheDeviceCode) {
    TempDir dir;
    PulseServer server{{}};
    if (!server.running()) GTEST_SKIP() << "pulseaudio did not start:\n" << server.log();
    writeFile(dir.path("in.wav"), wavFile(1, 1, 8000, noise(8000)));
    Fx fx;
    ASSERT_EQ(fx.load(dir.path("in.wav")), 0);
    fx.events.clear();
    EXPECT_EQ(fx.call(LVX_DISPID_PLAY), LVX_E_DEV_NO_DRIVER);
    EXPECT_EQ(fx.call(LVX_DISPID_PLAY_FROM_TO, {i2(0), i2(1)}), LVX_E_DEV_NO_DRIVER);
    EXPECT_EQ(fx.call(LVX_DISPID_GET_DEV_PARAM, {i2(-1)}), -1);
    EXPECT_EQ(fx.call(LVX_DISPID_STOP), LVX_E_NOT_PLAYING);
    EXPECT_EQ(fx.deliver(), 0);
    EXPECT_EQ(fx.call(LVX_DISPID_FADE_OUT, {i2(0)}), 1);
}
