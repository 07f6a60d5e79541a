// The codec library with the real libmpg123, libmp3lame and libsndfile on generated sounds.
#include "codec.h"
#include "mp3_tail_decoder.h"

#include "temp_home.h"
#include "test_media.h"

#include <QDir>
#include <QFile>
#include <atomic>
#include <cmath>
#include <dlfcn.h>
#include <functional>
#include <gtest/gtest.h>
#include <mpg123.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <vector>

// Counts the process's umask calls while a test asks (this definition takes the place of the C
// library's for the whole program, the codec library included).
std::atomic<bool> g_countUmask{false};
std::atomic<int> g_umaskCalls{0};

extern "C" mode_t umask(mode_t mask) {
    using Real = mode_t (*)(mode_t);
    static const Real real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "umask"));
    if (g_countUmask.load()) ++g_umaskCalls;
    return real(mask);
}

namespace {

std::string local(const QString &path) {
    return QFile::encodeName(path).toStdString();
}

struct Sound {
    SF_INFO info{};
    std::vector<short> samples; // interleaved
};

Sound readSound(const QString &path) {
    Sound s;
    SNDFILE *f = sf_open(local(path).c_str(), SFM_READ, &s.info);
    if (!f) return s;
    s.samples.resize(size_t(s.info.frames * s.info.channels));
    sf_readf_short(f, s.samples.data(), s.info.frames);
    sf_close(f);
    return s;
}

// The tone's frequency on channel `channel`, from its rising zero crossings.
double frequency(const Sound &s, int channel = 0) {
    const int n = s.info.channels;
    int crossings = 0;
    long long first = -1, last = -1;
    for (long long k = 1; k < s.info.frames; ++k) {
        const short a = s.samples[size_t((k - 1) * n + channel)];
        const short b = s.samples[size_t(k * n + channel)];
        if (a < 0 && b >= 0) {
            if (first < 0) first = k;
            last = k;
            ++crossings;
        }
    }
    return crossings > 1 ? (crossings - 1) * double(s.info.samplerate) / double(last - first) : 0;
}

bool writeSndfile(const QString &path, int format, int channels, double seconds, double hz) {
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = channels;
    info.format = format;
    SNDFILE *f = sf_open(local(path).c_str(), SFM_WRITE, &info);
    if (!f) return false;
    const long long frames = (long long)(seconds * 44100);
    std::vector<double> data(size_t(frames * channels));
    for (long long k = 0; k < frames; ++k)
        for (int c = 0; c < channels; ++c)
            data[size_t(k * channels + c)] = 0.5 * std::sin(2 * M_PI * hz * double(k) / 44100);
    sf_writef_double(f, data.data(), frames);
    return sf_close(f) == 0;
}

struct CodecTest : ::testing::Test {
    TempHome home;
    QString file(const char *name) const { return home.file(QLatin1String(name)); }
    // Temporary outputs left in the folder (they are hidden files).
    QStringList leftovers() const {
        QStringList hidden;
        for (const QString &name : QDir(home.path()).entryList(QDir::Files | QDir::Hidden))
            if (name.startsWith(QLatin1Char('.'))) hidden << name;
        return hidden;
    }
};

TEST_F(CodecTest, EncodedAndDecodedToneKeepsItsLengthAndPitch) {
    ASSERT_TRUE(TestMedia::writeWav(file("tone.wav"), 2.0, 2, 44100, 440.0, 660.0));
    std::vector<int> progress;
    codec::JobControl control;
    control.progress = [&](int p) { progress.push_back(p); };
    const codec::Result enc =
        codec::encodeMp3(local(file("tone.wav")), local(file("tone.mp3")), {}, control);
    ASSERT_TRUE(enc.ok) << enc.error;
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), 100);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));

    const codec::Result dec = codec::decodeMp3(local(file("tone.mp3")), local(file("back.wav")));
    ASSERT_TRUE(dec.ok) << dec.error;
    const Sound back = readSound(file("back.wav"));
    EXPECT_EQ(back.info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    EXPECT_EQ(back.info.samplerate, 44100);
    EXPECT_EQ(back.info.channels, 2);
    EXPECT_NEAR(double(back.info.frames), 2.0 * 44100, 1152);
    EXPECT_NEAR(frequency(back, 0), 440.0, 2.0);
    EXPECT_NEAR(frequency(back, 1), 660.0, 2.0);
    EXPECT_TRUE(leftovers().isEmpty()) << leftovers().join(QLatin1Char(' ')).toStdString();
}

TEST_F(CodecTest, EncoderTakesEveryWavLayoutAndTheRateSetting) {
    struct Case {
        const char *name;
        int format, channels, rate;
    } cases[] = {
        {"u8-mono.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 1, 44100},
        {"s24.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 2, 48000},
        {"float.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, 32000},
        {"ext.wav", SF_FORMAT_WAVEX | SF_FORMAT_PCM_16, 2, 44100},
    };
    for (const Case &c : cases) {
        ASSERT_TRUE(writeSndfile(file(c.name), c.format, c.channels, 1.0, 500.0)) << c.name;
        const QString mp3 = file(c.name) + QStringLiteral(".mp3");
        const codec::Result r = codec::encodeMp3(local(file(c.name)), local(mp3), {64000, c.rate});
        ASSERT_TRUE(r.ok) << c.name << ": " << r.error;
        ASSERT_TRUE(codec::decodeMp3(local(mp3), local(mp3 + QStringLiteral(".wav"))).ok);
        const Sound back = readSound(mp3 + QStringLiteral(".wav"));
        EXPECT_EQ(back.info.channels, c.channels) << c.name;
        EXPECT_EQ(back.info.samplerate, c.rate) << c.name;
        EXPECT_NEAR(frequency(back), 500.0, 3.0) << c.name;

        const QString pcm = file(c.name) + QStringLiteral(".pcm16.wav");
        ASSERT_TRUE(codec::convertToPcm16(local(file(c.name)), local(pcm)).ok) << c.name;
        codec::WavInfo info;
        ASSERT_TRUE(codec::wavInfo(local(pcm), info));
        EXPECT_TRUE(info.pcm16) << c.name;
        EXPECT_EQ(info.frames, 44100) << c.name;
        EXPECT_NEAR(frequency(readSound(pcm)), 500.0, 1.0) << c.name;
    }
}

TEST_F(CodecTest, FailuresLeaveTheOldOutputAndNoHalfFile) {
    home.write(QStringLiteral("junk.mp3"), QByteArray(20000, '\x5a'));
    home.write(QStringLiteral("junk.wav"), "RIFF....WAVEjunk");
    home.write(QStringLiteral("old.out"), "old");
    ASSERT_TRUE(TestMedia::writeWav(file("tone.wav"), 3.0));
    std::atomic<bool> stop{true};
    codec::JobControl cancelled;
    cancelled.cancel = &stop;
    struct Case {
        const char *what;
        std::function<codec::Result()> run;
    } cases[] = {
        {"not an MP3",
         [&] { return codec::decodeMp3(local(file("junk.mp3")), local(file("old.out"))); }},
        {"missing MP3",
         [&] { return codec::decodeMp3(local(file("none.mp3")), local(file("old.out"))); }},
        {"not a WAV",
         [&] { return codec::encodeMp3(local(file("junk.wav")), local(file("old.out"))); }},
        {"no such folder",
         [&] { return codec::encodeMp3(local(file("tone.wav")), local(file("no/dir/x.mp3"))); }},
        {"cancelled encode",
         [&] {
             return codec::encodeMp3(local(file("tone.wav")), local(file("old.out")), {},
                                     cancelled);
         }},
        {"cancelled copy",
         [&] {
             return codec::convertToPcm16(local(file("tone.wav")), local(file("old.out")),
                                          cancelled);
         }},
    };
    for (const Case &c : cases) {
        const codec::Result r = c.run();
        EXPECT_FALSE(r.ok) << c.what;
        EXPECT_FALSE(r.error.empty()) << c.what;
        EXPECT_EQ(home.read(QStringLiteral("old.out")), QByteArray("old")) << c.what;
        EXPECT_TRUE(leftovers().isEmpty()) << c.what;
    }
}

// A stereo PCM WAV written byte by byte: a "LIST" chunk before "data", frames as given.
QByteArray rawStereoWav(int rate, int bits, const std::vector<int> &samples) {
    QByteArray data;
    for (int v : samples) {
        if (bits == 8) {
            data.append(char(uint8_t(v + 128)));
        } else {
            data.append(char(v & 0xff));
            data.append(char((v >> 8) & 0xff));
        }
    }
    auto le = [](QByteArray &b, uint32_t v, int bytes) {
        for (int k = 0; k < bytes; ++k)
            b.append(char((v >> (8 * k)) & 0xff));
    };
    QByteArray fmt;
    le(fmt, 1, 2);
    le(fmt, 2, 2);
    le(fmt, uint32_t(rate), 4);
    le(fmt, uint32_t(rate * 2 * bits / 8), 4);
    le(fmt, uint32_t(2 * bits / 8), 2);
    le(fmt, uint32_t(bits), 2);
    const QByteArray list = QByteArrayLiteral("INFOISFT\x06\0\0\0tests\0");
    QByteArray body = "WAVEfmt ";
    le(body, uint32_t(fmt.size()), 4);
    body += fmt + "LIST";
    le(body, uint32_t(list.size()), 4);
    body += list + "data";
    le(body, uint32_t(data.size()), 4);
    body += data;
    QByteArray wav = "RIFF";
    le(wav, uint32_t(body.size()), 4);
    return wav + body;
}

TEST_F(CodecTest, CentreCancellationRemovesWhatBothChannelsShare) {
    // 440 Hz in both channels (the voice in the centre) and 660 Hz on the left only: the
    // result is the left-only tone in both channels, at the source's rate and depth.
    struct Case {
        const char *name;
        int format, rate;
    } cases[] = {
        {"s16.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100},
        {"s16-22k.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 22050},
        {"u8.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 44100},
        {"s24.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 48000},
    };
    for (const Case &c : cases) {
        SF_INFO info{};
        info.samplerate = c.rate;
        info.channels = 2;
        info.format = c.format;
        SNDFILE *f = sf_open(local(file(c.name)).c_str(), SFM_WRITE, &info);
        ASSERT_TRUE(f) << c.name;
        const int frames = c.rate;
        std::vector<double> data(size_t(frames) * 2);
        for (int k = 0; k < frames; ++k) {
            const double centre = 0.4 * std::sin(2 * M_PI * 440 * k / c.rate);
            data[size_t(2 * k)] = centre + 0.3 * std::sin(2 * M_PI * 660 * k / c.rate);
            data[size_t(2 * k + 1)] = centre;
        }
        sf_writef_double(f, data.data(), frames);
        sf_close(f);

        const QString out = file(c.name) + QStringLiteral(".devocal.wav");
        const codec::Result r = codec::removeCentre(local(file(c.name)), local(out));
        ASSERT_TRUE(r.ok) << c.name << ": " << r.error;
        const Sound s = readSound(out);
        const int expectedDepth = (c.format & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_U8
                                      ? SF_FORMAT_PCM_U8
                                      : SF_FORMAT_PCM_16;
        EXPECT_EQ(s.info.format, SF_FORMAT_WAV | expectedDepth) << c.name;
        EXPECT_EQ(s.info.samplerate, c.rate) << c.name;
        EXPECT_EQ(s.info.frames, frames) << c.name;
        EXPECT_NEAR(frequency(s, 0), 660.0, 2.0) << c.name;
        double peak = 0;
        for (long long k = 0; k < s.info.frames; ++k) {
            EXPECT_EQ(s.samples[size_t(2 * k)], s.samples[size_t(2 * k + 1)]) << c.name;
            peak = std::max(peak, std::abs(double(s.samples[size_t(2 * k)])));
        }
        // What stays is the side tone's 0.3 of full scale, not the centre's 0.7.
        EXPECT_NEAR(peak / 32768.0, 0.3, 0.02) << c.name;
    }
}

TEST_F(CodecTest, CentreCancellationReadsTheDataChunkAndSaturates) {
    // Frames (L, R): a plain difference, then two that leave 16 bits on either side.
    home.write(QStringLiteral("list.wav"),
               rawStereoWav(44100, 16, {1000, 400, 20000, -20000, -20000, 20000, -3, -3}));
    ASSERT_TRUE(codec::removeCentre(local(file("list.wav")), local(file("out.wav"))).ok);
    const Sound s = readSound(file("out.wav"));
    EXPECT_EQ(s.samples, (std::vector<short>{600, 600, 32767, 32767, -32768, -32768, 0, 0}));

    home.write(QStringLiteral("list8.wav"), rawStereoWav(22050, 8, {100, -100, 20, 30}));
    ASSERT_TRUE(codec::removeCentre(local(file("list8.wav")), local(file("out8.wav"))).ok);
    SF_INFO info{};
    SNDFILE *f = sf_open(local(file("out8.wav")).c_str(), SFM_READ, &info);
    ASSERT_TRUE(f);
    std::vector<int> eight(size_t(info.frames * 2));
    sf_readf_int(f, eight.data(), info.frames);
    sf_close(f);
    EXPECT_EQ(info.samplerate, 22050);
    // 8-bit values scaled to 32 bits: 127 (saturated) and -10.
    EXPECT_EQ(eight, (std::vector<int>{127 << 24, 127 << 24, -(10 << 24), -(10 << 24)}));

    // Mono has no centre to remove; the old output stays.
    ASSERT_TRUE(TestMedia::writeWav(file("mono.wav"), 0.2, 1));
    const codec::Result mono = codec::removeCentre(local(file("mono.wav")), local(file("out.wav")));
    EXPECT_FALSE(mono.ok);
    EXPECT_EQ(readSound(file("out.wav")).samples.size(), 8u);
    EXPECT_TRUE(leftovers().isEmpty());
}

TEST_F(CodecTest, WorkingCopyIsExactForWhatTheEffectControlReadsAndConvertedOtherwise) {
    home.write(QStringLiteral("list.wav"), rawStereoWav(44100, 16, {1, 2, 3, 4}));
    ASSERT_TRUE(codec::prepareWav(local(file("list.wav")), local(file("copy.wav"))).ok);
    EXPECT_EQ(home.read(QStringLiteral("copy.wav")), home.read(QStringLiteral("list.wav")));

    ASSERT_TRUE(writeSndfile(file("s24.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_24, 2, 0.5, 500.0));
    ASSERT_TRUE(codec::prepareWav(local(file("s24.wav")), local(file("copy.wav"))).ok);
    codec::WavInfo info;
    ASSERT_TRUE(codec::wavInfo(local(file("copy.wav")), info));
    EXPECT_TRUE(info.native);
    EXPECT_EQ(info.bits, 16);
    EXPECT_NEAR(frequency(readSound(file("copy.wav"))), 500.0, 1.0);

    home.write(QStringLiteral("junk.wav"), "RIFF....WAVEjunk");
    const codec::Result junk = codec::prepareWav(local(file("junk.wav")), local(file("copy.wav")));
    EXPECT_FALSE(junk.ok);
    EXPECT_FALSE(junk.error.empty());
    EXPECT_TRUE(leftovers().isEmpty());
}

TEST_F(CodecTest, JobsNeverTouchTheUmaskAndTheirOutputsFollowIt) {
    const mode_t old = ::umask(027);
    ASSERT_TRUE(TestMedia::writeWav(file("in.wav"), 3.0));
    g_umaskCalls = 0;
    g_countUmask = true;
    struct Job {
        const char *output;
        std::function<codec::Result()> run;
    };
    const Job jobs[] = {
        {"out.mp3",
         [&] { return codec::encodeMp3(local(file("in.wav")), local(file("out.mp3"))); }},
        {"back.wav",
         [&] { return codec::decodeMp3(local(file("out.mp3")), local(file("back.wav"))); }},
        {"pcm.wav",
         [&] { return codec::convertToPcm16(local(file("in.wav")), local(file("pcm.wav"))); }},
        {"centre.wav",
         [&] { return codec::removeCentre(local(file("in.wav")), local(file("centre.wav"))); }},
    };
    for (int round = 0; round < 5; ++round) {
        for (const Job &job : jobs) {
            const codec::Result r = job.run();
            EXPECT_TRUE(r.ok) << job.output << ": " << r.error;
        }
    }
    g_countUmask = false;
    ::umask(old);
    // Setting the umask, even for a moment, would race with every thread creating a file.
    EXPECT_EQ(g_umaskCalls.load(), 0);
    for (const Job &job : jobs) {
        struct stat st {};
        ASSERT_EQ(::stat(local(file(job.output)).c_str(), &st), 0) << job.output;
        EXPECT_EQ(st.st_mode & 0777, 0640u) << job.output;
    }
}

} // namespace

namespace {

// Noise over a tone (so the encoder uses its bit reservoir), 16-bit WAV.
bool writeNoisyTone(const QString &path, int channels, double seconds) {
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE *f = sf_open(local(path).c_str(), SFM_WRITE, &info);
    if (!f) return false;
    const long long frames = (long long)(seconds * 44100);
    std::vector<short> data(size_t(frames * channels));
    uint32_t noise = 12345;
    for (long long k = 0; k < frames; ++k)
        for (int c = 0; c < channels; ++c) {
            noise = noise * 1664525u + 1013904223u;
            const double tone = 0.3 * std::sin(2 * M_PI * (440 + 110 * c) * double(k) / 44100);
            data[size_t(k * channels + c)] =
                short(32767 * (tone + 0.2 * (double(noise >> 8) / double(1 << 24) - 0.5)));
        }
    sf_writef_short(f, data.data(), frames);
    return sf_close(f) == 0;
}

// What one decoder makes of the whole file, read straight through: the first frame's format,
// later frames converted to it.
std::vector<short> decodeInOneGo(const std::string &path, int &channels) {
    mpg123_init();
    int err = 0;
    mpg123_handle *h = mpg123_new(nullptr, &err);
    mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
    std::vector<short> out;
    if (mpg123_open(h, path.c_str()) == MPG123_OK) {
        long rate = 0;
        int encoding = 0;
        mpg123_getformat(h, &rate, &channels, &encoding);
        mpg123_format_none(h);
        mpg123_format(h, rate, channels, MPG123_ENC_SIGNED_16);
        std::vector<unsigned char> buffer(1 << 16);
        for (;;) {
            size_t done = 0;
            const int status = mpg123_read(h, buffer.data(), buffer.size(), &done);
            const short *data = reinterpret_cast<const short *>(buffer.data());
            out.insert(out.end(), data, data + done / 2);
            if (status != MPG123_OK && status != MPG123_NEW_FORMAT) break;
        }
    }
    mpg123_close(h);
    mpg123_delete(h);
    return out;
}

} // namespace

// Long MP3s are decoded in two halves at once; the file must be exactly what one decoder makes,
// whatever the rate, bit rate and channels (MPEG-2 rates are not split, and must not suffer).
TEST_F(CodecTest, DecodingInTwoHalvesGivesWhatOneDecoderGives) {
    ASSERT_TRUE(writeNoisyTone(file("stereo.wav"), 2, 62));
    ASSERT_TRUE(writeNoisyTone(file("mono.wav"), 1, 62));
    ASSERT_TRUE(writeNoisyTone(file("short.wav"), 2, 20));
    enum Tail { None, Taken }; // whether a second decoder takes the second half
    const struct {
        const char *input;
        codec::EncodeOptions options;
        Tail tail;
    } cases[] = {
        {"stereo.wav", {128000, 44100}, Taken},
        {"mono.wav", {64000, 44100}, Taken},
        {"stereo.wav", {32000, 32000}, Taken},
        {"stereo.wav", {48000, 22050}, Taken}, // MPEG-2: frames of 576 samples
        {"short.wav", {128000, 44100}, None},  // too little sound to split
    };
    for (const auto &c : cases) {
        const std::string label = std::string(c.input) + " " + std::to_string(c.options.bitRate) +
                                  " " + std::to_string(c.options.sampleRate);
        const std::string mp3 = local(file("x.mp3"));
        ASSERT_TRUE(codec::encodeMp3(local(file(c.input)), mp3, c.options).ok) << label;
        ASSERT_TRUE(codec::decodeMp3(mp3, local(file("x.wav"))).ok) << label;
        int channels = 0;
        const std::vector<short> expected = decodeInOneGo(mp3, channels);
        const Sound got = readSound(file("x.wav"));
        ASSERT_EQ(got.info.channels, channels) << label;
        ASSERT_EQ(got.samples.size(), expected.size()) << label;
        EXPECT_TRUE(got.samples == expected) << label;

        // The tail on its own: it starts where it should and is taken only when its overlap
        // matches what came before.
        codec::Mp3TailDecoder tail(mp3, c.options.sampleRate, channels);
        EXPECT_EQ(tail.started(), c.tail != None) << label;
        if (!tail.started()) continue;
        const auto from = expected.begin() + (tail.split() - tail.overlap()) * channels;
        std::vector<short> overlap(from, from + tail.overlap() * channels);
        overlap.back() ^= 1;
        EXPECT_FALSE(tail.finish(overlap)) << label;
        overlap.back() ^= 1;
        EXPECT_EQ(tail.finish(overlap), c.tail == Taken) << label;
        if (c.tail != Taken) continue;
        ASSERT_EQ(tail.split() * channels + tail.frames() * channels, (long long)expected.size())
            << label;
        EXPECT_TRUE(
            std::equal(expected.begin() + tail.split() * channels, expected.end(), tail.samples()))
            << label;
    }
}
