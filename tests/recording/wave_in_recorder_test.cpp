// clsRecorder against a scripted server (ports, the selected line, failures) and against a
// private PulseAudio daemon (sources, the default source, volumes, buffered capture, no server).
#include "fake_audio_input.h"
#include "platform/pulse_audio_input.h"
#include "pulse_server.h"
#include "recording/wave_in_recorder.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

AudioSourceInfo source(uint32_t index, const char *name, const char *description,
                       QStringList ports = {}, QString active = {},
                       QList<uint32_t> volumes = {65536, 65536}) {
    AudioSourceInfo s;
    s.index = index;
    s.name = QString::fromUtf8(name);
    s.description = QString::fromUtf8(description);
    s.monitor = s.name.endsWith(QStringLiteral(".monitor"));
    s.portNames = ports;
    for (const QString &p : ports)
        s.portDescriptions << p.toUpper();
    s.activePort = active;
    s.channelVolumes = volumes;
    return s;
}

struct ScriptedServer : ::testing::Test {
    FakeAudioInput input;
    WaveInRecorder recorder{&input};
    ScriptedServer() {
        input.list = {
            source(3, "out.monitor", "Monitor of Speakers"),
            source(7, "mic", "Microphone",
                   {QStringLiteral("mic"), QStringLiteral("line"), QStringLiteral("headset")},
                   QStringLiteral("line"), {30000, 10000})};
        input.defaultSource = QStringLiteral("mic");
    }
};

TEST_F(ScriptedServer, DevicesAreTheSourcesAndTheDefaultIsTheServersDefault) {
    EXPECT_EQ(recorder.DeviceCount(), 2);
    EXPECT_EQ(recorder.DeviceName(0), QStringLiteral("Monitor of Speakers"));
    EXPECT_EQ(recorder.DeviceName(1), QStringLiteral("Microphone"));
    EXPECT_EQ(recorder.DeviceName(2), QString());
    EXPECT_EQ(recorder.DeviceName(-1), QString());
    EXPECT_EQ(recorder.DefaultDevice(), 1);
    EXPECT_EQ(recorder.SelectedDevice(), -1);
    // Nothing selected: every line member answers "none".
    EXPECT_EQ(recorder.MixerLineCount(), 0);
    EXPECT_EQ(recorder.MixerLineName(0), QString());
    EXPECT_FALSE(recorder.SelectMixerLine(0));
    EXPECT_EQ(recorder.MixerLineVolume(), 0);
    EXPECT_FALSE(recorder.setMixerLineVolume(100));
    EXPECT_EQ(recorder.SelectedSourceName(), QString());
    EXPECT_FALSE(recorder.StartRecord(44100, 2));

    ASSERT_TRUE(recorder.SelectDevice(1));
    // Out of range keeps the selection.
    EXPECT_FALSE(recorder.SelectDevice(2));
    EXPECT_FALSE(recorder.SelectDevice(-1));
    EXPECT_EQ(recorder.SelectedDevice(), 1);
    EXPECT_EQ(recorder.SelectedSourceName(), QStringLiteral("mic"));
}

TEST_F(ScriptedServer, LinesAreThePortsAndTheSelectedLineIsTheActivePort) {
    ASSERT_TRUE(recorder.SelectDevice(1));
    EXPECT_EQ(recorder.MixerLineCount(), 3);
    EXPECT_EQ(recorder.MixerLineName(2), QStringLiteral("HEADSET"));
    EXPECT_EQ(recorder.MixerLineName(3), QString());
    EXPECT_EQ(recorder.SelectedMixerLine(), 1);
    EXPECT_TRUE(recorder.SelectMixerLine(2));
    EXPECT_EQ(input.list[1].activePort, QStringLiteral("headset"));
    EXPECT_EQ(recorder.SelectedMixerLine(), 2);
    EXPECT_FALSE(recorder.SelectMixerLine(3));
    EXPECT_EQ(recorder.MixerLineType(-1), WaveInRecorder::LineInput);
    EXPECT_EQ(recorder.MixerLineType(5), WaveInRecorder::LineUnknown);

    // A source without ports has one line named after it.
    ASSERT_TRUE(recorder.SelectDevice(0));
    EXPECT_EQ(recorder.MixerLineCount(), 1);
    EXPECT_EQ(recorder.MixerLineName(0), QStringLiteral("Monitor of Speakers"));
    EXPECT_EQ(recorder.SelectedMixerLine(), 0);
    EXPECT_TRUE(recorder.SelectMixerLine(0));
    EXPECT_FALSE(recorder.SelectMixerLine(1));
    EXPECT_EQ(recorder.MixerLineType(-1), WaveInRecorder::LineMonitor);
}

TEST_F(ScriptedServer, VolumeIsTheChannelAverageAndIsWrittenToEveryChannel) {
    ASSERT_TRUE(recorder.SelectDevice(1));
    EXPECT_EQ(recorder.MixerLineVolume(), 20000); // (30000 + 10000) / 2, rounded to the 65535 scale
    EXPECT_TRUE(recorder.setMixerLineVolume(65535));
    EXPECT_EQ(input.list[1].channelVolumes, (QList<uint32_t>{65536, 65536}));
    EXPECT_EQ(recorder.MixerLineVolume(), 65535);
}

TEST_F(ScriptedServer, ASourceOrServerThatWentAwayAnswersNone) {
    ASSERT_TRUE(recorder.SelectDevice(1));
    input.list.removeLast();
    input.list << source(9, "other", "Other");
    EXPECT_EQ(recorder.MixerLineCount(), 0);
    EXPECT_EQ(recorder.MixerLineVolume(), 0);
    input.up = false;
    EXPECT_EQ(recorder.DeviceCount(), 0);
    EXPECT_FALSE(recorder.SelectDevice(0));
    EXPECT_EQ(recorder.MixerLineName(0), QString());
    EXPECT_FALSE(recorder.StartRecord(44100, 2));
}

TEST_F(ScriptedServer, GotDataHandsOutWholeBuffersInOrderAndTheLastPartOne) {
    ASSERT_TRUE(recorder.SelectDevice(0));
    recorder.setBufferSize(1000);
    QList<QPair<QVector<int16_t>, int>> got;
    QObject::connect(&recorder, &WaveInRecorder::GotData,
                     [&](const QVector<int16_t> &s, int bytes) {
                         got.append({s, bytes});
                     });
    ASSERT_TRUE(recorder.StartRecord(22050, 1));
    EXPECT_TRUE(recorder.IsRecording());
    FakeCapture *capture = input.lastCapture;
    EXPECT_EQ(capture->startedSource, QStringLiteral("out.monitor"));
    EXPECT_EQ(capture->startedFormat, (AudioFormat{22050, 1, 16}));
    capture->feed(700, 0);
    capture->feed(700, 350);
    capture->feed(300, 700);
    EXPECT_TRUE(got.isEmpty()); // delivered on the UI thread's loop, never inside the callback
    QCoreApplication::processEvents();
    ASSERT_EQ(got.size(), 1);
    EXPECT_TRUE(recorder.StopRecord());
    EXPECT_FALSE(recorder.IsRecording());
    QCoreApplication::processEvents();
    ASSERT_EQ(got.size(), 2);
    EXPECT_EQ(got[0].first.size(), 500);
    EXPECT_EQ(got[0].second, 1000);
    EXPECT_EQ(got[1].second, 700);
    for (int k = 0; k < 500; ++k)
        ASSERT_EQ(got[0].first[k], k);
    for (int k = 0; k < 350; ++k)
        ASSERT_EQ(got[1].first[k], 500 + k);
}

// The private daemon: two null sinks give two monitor sources.
struct PulseDaemon : ::testing::Test {
    fxtest::PulseServer server{{"lvxnull", "lvxsecond"}};
};

int indexOfSource(PulseAudioInput &in, const QString &name) {
    const QList<AudioSourceInfo> list = in.sources();
    for (int k = 0; k < list.size(); ++k)
        if (list[k].name == name) return k;
    return -1;
}

TEST_F(PulseDaemon, ListsTheSourcesAndSelectsTheDefaultOne) {
    ASSERT_TRUE(server.running()) << server.log();
    server.pactl("set-default-source lvxsecond.monitor");
    PulseAudioInput input;
    ASSERT_TRUE(input.available()) << input.unavailableReason().toStdString();
    WaveInRecorder recorder(&input);
    EXPECT_EQ(recorder.DeviceCount(), 2);
    const int second = indexOfSource(input, QStringLiteral("lvxsecond.monitor"));
    ASSERT_GE(second, 0);
    EXPECT_EQ(recorder.DefaultDevice(), second);
    EXPECT_FALSE(recorder.DeviceName(second).isEmpty());
    ASSERT_TRUE(recorder.SelectDevice(second));
    EXPECT_EQ(recorder.MixerLineCount(), 1);
    EXPECT_EQ(recorder.MixerLineName(0), recorder.DeviceName(second));
    EXPECT_EQ(recorder.MixerLineType(-1), WaveInRecorder::LineMonitor);

    // A source loaded later appears in the list once the server reports it.
    server.pactl("load-module module-null-source source_name=lvxmic");
    EXPECT_TRUE(QTest::qWaitFor([&] { return recorder.DeviceCount() == 3; }, 2000));
    const int mic = indexOfSource(input, QStringLiteral("lvxmic"));
    ASSERT_GE(mic, 0);
    ASSERT_TRUE(recorder.SelectDevice(mic));
    EXPECT_EQ(recorder.MixerLineType(-1), WaveInRecorder::LineInput);
}

TEST_F(PulseDaemon, VolumeIsSetOnTheServerAndReadBack) {
    ASSERT_TRUE(server.running()) << server.log();
    PulseAudioInput input;
    WaveInRecorder recorder(&input);
    const int monitor = indexOfSource(input, QStringLiteral("lvxnull.monitor"));
    ASSERT_TRUE(recorder.SelectDevice(monitor));
    EXPECT_EQ(recorder.MixerLineVolume(), 65535);
    ASSERT_TRUE(recorder.setMixerLineVolume(32768));
    EXPECT_EQ(recorder.MixerLineVolume(), 32768);
    const std::string shown = server.pactl("get-source-volume lvxnull.monitor");
    EXPECT_NE(shown.find("50%"), std::string::npos) << shown;
    // Another client's change is what the recorder reads.
    server.pactl("set-source-volume lvxnull.monitor 25%");
    EXPECT_TRUE(QTest::qWaitFor([&] { return recorder.MixerLineVolume() == 16384; }, 2000));
}

TEST_F(PulseDaemon, CapturesFullBuffersOfATone) {
    ASSERT_TRUE(server.running()) << server.log();
    server.pactl("load-module module-sine-source source_name=lvxsine frequency=440");
    PulseAudioInput input;
    WaveInRecorder recorder(&input);
    const int sine = indexOfSource(input, QStringLiteral("lvxsine"));
    ASSERT_GE(sine, 0);
    ASSERT_TRUE(recorder.SelectDevice(sine));
    QSignalSpy got(&recorder, &WaveInRecorder::GotData);
    ASSERT_TRUE(recorder.StartRecord(44100, 2));
    EXPECT_TRUE(recorder.IsRecording());
    ASSERT_TRUE(QTest::qWaitFor([&] { return got.size() >= 4; }, 5000));
    recorder.StopRecord();
    EXPECT_FALSE(recorder.IsRecording());
    for (int k = 0; k < 3; ++k) {
        const auto samples = got.at(k).at(0).value<QVector<int16_t>>();
        EXPECT_EQ(samples.size(), 5120);
        EXPECT_EQ(got.at(k).at(1).toInt(), 10240);
        int peak = 0;
        for (int16_t s : samples)
            peak = std::max(peak, std::abs(int(s)));
        EXPECT_GT(peak, 1000) << "buffer " << k << " is silent";
    }
}

TEST(NoServer, EveryMemberAnswersNoneAtOnce) {
    qputenv("PULSE_SERVER", "unix:/nonexistent/lyravox-no-server");
    QElapsedTimer t;
    t.start();
    PulseAudioInput input;
    EXPECT_FALSE(input.available());
    EXPECT_FALSE(input.unavailableReason().isEmpty());
    EXPECT_TRUE(input.sources().isEmpty());
    EXPECT_EQ(input.defaultSourceName(), QString());
    EXPECT_EQ(input.createCapture(), nullptr);
    EXPECT_FALSE(input.setVolume(0, 2, 65536));
    for (AudioInput *in : {static_cast<AudioInput *>(&input), static_cast<AudioInput *>(nullptr)}) {
        WaveInRecorder recorder(in);
        EXPECT_EQ(recorder.DeviceCount(), 0);
        EXPECT_EQ(recorder.DeviceName(0), QString());
        EXPECT_FALSE(recorder.SelectDevice(0));
        EXPECT_EQ(recorder.SelectedDevice(), -1);
        EXPECT_EQ(recorder.DefaultDevice(), -1);
        EXPECT_EQ(recorder.MixerLineCount(), 0);
        EXPECT_EQ(recorder.MixerLineVolume(), 0);
        EXPECT_FALSE(recorder.StartRecord(44100, 2));
        EXPECT_FALSE(recorder.IsRecording());
    }
    EXPECT_LT(t.elapsed(), 1000);
    qunsetenv("PULSE_SERVER");
}

} // namespace
