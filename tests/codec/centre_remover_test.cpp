// The frequency-domain centre remover on a synthetic band: a centred voice, bass and kick, and
// an instrument on each side.
//
// The remover is nonlinear (its gains depend on the mix), so what it does to each part is
// measured by processing the parts as followers of the mix: they get exactly the mix's per-bin
// gains, and since the transform and the gains are linear, the processed parts add up to the
// processed mix (checked below). Each part's level before and after is then its own.
#include "centre_remover.h"
#include "codec.h"
#include "synthetic_band.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <string>
#include <unistd.h>

namespace {

using codec::CentreRemover;
using codec::PlanarStereo;

using namespace SyntheticBand;
constexpr double kSeconds = kDefaultSeconds;

double sideRatio(const PlanarStereo &s) {
    return dB(energy(s.left) / energy(s.right));
}
// Energy of a - b relative to a, in dB.
double errorDb(const PlanarStereo &a, const PlanarStereo &b) {
    double e = 0;
    for (size_t i = 0; i < a.frames(); ++i)
        e += std::pow(double(a.left[i]) - b.left[i], 2) +
             std::pow(double(a.right[i]) - b.right[i], 2);
    return dB(e / energy(a));
}

struct BandResult {
    double voice, bass, kick, guitar, keys; // level change, dB
    double guitarSide, keysSide;            // change of the L/R energy ratio, dB
    double guitarCrosstalk, keysCrosstalk;  // dB
    double partsVsMix;                      // processed parts vs processed mix, dB
};

BandResult removeFromBand(int rate, double other = kPanned) {
    const PlanarStereo v = voice(rate), b = bass(rate), k = kick(rate), g = leftGuitar(rate, other),
                       r = rightKeys(rate, other);
    PlanarStereo mix = sum({&v, &b, &k, &g, &r});
    PlanarStereo pv = v, pb = b, pk = k, pg = g, pr = r;
    EXPECT_TRUE(CentreRemover(rate).process(mix, {&pv, &pb, &pk, &pg, &pr}));
    BandResult res;
    res.voice = dB(energy(pv) / energy(v));
    res.bass = dB(energy(pb) / energy(b));
    res.kick = dB(energy(pk) / energy(k));
    res.guitar = dB(energy(pg) / energy(g));
    res.keys = dB(energy(pr) / energy(r));
    res.guitarSide = sideRatio(pg) - sideRatio(g);
    res.keysSide = sideRatio(pr) - sideRatio(r);
    // For hard-panned parts: what reached the silent side, relative to the part.
    res.guitarCrosstalk = dB(energy(pg.right) / energy(g));
    res.keysCrosstalk = dB(energy(pr.left) / energy(r));
    res.partsVsMix = errorDb(mix, sum({&pv, &pb, &pk, &pg, &pr}));
    return res;
}

class BandAtRate : public ::testing::TestWithParam<int> {};

TEST_P(BandAtRate, VoiceGoesWhileBassKickAndSidesStay) {
    const BandResult r = removeFromBand(GetParam());
    std::printf("rate %d: voice %.1f dB, bass %.2f dB, kick %.2f dB, left %.2f dB (side %+.2f), "
                "right %.2f dB (side %+.2f)\n",
                GetParam(), r.voice, r.bass, r.kick, r.guitar, r.guitarSide, r.keys, r.keysSide);
    EXPECT_LT(r.partsVsMix, -60) << "the parts no longer add up to the mix";
    EXPECT_LE(r.voice, -20);
    EXPECT_LE(std::fabs(r.bass), 2);
    EXPECT_LE(std::fabs(r.kick), 2);
    EXPECT_GE(r.guitar, -2);
    EXPECT_GE(r.keys, -2);
    EXPECT_LE(std::fabs(r.guitarSide), 2);
    EXPECT_LE(std::fabs(r.keysSide), 2);
}

INSTANTIATE_TEST_SUITE_P(Rates, BandAtRate, ::testing::Values(44100, 22050));

// Instruments hard to the sides, nothing of them on the other: the voice still drops by most
// of the margin above, and little of them reaches the other side.
TEST(CentreRemover, HardPannedInstrumentsStayOnTheirSide) {
    const BandResult r = removeFromBand(44100, 0);
    std::printf(
        "hard: voice %.1f dB, bass %.2f dB, kick %.2f dB, left %.2f dB (crosstalk %.1f dB), "
        "right %.2f dB (crosstalk %.1f dB)\n",
        r.voice, r.bass, r.kick, r.guitar, r.guitarCrosstalk, r.keys, r.keysCrosstalk);
    EXPECT_LE(r.voice, -16);
    EXPECT_LE(std::fabs(r.bass), 2);
    EXPECT_LE(std::fabs(r.kick), 2);
    EXPECT_GE(r.guitar, -2);
    EXPECT_GE(r.keys, -2);
    EXPECT_LE(r.guitarCrosstalk, -15);
    EXPECT_LE(r.keysCrosstalk, -15);
}

TEST(CentreRemover, IdenticalChannelsLeaveOnlyTheBass) {
    const int rate = 44100;
    const PlanarStereo v = voice(rate), b = bass(rate);
    PlanarStereo mono = sum({&v, &b});
    PlanarStereo pv = v, pb = b;
    ASSERT_TRUE(CentreRemover(rate).process(mono, {&pv, &pb}));
    EXPECT_LE(dB(energy(pv) / energy(v)), -40);
    EXPECT_LE(std::fabs(dB(energy(pb) / energy(b))), 1);
}

TEST(CentreRemover, HardPannedSoundsPassUnchanged) {
    const int rate = 44100;
    const PlanarStereo g = leftGuitar(rate, 0), r = rightKeys(rate, 0);
    const PlanarStereo in = sum({&g, &r});
    PlanarStereo out = in;
    ASSERT_TRUE(CentreRemover(rate).process(out));
    EXPECT_LE(std::fabs(dB(energy(out.left) / energy(in.left))), 0.5);
    EXPECT_LE(std::fabs(dB(energy(out.right) / energy(in.right))), 0.5);
    // Chance correlation between the two instruments still takes a little.
    EXPECT_LT(errorDb(in, out), -20);
}

TEST(CentreRemover, WithoutRemovalTheTransformGivesTheInputBack) {
    // Lengths around the hop and the piece boundary, and noise that fills every bin.
    for (size_t frames : {size_t(1), size_t(1000), size_t(4097), size_t(300001)}) {
        PlanarStereo in;
        std::mt19937 gen{unsigned(frames)};
        std::uniform_real_distribution<float> d(-0.9f, 0.9f);
        for (size_t i = 0; i < frames; ++i) {
            in.left.push_back(d(gen));
            in.right.push_back(d(gen));
        }
        PlanarStereo out = in;
        ASSERT_TRUE(CentreRemover(44100, false).process(out));
        ASSERT_EQ(out.frames(), frames);
        float worst = 0;
        for (size_t i = 0; i < frames; ++i)
            worst = std::max({worst, std::fabs(out.left[i] - in.left[i]),
                              std::fabs(out.right[i] - in.right[i])});
        EXPECT_LT(worst, 2e-6f) << frames << " frames";
    }
}

TEST(CentreRemover, CancelStops) {
    PlanarStereo s = voice(44100);
    std::atomic<bool> cancel{true};
    codec::JobControl control;
    control.cancel = &cancel;
    EXPECT_FALSE(CentreRemover(44100).process(s, {}, control));
}

// --- The WAV job -------------------------------------------------------------------------

class TempDir {
public:
    TempDir() {
        char name[] = "/tmp/centre-test-XXXXXX";
        m_path = mkdtemp(name);
    }
    ~TempDir() { std::system(("rm -rf '" + m_path + "'").c_str()); }
    std::string file(const std::string &name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

bool writeWav(const std::string &path, const PlanarStereo &s, int rate, int format,
              int channels = 2) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | format;
    SNDFILE *f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f) return false;
    std::vector<float> data;
    for (size_t i = 0; i < s.frames(); ++i) {
        data.push_back(s.left[i]);
        if (channels == 2) data.push_back(s.right[i]);
    }
    const bool ok =
        sf_writef_float(f, data.data(), sf_count_t(s.frames())) == sf_count_t(s.frames());
    sf_close(f);
    return ok;
}

PlanarStereo readWav(const std::string &path, SF_INFO &info) {
    PlanarStereo s;
    info = SF_INFO{};
    SNDFILE *f = sf_open(path.c_str(), SFM_READ, &info);
    if (!f) return s;
    std::vector<float> data(size_t(info.frames * info.channels));
    sf_readf_float(f, data.data(), info.frames);
    sf_close(f);
    for (sf_count_t i = 0; i < info.frames; ++i) {
        s.left.push_back(data[size_t(i * info.channels)]);
        s.right.push_back(data[size_t(i * info.channels + info.channels - 1)]);
    }
    return s;
}

struct FormatCase {
    const char *name;
    int rate, format;
    int outFormat; // the written sample format
    double lsb;    // one step of the output
};

class WavJob : public ::testing::TestWithParam<FormatCase> {};

// The job reads every format, keeps the rate, writes 8-bit as 8-bit and the rest as 16-bit,
// and its samples are the remover's on what it read, within a step of the output.
TEST_P(WavJob, WritesTheRemoversResult) {
    const FormatCase c = GetParam();
    TempDir dir;
    const PlanarStereo v = voice(c.rate), b = bass(c.rate), g = leftGuitar(c.rate);
    PlanarStereo mix = sum({&v, &b, &g});
    for (auto *ch : {&mix.left, &mix.right})
        for (float &x : *ch)
            x *= 0.8f;
    ASSERT_TRUE(writeWav(dir.file("in.wav"), mix, c.rate, c.format));
    const codec::Result r = codec::removeCentreSpectral(dir.file("in.wav"), dir.file("out.wav"));
    ASSERT_TRUE(r.ok) << r.error;
    SF_INFO inInfo, outInfo;
    PlanarStereo expected = readWav(dir.file("in.wav"), inInfo);
    const PlanarStereo out = readWav(dir.file("out.wav"), outInfo);
    EXPECT_EQ(outInfo.samplerate, c.rate);
    EXPECT_EQ(outInfo.channels, 2);
    EXPECT_EQ(outInfo.format, SF_FORMAT_WAV | c.outFormat);
    ASSERT_EQ(out.frames(), expected.frames());
    ASSERT_TRUE(CentreRemover(c.rate).process(expected));
    double worst = 0;
    for (size_t i = 0; i < out.frames(); ++i)
        worst = std::max({worst, std::fabs(double(out.left[i]) - expected.left[i]),
                          std::fabs(double(out.right[i]) - expected.right[i])});
    EXPECT_LE(worst, c.lsb * 1.01);
    // And the voice is gone from the file: what is left is close to bass and guitar alone.
    PlanarStereo rest = sum({&b, &g});
    for (auto *ch : {&rest.left, &rest.right})
        for (float &x : *ch)
            x *= 0.8f;
    EXPECT_LT(errorDb(rest, out), -12);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, WavJob,
    ::testing::Values(FormatCase{"pcm8", 44100, SF_FORMAT_PCM_U8, SF_FORMAT_PCM_U8, 1.0 / 128},
                      FormatCase{"pcm16_22050", 22050, SF_FORMAT_PCM_16, SF_FORMAT_PCM_16,
                                 1.0 / 32768},
                      FormatCase{"pcm24", 44100, SF_FORMAT_PCM_24, SF_FORMAT_PCM_16, 1.0 / 32768},
                      FormatCase{"float", 44100, SF_FORMAT_FLOAT, SF_FORMAT_PCM_16, 1.0 / 32768}),
    [](const auto &p) { return std::string(p.param.name); });

TEST(WavJobErrors, RefusesWhatItCannotDo) {
    TempDir dir;
    PlanarStereo s = bass(8000);
    ASSERT_TRUE(writeWav(dir.file("mono.wav"), s, 8000, SF_FORMAT_PCM_16, 1));
    codec::Result r = codec::removeCentreSpectral(dir.file("mono.wav"), dir.file("out.wav"));
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("only stereo"), std::string::npos) << r.error;
    r = codec::removeCentreSpectral(dir.file("missing.wav"), dir.file("out.wav"));
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("cannot read"), std::string::npos) << r.error;
    // Cancelled: fails and leaves no output behind.
    ASSERT_TRUE(writeWav(dir.file("in.wav"), s, 8000, SF_FORMAT_PCM_16));
    std::atomic<bool> cancel{true};
    codec::JobControl control;
    control.cancel = &cancel;
    r = codec::removeCentreSpectral(dir.file("in.wav"), dir.file("out.wav"), control);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(access(dir.file("out.wav").c_str(), F_OK), -1);
}

} // namespace
