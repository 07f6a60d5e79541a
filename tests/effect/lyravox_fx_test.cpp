// The command-line front end, run as a program.
#include "codec.h"
#include "fx_test_support.h"
#include "pulse_server.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <sndfile.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace fxtest;

namespace {

struct Outcome {
    int status;
    std::string out; // standard output and standard error together
};

std::string program() {
    const char *bin = std::getenv("LYRAVOX_BIN_DIR");
    return std::string(bin ? bin : ".") + "/lyravox-fx";
}

// Runs `prefix` lyravox-fx `args` through the shell.
Outcome fx(const std::string &args, const std::string &prefix = "") {
    const std::string command = prefix + program() + " " + args + " 2>&1";
    Outcome r{-1, {}};
    if (std::FILE *p = popen(command.c_str(), "r")) {
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0)
            r.out.append(buffer, n);
        const int status = pclose(p);
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    return r;
}

class LyravoxFx : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // Under ThreadSanitizer the program gets the tests' suppressions too.
        const char *source = std::getenv("LYRAVOX_SOURCE_DIR");
        if (!source) return;
        const char *old = std::getenv("TSAN_OPTIONS");
        const std::string options = std::string(old ? old : "") + (old ? ":" : "") +
                                    "suppressions=" + source + "/tests/effect/tsan.supp";
        setenv("TSAN_OPTIONS", options.c_str(), 1);
    }
    void SetUp() override {
        data = noise(2 * 22050 * 2 + 200, 4);
        in = dir.path("in.wav");
        writeFile(in, wavFile(1, 2, 22050, data));
    }
    TempDir dir;
    std::vector<uint8_t> data;
    std::string in;
};

} // namespace

TEST_F(LyravoxFx, InfoPrintsTheFormat) {
    const Outcome r = fx("info " + in);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("1 channel, 16-bit, 22050 Hz, 88400 bytes, 2 s"), std::string::npos)
        << r.out;
    writeFile(dir.path("in.au"), auFile(1, 8000, 2, noise(100)));
    EXPECT_NE(fx("info " + dir.path("in.au")).out.find("2 channels, 16-bit, 8000 Hz, 200 bytes"),
              std::string::npos);
}

TEST_F(LyravoxFx, RunsAMethodAndSavesTheResult) {
    const std::string out = dir.path("out.wav");
    Outcome r = fx(in + " " + out + " Echo 100 50");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("100%"), std::string::npos) << r.out;
    const auto echoed = readFile(out);
    ASSERT_EQ(echoed.size(), 44 + data.size());
    EXPECT_NE(std::vector<uint8_t>(echoed.begin() + 44, echoed.end()), data);

    r = fx(in + " " + out + " Average");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("Average: "), std::string::npos);
    EXPECT_EQ(readFile(out), wavFile(1, 2, 22050, data));

    r = fx(in + " " + out + " Invert");
    EXPECT_EQ(r.status, 0) << r.out;
}

TEST_F(LyravoxFx, FailuresExitWithTheirMeaning) {
    const std::string out = dir.path("out.wav");
    const std::vector<std::tuple<std::string, int, std::string>> cases = {
        {dir.path("missing.wav") + " " + out + " Average", 1, "cannot be opened (901)"},
        {in + " SaveFromTo " + dir.path("x.wav") + " 0 5", 1, "beyond the sound (909)"},
        {in + " " + out + " Stop", 1, "nothing is playing (908)"},
        {in + " /dev/full Average", 1, "Error writing to file."},
        {in + " " + out + " Shifting 0 1000", 2, "invalid arguments"},
        {in + " " + out + " Echo 100", 2, "takes 2 argument"},
        {in + " " + out + " Echo 100 x", 2, "bad argument x"},
        {in + " " + out + " Echo 100 40000", 2, "bad argument 40000"},
        {in + " " + out + " NoSuchMethod", 2, "unknown method"},
        {"info", 2, "usage"},
    };
    for (const auto &[args, status, text] : cases) {
        SCOPED_TRACE(args);
        const Outcome r = fx(args);
        EXPECT_EQ(r.status, status) << r.out;
        EXPECT_NE(r.out.find(text), std::string::npos) << r.out;
    }
    writeFile(dir.path("bad.wav"), {'R', 'I', 'F', 'F', 1, 2, 3});
    const Outcome r = fx("info " + dir.path("bad.wav"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("not a readable WAV or AU file (902)"), std::string::npos) << r.out;
}

TEST_F(LyravoxFx, PlayWithoutAServerSaysSo) {
    const Outcome r = fx("play " + in + " PULSE_SERVER=x");
    EXPECT_EQ(r.status, 2); // three arguments after the program: not the play form
    setenv("PULSE_SERVER", ("unix:" + dir.path("none")).c_str(), 1);
    const Outcome dead = fx("play " + in);
    unsetenv("PULSE_SERVER");
    EXPECT_EQ(dead.status, 1);
    EXPECT_NE(dead.out.find("no sound server or no such output device (905)"), std::string::npos)
        << dead.out;
}

TEST_F(LyravoxFx, PlaysToTheEndOnAServer) {
    PulseServer server;
    if (!server.running()) GTEST_SKIP() << "pulseaudio did not start:\n" << server.log();
    const Outcome r = fx("play " + in);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(server.pactl("list short sink-inputs"), "");
}

TEST_F(LyravoxFx, ResultsThatAreValuesArePrintedNotTakenForCodes) {
    // 900 s and 40 000 s of 8-bit mono at 1 000 and 1 frames per second.
    writeFile(dir.path("900.wav"), wavFile(1, 1, 1000, noise(900000, 2)));
    writeFile(dir.path("long.wav"), wavFile(1, 1, 1, noise(40000, 3)));
    writeFile(dir.path("flat.wav"), wavFile(1, 2, 8000, pcm16(std::vector<int16_t>(8000, 16384))));
    const std::vector<std::pair<std::string, std::string>> cases = {
        {dir.path("900.wav") + " GetTotalTime", "GetTotalTime: 900\n"},
        {dir.path("long.wav") + " GetTotalTime", "GetTotalTime: 32767\n"},
        {dir.path("900.wav") + " GetVersion", "GetVersion: 110\n"},
        {dir.path("flat.wav") + " Average", "Average: 50\n"},
        {dir.path("900.wav") + " frequency 2.5", "frequency: 0\n"},
    };
    for (const auto &[args, text] : cases) {
        SCOPED_TRACE(args);
        const Outcome r = fx(args);
        EXPECT_EQ(r.status, 0) << r.out;
        EXPECT_EQ(r.out, text);
    }
    // With OUT the unchanged sound is saved as well.
    const Outcome r = fx(dir.path("900.wav") + " " + dir.path("out.wav") + " GetTotalTime");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(readFile(dir.path("out.wav")), readFile(dir.path("900.wav")));
}

TEST_F(LyravoxFx, MethodsThatSaveThemselvesAndEmptyResults) {
    const std::string out = dir.path("out.wav"), part = dir.path("part.wav");
    struct Case {
        std::string args;
        int status;
        std::string text;
        std::string absent; // a file that must not have been written
    };
    const std::vector<Case> cases = {
        {in + " " + out + " ReadFromTo 1 1", 1, "no samples to write; nothing saved", out},
        {in + " SaveFromTo " + part + " 1 1", 1, "no samples to write; nothing saved", part},
        {in + " SaveFromTo " + part + " 2 1", 1, "no samples to write; nothing saved", part},
        {in + " " + out + " SaveFromTo " + part + " 0 1", 2, "writes its own file", out},
        {in + " Echo 100 50", 2, "changes the sound: give OUT", ""},
        {in + " " + dir.path("new.wav") + " Echo 100 50", 0, "", ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.args);
        const Outcome r = fx(c.args);
        EXPECT_EQ(r.status, c.status) << r.out;
        EXPECT_NE(r.out.find(c.text), std::string::npos) << r.out;
        if (!c.absent.empty()) {
            EXPECT_TRUE(readFile(c.absent).empty()) << c.absent;
        }
        std::remove(part.c_str());
    }

    Outcome r = fx(in + " SaveFromTo " + part + " 1 2");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(
        readFile(part),
        wavFile(1, 2, 22050, std::vector<uint8_t>(data.begin() + 44100, data.begin() + 88200)));
    r = fx(in + " InputFileSave " + dir.path("copy.wav"));
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(readFile(dir.path("copy.wav")), wavFile(1, 2, 22050, data));
}

TEST_F(LyravoxFx, ASaveThatFailsLeavesTheOldFile) {
    const std::vector<uint8_t> old = {'o', 'l', 'd'};
    ASSERT_EQ(chmod(dir.path("").c_str(), 0755), 0);
    const std::string folder = dir.path("locked");
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    const std::string out = folder + "/out.wav";
    struct Case {
        const char *name;
        std::string prefix;
        std::string text;
    };
    // Root writes into any folder: it runs as nobody for the read-only case.
    const std::string asUser =
        geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
    const std::vector<Case> cases = {
        {"read-only folder", asUser, "Unable to open file."},
        // A file size limit stands for a full disk.
        {"full disk", "trap '' XFSZ; ulimit -f 50; ", "Error writing to file."},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(out, old);
        chmod(out.c_str(), 0666);
        chmod(folder.c_str(), std::string(c.name) == "full disk" ? 0755 : 0555);
        const Outcome r = fx(in + " " + out + " Echo 100 50", c.prefix);
        chmod(folder.c_str(), 0755);
        EXPECT_EQ(r.status, 1) << r.out;
        EXPECT_NE(r.out.find(c.text), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("not written"), std::string::npos) << r.out;
        EXPECT_EQ(readFile(out), old);
        EXPECT_EQ(listFolder(folder), std::vector<std::string>{"out.wav"});
    }
}

TEST_F(LyravoxFx, PlayFromToWithoutAServerFailsAtOnce) {
    setenv("PULSE_SERVER", ("unix:" + dir.path("none")).c_str(), 1);
    const auto started = std::chrono::steady_clock::now();
    const Outcome r = fx(in + " " + dir.path("out.wav") + " PlayFromTo 0 1");
    const auto took = std::chrono::steady_clock::now() - started;
    unsetenv("PULSE_SERVER");
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_NE(r.out.find("PlayFromTo: no sound server or no such output device (905)"),
              std::string::npos)
        << r.out;
    EXPECT_LT(took, std::chrono::seconds(10));
}

TEST_F(LyravoxFx, PlayFromToPlaysTheRangeOnAServer) {
    PulseServer server;
    if (!server.running()) GTEST_SKIP() << "pulseaudio did not start:\n" << server.log();
    const Outcome r = fx(in + " PlayFromTo 1 2");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out, "PlayFromTo: 0\n");
    EXPECT_EQ(server.pactl("list short sink-inputs"), "");
}

TEST_F(LyravoxFx, AWaitForAnEndThatNeverComesHasALimit) {
    PulseServer server;
    if (!server.running()) GTEST_SKIP() << "pulseaudio did not start:\n" << server.log();
    // The server freezes once the stream plays, so the end of playback never arrives. The
    // sound is long enough that it is still playing when the test sees the stream.
    const std::string longer = dir.path("six.wav");
    writeFile(longer, wavFile(1, 2, 22050, noise(6 * 44100, 8)));
    Outcome r;
    std::thread run([&] { r = fx(longer + " PlayFromTo 0 6"); });
    bool playing = false;
    for (int i = 0; i < 200 && !playing; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        playing = !server.pactl("list short sink-inputs").empty();
    }
    if (playing) kill(server.pid(), SIGSTOP);
    run.join();
    kill(server.pid(), SIGCONT);
    ASSERT_TRUE(playing) << r.out;
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_NE(r.out.find("PlayFromTo: no EndOfAction(9) within 16 s"), std::string::npos) << r.out;
}

TEST_F(LyravoxFx, TakesMp3AndWavFilesOfOtherFormatsByTheirNames) {
    // A 24-bit stereo tone, and an MP3 of it made by the codec library.
    const std::string wide = dir.path("wide.wav");
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_24;
    SNDFILE *f = sf_open(wide.c_str(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr);
    std::vector<int> tone(2 * 44100);
    for (size_t k = 0; k < tone.size(); ++k)
        tone[k] = int(0.4 * 2147483647.0 * std::sin(2 * M_PI * 440.0 * double(k / 2) / 44100));
    sf_writef_int(f, tone.data(), 44100);
    sf_close(f);
    const std::string mp3 = dir.path("tone.mp3");
    ASSERT_TRUE(codec::encodeMp3(wide, mp3).ok);

    Outcome r = fx("info " + wide);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("2 channels, 16-bit, 44100 Hz"), std::string::npos) << r.out;

    struct Case {
        std::string args, out;
        int rate;
    } cases[] = {
        {mp3 + " " + dir.path("a.wav") + " Invert", dir.path("a.wav"), 44100},
        {mp3 + " " + dir.path("b.mp3") + " Echo 100 50", dir.path("b.mp3"), 44100},
        {"--bitrate 64000 --rate 32000 " + wide + " " + dir.path("c.mp3") + " Invert",
         dir.path("c.mp3"), 32000},
    };
    for (const Case &c : cases) {
        r = fx(c.args);
        ASSERT_EQ(r.status, 0) << c.args << "\n" << r.out;
        std::string wav = c.out;
        if (c.out.size() > 4 && c.out.compare(c.out.size() - 4, 4, ".mp3") == 0) {
            wav = c.out + ".wav";
            ASSERT_TRUE(codec::decodeMp3(c.out, wav).ok) << c.args;
        }
        codec::WavInfo result;
        ASSERT_TRUE(codec::wavInfo(wav, result)) << c.args;
        EXPECT_EQ(result.sampleRate, c.rate) << c.args;
        EXPECT_EQ(result.channels, 2) << c.args;
        EXPECT_NEAR(double(result.frames), double(c.rate), 2 * 1152.0) << c.args;
    }

    writeFile(dir.path("junk.mp3"), std::vector<uint8_t>(5000, 0x33));
    r = fx(dir.path("junk.mp3") + " " + dir.path("d.wav") + " Invert");
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_NE(r.out.find("junk.mp3"), std::string::npos) << r.out;
    EXPECT_EQ(fx("--bitrate fast " + wide + " " + dir.path("e.mp3") + " Invert").status, 2);
}

namespace {

// Amplitude of `hz` in a channel of an interleaved stereo sound (a single-bin DFT).
double toneLevel(const std::vector<float> &stereo, int channel, double hz, int rate) {
    double re = 0, im = 0;
    const size_t frames = stereo.size() / 2;
    for (size_t k = 0; k < frames; ++k) {
        const double a = 2 * M_PI * hz * double(k) / rate;
        re += stereo[2 * k + size_t(channel)] * std::cos(a);
        im += stereo[2 * k + size_t(channel)] * std::sin(a);
    }
    return 2 * std::hypot(re, im) / double(frames);
}

std::vector<float> readStereo(const std::string &path, SF_INFO &info) {
    info = SF_INFO{};
    std::vector<float> v;
    SNDFILE *f = sf_open(path.c_str(), SFM_READ, &info);
    if (!f) return v;
    v.resize(size_t(info.frames * info.channels));
    sf_readf_float(f, v.data(), info.frames);
    sf_close(f);
    return v;
}

} // namespace

TEST_F(LyravoxFx, RemoveVocalsKeepsTheBassAndTheSides) {
    // Two seconds: a 1 kHz "voice" and a 60 Hz bass in the centre, 700 Hz on the left only.
    const int rate = 44100;
    std::vector<float> song(size_t(2 * 2 * rate));
    for (size_t k = 0; k < song.size() / 2; ++k) {
        const double t = double(k) / rate;
        const double centre =
            0.3 * std::sin(2 * M_PI * 1000 * t) + 0.3 * std::sin(2 * M_PI * 60 * t);
        song[2 * k] = float(centre + 0.2 * std::sin(2 * M_PI * 700 * t));
        song[2 * k + 1] = float(centre);
    }
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_24;
    const std::string songPath = dir.path("song.wav");
    SNDFILE *f = sf_open(songPath.c_str(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr);
    sf_writef_float(f, song.data(), rate * 2);
    sf_close(f);

    const std::string out = dir.path("karaoke.wav");
    Outcome r = fx(songPath + " " + out + " RemoveVocals");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("100%"), std::string::npos) << r.out;
    const std::vector<float> karaoke = readStereo(out, info);
    EXPECT_EQ(info.channels, 2);
    EXPECT_EQ(info.samplerate, rate);
    ASSERT_EQ(info.frames, 2 * rate);
    for (int c = 0; c < 2; ++c) {
        EXPECT_LT(toneLevel(karaoke, c, 1000, rate), 0.03) << "voice, channel " << c;
        EXPECT_NEAR(toneLevel(karaoke, c, 60, rate), 0.3, 0.06) << "bass, channel " << c;
    }
    EXPECT_NEAR(toneLevel(karaoke, 0, 700, rate), 0.2, 0.04);
    EXPECT_LT(toneLevel(karaoke, 1, 700, rate), 0.02);

    // MP3 in and out, as for the methods.
    const std::string mp3 = dir.path("song.mp3");
    ASSERT_TRUE(codec::encodeMp3(songPath, mp3).ok);
    r = fx(mp3 + " " + dir.path("karaoke.mp3") + " RemoveVocals");
    EXPECT_EQ(r.status, 0) << r.out;
    codec::WavInfo written;
    ASSERT_TRUE(codec::decodeMp3(dir.path("karaoke.mp3"), dir.path("k.wav")).ok);
    ASSERT_TRUE(codec::wavInfo(dir.path("k.wav"), written));
    EXPECT_EQ(written.channels, 2);

    // What it refuses: a mono sound, no OUT, an argument.
    r = fx(in + " " + dir.path("x.wav") + " RemoveVocals");
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_NE(r.out.find("only stereo"), std::string::npos) << r.out;
    EXPECT_EQ(access(dir.path("x.wav").c_str(), F_OK), -1);
    r = fx(songPath + " RemoveVocals");
    EXPECT_EQ(r.status, 2) << r.out;
    EXPECT_NE(r.out.find("give OUT"), std::string::npos) << r.out;
    EXPECT_EQ(fx(songPath + " " + out + " RemoveVocals 3").status, 2);
    EXPECT_NE(fx("").out.find("RemoveVocals"), std::string::npos);
}
