// Equalizer: identity and silence, band gains at their centres, the 16-sample delay, and the
// chunked multi-core walk against a plain one-value-at-a-time filter.
#include "dsp_test_support.h"
#include "effects.h"
#include "eq_filter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>

using namespace lvx::fx;
using namespace lvx::fx::dsp;
using namespace lvx::fx::dsp::test;

namespace {

EqParams singleBand(int band, int16_t gain, int16_t dry) {
    EqParams p{};
    p.gains[band] = gain;
    p.filterDry = dry;
    return p;
}

// One history per channel, shifted value by value across the whole sound.
void referenceEq(Sound &s, const EqParams &p) {
    EqFilter f;
    for (int b = 0; b < 9; ++b)
        f.addBand(EqFilter::kBands[size_t(b)], p.gains[b] * 0.01, s.sampleRate);
    f.setDryFactor(p.filterDry * 0.01);
    const auto &c = f.coefficients();
    const int ch = s.channels;
    std::array<std::array<double, 33>, 2> history{};
    const size_t n = size_t(s.byteCount / s.bytesPerSample);
    for (size_t i = 0; i < n; ++i) {
        auto &h = history[i % size_t(ch)];
        std::rotate(h.rbegin(), h.rbegin() + 1, h.rend());
        const double x = s.bytesPerSample == 2 ? value16(s, i) : int(s.samples[i]) - 127;
        h[0] = x;
        double y = 0;
        for (size_t k = 0; k < 33; ++k)
            y += c[k] * h[k];
        y += f.dryFactor() * x;
        y = std::clamp(y, -32768.0, 32767.0);
        if (s.bytesPerSample == 2)
            setValue16(s, i, int(y));
        else
            s.samples[i] = uint8_t(std::clamp(y + 127, 0.0, 255.0));
    }
}

// One band's 33 taps computed here from its edges in Hz, in long double with complex
// arithmetic: the ideal band-pass, the Hamming window, then unit gain at the band's middle.
// The design's own rounded values of pi and 2 pi are part of the result.
std::array<long double, 33> bandKernel(long double low, long double high, int rate) {
    const long double pi = 3.14159L;
    const int nyquist = rate / 2;
    const long double f1 = 0.5L * low / nyquist, f2 = 0.5L * high / nyquist;
    std::array<long double, 33> taps{};
    for (int m = -16; m <= 16; ++m) {
        const long double ideal =
            m == 0 ? 2 * (f2 - f1)
                   : 2 * std::sin(pi * m * (f2 - f1)) * std::cos(pi * m * (f1 + f2)) / (pi * m);
        taps[size_t(m + 16)] = ideal * (0.54L - 0.46L * std::cos(6.28318L * (m + 16) / 32));
    }
    std::complex<long double> response = 0;
    for (int k = 0; k < 33; ++k)
        response += taps[size_t(k)] * std::polar(1.0L, -pi * (f1 + f2) * k);
    for (long double &t : taps)
        t /= std::abs(response);
    return taps;
}

// Lower and upper edges of the nine bands, Hz.
constexpr std::array<std::array<int, 2>, 9> kEdges = {{{0, 64},
                                                       {32, 128},
                                                       {80, 320},
                                                       {200, 600},
                                                       {400, 1600},
                                                       {1000, 3000},
                                                       {2000, 6000},
                                                       {4000, 12000},
                                                       {8000, 24000}}};

} // namespace

TEST(Eq, EachBandKernelMatchesItsDesignTapByTap) {
    for (int rate : {44100, 48000, 22050, 11025, 8000}) {
        for (size_t b = 0; b < 9; ++b) {
            SCOPED_TRACE(testing::Message() << rate << " Hz, band " << b + 1);
            EqFilter f;
            f.clear();
            f.addBand(EqFilter::kBands[b], 1.0, rate);
            const auto expected = bandKernel(kEdges[b][0], kEdges[b][1], rate);
            for (size_t k = 0; k < 33; ++k)
                EXPECT_NEAR(f.coefficients()[k], double(expected[k]), 1e-12) << "tap " << k;
        }
    }
}

TEST(Eq, TheCombinedKernelIsTheGainWeightedSumOfTheBands) {
    const int16_t gains[9] = {150, -40, 0, 100, 75, 30, 0, 200, 5};
    for (int rate : {44100, 16000}) {
        SCOPED_TRACE(rate);
        EqFilter f;
        f.clear();
        std::array<long double, 33> expected{};
        for (size_t b = 0; b < 9; ++b) {
            f.addBand(EqFilter::kBands[b], gains[b] * 0.01, rate);
            const auto band = bandKernel(kEdges[b][0], kEdges[b][1], rate);
            for (size_t k = 0; k < 33; ++k)
                expected[k] += gains[b] * 0.01L * band[k];
        }
        for (size_t k = 0; k < 33; ++k)
            EXPECT_NEAR(f.coefficients()[k], double(expected[k]), 1e-11) << "tap " << k;
    }
}

TEST(Eq, DryOnlyIsIdentityAndNothingIsSilence) {
    Sound s = randomSound16(2, 44100, 2 * 5000, 1, 32767);
    const auto before = s.samples;
    TestContext ctx;
    EXPECT_TRUE(eq(s, EqParams{{0, 0, 0, 0, 0, 0, 0, 0, 0}, 100}, ctx));
    EXPECT_EQ(s.samples, before);
    EXPECT_TRUE(eq(s, EqParams{{0, 0, 0, 0, 0, 0, 0, 0, 0}, 0}, ctx));
    for (int32_t v : values16(s))
        ASSERT_EQ(v, 0);

    Sound b = makeSound(1, 1, 8000, 500);
    for (size_t i = 0; i < 500; ++i)
        b.samples[i] = uint8_t(i * 7);
    EXPECT_TRUE(eq(b, EqParams{{0, 0, 0, 0, 0, 0, 0, 0, 0}, 0}, ctx));
    for (size_t i = 0; i < 500; ++i)
        ASSERT_EQ(b.samples[i], 127) << i;
}

TEST(Eq, SineAtABandCentrePassesAtItsLevelSixteenSamplesLate) {
    const int rate = 44100;
    for (int band : {0, 3, 4, 7}) {
        const int centre = EqFilter::kBands[size_t(band)].centre;
        const size_t length = 20000;
        std::vector<int32_t> x(length);
        for (size_t i = 0; i < length; ++i)
            x[i] = int32_t(std::lround(10000 * std::sin(2 * M_PI * centre * double(i) / rate)));
        Sound s = makeSound16(1, rate, x);
        TestContext ctx;
        EXPECT_TRUE(eq(s, singleBand(band, 100, 0), ctx));
        const auto y = values16(s);
        // Ignore the start-up while the history fills.
        double worst = 0;
        for (size_t i = 100; i < length; ++i)
            worst = std::max(worst, std::abs(double(y[i] - x[i - 16])));
        EXPECT_LT(worst, 200) << "band " << band + 1; // within 2 % of the level
        const auto peak = *std::max_element(y.begin() + 100, y.end());
        EXPECT_GT(peak, 9700) << "band " << band + 1;
    }
}

TEST(Eq, BandsAttenuateFarFrequencies) {
    // Band 9 (8 - 24 kHz) holds back a 200 Hz tone almost completely.
    Sound s = makeSound16(1, 44100, tone(8000, 200, 44100, 10000));
    TestContext ctx;
    EXPECT_TRUE(eq(s, singleBand(8, 100, 0), ctx));
    const auto y = values16(s);
    EXPECT_LT(*std::max_element(y.begin() + 100, y.end()), 500);
}

TEST(Eq, ChunkedWalkMatchesOneContinuousHistory) {
    // Long enough for several chunks, so chunk edges must carry the original history.
    const EqParams p{{120, -40, 75, 100, 30, 0, 55, 90, 10}, 35};
    Sound s = randomSound16(2, 44100, 2 * 140000, 4, 32767);
    Sound expected = s;
    referenceEq(expected, p);
    TestContext ctx;
    EXPECT_TRUE(eq(s, p, ctx));
    EXPECT_EQ(s.samples, expected.samples);

    Sound m = makeSound(1, 1, 22050, 70000);
    std::mt19937 rng(5);
    for (size_t i = 0; i < 70000; ++i)
        m.samples[i] = uint8_t(rng());
    Sound expectedMono = m;
    referenceEq(expectedMono, p);
    EXPECT_TRUE(eq(m, p, ctx));
    EXPECT_EQ(m.samples, expectedMono.samples);
}

TEST(Eq, IgnoresStopAndReportsToOneHundred) {
    Sound s = randomSound16(1, 44100, 70000, 8);
    TestContext ctx;
    ctx.requestStop();
    EXPECT_TRUE(eq(s, singleBand(4, 100, 0), ctx));
    EXPECT_EQ(ctx.walk(0).back(), 100);
}

TEST(Eq, OddSampleRatesNeverGiveUnboundedCoefficients) {
    for (int rate : {0, 1, 2, 3, 8000, 2147483647}) {
        EqFilter f;
        for (const auto &band : EqFilter::kBands)
            f.addBand(band, 1.0, rate);
        for (double c : f.coefficients())
            ASSERT_TRUE(std::isfinite(c)) << rate;
        Sound s = randomSound16(1, rate, 300, 2);
        TestContext ctx;
        EXPECT_TRUE(eq(s, EqParams{{100, 100, 100, 100, 100, 100, 100, 100, 100}, 50}, ctx));
    }
}
