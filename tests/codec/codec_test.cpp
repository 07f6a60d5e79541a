// The codec library with the real libmpg123, libmp3lame and libsndfile on generated sounds.
#include "codec.h"

#include "temp_home.h"
#include "test_media.h"

#include <QDir>
#include <QFile>
#include <cmath>
#include <gtest/gtest.h>
#include <sndfile.h>
#include <vector>

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

} // namespace
