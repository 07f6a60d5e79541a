// Echo, Reverb, Chorus and Distortion checked by their impulse responses and worked examples.
#include "dsp_test_support.h"
#include "effects.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

using namespace lvx::fx;
using namespace lvx::fx::dsp;
using namespace lvx::fx::dsp::test;

namespace {

std::vector<int32_t> impulse(size_t length, size_t at, int32_t height) {
    std::vector<int32_t> v(length, 0);
    v[at] = height;
    return v;
}

ChorusParams chorusParams(int16_t delay, int16_t depth, float rate, int16_t waveform) {
    return ChorusParams{delay, depth, rate, waveform, 100, 100, 1, 1, 50};
}

} // namespace

TEST(Echo, ImpulseResponseHasTheDelayAndRatio) {
    // 10 ms at 8 000 Hz = 80 samples; ratio 40 %.
    Sound s = makeSound16(1, 8000, impulse(400, 5, 10000));
    TestContext ctx;
    EXPECT_TRUE(echo(s, 10, 40, ctx));
    const auto v = values16(s);
    for (size_t i = 0; i < v.size(); ++i) {
        const int32_t expected = i == 5 ? 10000 : i == 85 ? 4000 : 0;
        ASSERT_EQ(v[i], expected) << i;
    }
    const auto p = ctx.walk(0);
    EXPECT_EQ(p.size(), 100u); // 400 values: every percentage once
    EXPECT_EQ(p.back(), 100);
}

TEST(Echo, RatioZeroKeepsTheSoundAndDelayZeroDoublesIt) {
    Sound s = randomSound16(2, 44100, 2000, 3);
    const auto before = values16(s);
    TestContext ctx;
    EXPECT_TRUE(echo(s, 100, 0, ctx));
    EXPECT_EQ(values16(s), before);

    Sound d = makeSound16(1, 44100, {100, -200, 20000, -20000, 0});
    EXPECT_TRUE(echo(d, 0, 100, ctx));
    EXPECT_EQ(values16(d), (std::vector<int32_t>{200, -400, 32767, -32768, 0}));
}

TEST(Echo, StereoChannelsHaveTheirOwnLines) {
    std::vector<int32_t> v(2 * 200, 0);
    v[0] = 8000; // left click only
    Sound s = makeSound16(2, 1000, v);
    TestContext ctx;
    EXPECT_TRUE(echo(s, 50, 50, ctx));
    const auto out = values16(s);
    EXPECT_EQ(out[2 * 50], 4000);
    for (size_t f = 0; f < 200; ++f)
        ASSERT_EQ(out[2 * f + 1], 0) << f;
}

TEST(Echo, OverlongAndNegativeDelaysStayInsideTheLine) {
    for (int16_t delay : {int16_t(32767), int16_t(-32768), int16_t(-1), int16_t(2000)}) {
        Sound s = randomSound16(2, 48000, 2 * 50000, 7);
        TestContext ctx;
        EXPECT_TRUE(echo(s, delay, 50, ctx)) << delay;
        EXPECT_TRUE(reverb(s, delay, 50, ctx)) << delay;
    }
}

TEST(DelayEffects, MatchTheirDefinitionForEveryKindOfDelay) {
    // Delays of d samples around the walk's runs (4 096 values) and the line's length (44 101
    // slots), over a sound long enough for runs of full length that wraps the line many times.
    // Echo:   y[n] = x[n] + x[n - d] * ratio / 100
    // Reverb: y[n] = x[n] + y[n - d] * ratio / 100, d = 44 101 for a delay of 0
    // both limited to 16 bits, the products truncated toward zero, nothing before the start.
    struct Delay {
        int32_t rate;
        int16_t ms;
    };
    const Delay delays[] = {{1000, 0},    {1000, 1},    {1000, 2},    {1000, 7},
                            {1000, 4095}, {1000, 4096}, {1000, 4097}, {1000, 22050},
                            {44100, 950}, {44100, 999}, {44100, 1000}};
    const int16_t ratios[] = {30, -100, 32767};
    const size_t n = 420000;
    auto limit = [](int64_t v) { return int32_t(std::clamp<int64_t>(v, -32768, 32767)); };
    for (const Delay &delay : delays) {
        const Sound original = randomSound16(1, delay.rate, n, 41, 32767);
        const auto x = values16(original);
        const size_t d = size_t(delay.ms) * size_t(delay.rate) / 1000;
        const size_t feedback = d == 0 ? 44101 : d;
        for (int16_t ratio : ratios) {
            std::vector<int32_t> echoed(n), reverbed(n);
            for (size_t i = 0; i < n; ++i) {
                const int32_t past = i >= d ? x[i - d] : 0;
                echoed[i] = limit(x[i] + past * ratio / 100);
                const int32_t earlier = i >= feedback ? reverbed[i - feedback] : 0;
                reverbed[i] = limit(x[i] + earlier * ratio / 100);
            }
            Sound e = original, r = original;
            TestContext ctx;
            ASSERT_TRUE(echo(e, delay.ms, ratio, ctx));
            ASSERT_TRUE(reverb(r, delay.ms, ratio, ctx));
            const auto outE = values16(e), outR = values16(r);
            for (size_t i = 0; i < n; ++i) {
                ASSERT_EQ(outE[i], echoed[i])
                    << "echo, delay " << d << ", ratio " << ratio << ", at " << i;
                ASSERT_EQ(outR[i], reverbed[i])
                    << "reverb, delay " << d << ", ratio " << ratio << ", at " << i;
            }
        }
    }
}

TEST(Reverb, ClickDecaysByTheRatioAtMultiplesOfTheDelay) {
    Sound s = makeSound16(1, 1000, impulse(500, 0, 10001));
    TestContext ctx;
    EXPECT_TRUE(reverb(s, 100, 50, ctx));
    const auto v = values16(s);
    // 10001 -> 5000 -> 2500 -> 1250 -> 625 (each truncated toward zero)
    const int32_t expected[] = {10001, 5000, 2500, 1250, 625};
    for (size_t i = 0; i < v.size(); ++i)
        ASSERT_EQ(v[i], i % 100 == 0 ? expected[i / 100] : 0) << i;

    // Negative clicks truncate toward zero too.
    Sound n = makeSound16(1, 1000, impulse(300, 0, -10001));
    EXPECT_TRUE(reverb(n, 100, 50, ctx));
    EXPECT_EQ(values16(n)[100], -5000);
    EXPECT_EQ(values16(n)[200], -2500);
}

TEST(Reverb, EightBitSoundsWorkAroundTheZeroLine) {
    Sound s = makeSound(1, 1, 1000, 300);
    s.samples[0] = 227; // +100
    TestContext ctx;
    EXPECT_TRUE(reverb(s, 100, 50, ctx));
    EXPECT_EQ(s.samples[0], 227);
    EXPECT_EQ(s.samples[100], 127 + 50);
    EXPECT_EQ(s.samples[200], 127 + 25);
    EXPECT_EQ(s.samples[50], 127);
}

TEST(Chorus, OutputBelowTheRangeIsLimitedNotWrapped) {
    // Dry 100 plus wet 100 of a delayed copy of a loud negative block sums beyond -32768.
    std::vector<int32_t> v(4000, -30000);
    Sound s = makeSound16(1, 8000, v);
    TestContext ctx;
    EXPECT_TRUE(chorus(s, chorusParams(5, 2, 1.0f, 0), ctx));
    const auto out = values16(s);
    EXPECT_EQ(out[3999], -32768);
    for (int32_t x : out)
        ASSERT_LE(x, 0);
}

TEST(Chorus, DelayedCopyArrivesAfterTheDelay) {
    // Triangle with depth 0: a fixed delay of 10 ms = 80 samples, wet only.
    ChorusParams p{10, 0, 1.0f, 1, 0, 100, 1, 1, 0};
    Sound s = makeSound16(1, 8000, impulse(400, 0, 9000));
    TestContext ctx;
    EXPECT_TRUE(chorus(s, p, ctx));
    const auto v = values16(s);
    for (size_t i = 0; i < v.size(); ++i)
        ASSERT_EQ(v[i], i == 80 ? 9000 : 0) << i;
}

TEST(Chorus, UnknownWaveformsAreTheSineAndWildArgumentsStayInside) {
    Sound a = randomSound16(2, 22050, 2 * 3000, 11);
    Sound b = a;
    TestContext ctx;
    EXPECT_TRUE(chorus(a, chorusParams(20, 8, 2.0f, 0), ctx));
    EXPECT_TRUE(chorus(b, chorusParams(20, 8, 2.0f, 7), ctx));
    EXPECT_EQ(a.samples, b.samples);

    // Delays beyond the line, negative depths, rates of 0 or above the sample rate, and
    // feedback far beyond 100 % never read outside the line.
    const ChorusParams wild[] = {
        {32767, 32767, 0.0f, 1, 100, 100, 1, 1, 1000},
        {-32768, -32768, -5.0f, 0, 100, 100, -1, -1, 32767},
        {1500, 1000, 1e9f, 0, 50, 50, 1, 1, 300},
        {0, 0, 1e-9f, 3, 0, 32767, 32767, 32767, 32767},
    };
    for (const ChorusParams &p : wild) {
        Sound s = randomSound16(2, 44100, 2 * 5000, 12);
        EXPECT_TRUE(chorus(s, p, ctx));
    }
}

TEST(Distortion, WorkedExampleWithoutGate) {
    // Threshold 3 % of 32 768 = 983, clamp 0: 46 % of every value plus 5.6 times the small ones.
    Sound s = makeSound16(1, 44100, {982, -982, 983, -983, 100, 20000, -1});
    TestContext ctx;
    EXPECT_TRUE(distortion(s, DistortionParams{46, 560, 3, 0, 0}, ctx));
    auto expect = [](int32_t x, bool small) {
        return int32_t(double(x * 46) * 0.01 + (small ? double(x * 560) * 0.01 : 0.0));
    };
    EXPECT_EQ(values16(s),
              (std::vector<int32_t>{expect(982, true) > 32767 ? 32767 : expect(982, true),
                                    expect(-982, true) < -32768 ? -32768 : expect(-982, true),
                                    expect(983, false), expect(-983, false), expect(100, true),
                                    expect(20000, false), expect(-1, true)}));
    EXPECT_EQ(values16(s)[0], 5950); // 451.72 + 5499.2, truncated
}

TEST(Distortion, GateReplacesSmallValuesByTheClampLevel) {
    // Threshold 10 % = 3276, clamp 20 % = 6553; dry 0, distorted 100.
    Sound s = makeSound16(1, 44100, {100, -100, 5000, -5000});
    TestContext ctx;
    EXPECT_TRUE(distortion(s, DistortionParams{0, 100, 10, 20, 1}, ctx));
    // With dry 0 the sign test sees 0: small values all become +6553.
    EXPECT_EQ(values16(s), (std::vector<int32_t>{6553, 6553, 5000, -5000}));

    Sound d = makeSound16(1, 44100, {100, -100});
    EXPECT_TRUE(distortion(d, DistortionParams{10, 100, 10, 20, 1}, ctx));
    EXPECT_EQ(values16(d), (std::vector<int32_t>{6563, -6563}));

    // 8-bit: full scale 128, hard clipping at the clamp level around 127.
    Sound b = makeSound(1, 1, 8000, 3);
    b.samples = {255, 0, 130};
    EXPECT_TRUE(distortion(b, DistortionParams{0, 100, 50, 50, 0}, ctx));
    EXPECT_EQ(b.samples, (std::vector<uint8_t>{127 + 64, 127 - 64, 130}));
}

TEST(DelayEffects, StopLeavesTheRestUntouched) {
    Sound s = randomSound16(2, 44100, 2 * 100000, 21);
    const auto before = values16(s);
    TestContext ctx(5);
    EXPECT_FALSE(echo(s, 1, 100, ctx));
    const auto after = values16(s);
    // Some frames were processed, everything after the stop point is as it was.
    size_t lastChanged = 0;
    for (size_t i = 0; i < after.size(); ++i)
        if (after[i] != before[i]) lastChanged = i;
    EXPECT_GT(lastChanged, 1000u);
    EXPECT_LT(lastChanged, after.size() / 2);
    for (int p : ctx.walk(0))
        EXPECT_LT(p, 100);
}

TEST(DelayEffects, StereoIsTwoIndependentMonoWalks) {
    // Long enough for the two channels to run on two threads.
    const size_t frames = 70001;
    const Sound stereo = randomSound16(2, 44100, 2 * frames, 31, 32767);
    std::vector<int32_t> left(frames), right(frames);
    const auto v = values16(stereo);
    for (size_t f = 0; f < frames; ++f)
        left[f] = v[2 * f], right[f] = v[2 * f + 1];

    using Op = std::function<bool(Sound &, ActionContext &)>;
    const std::vector<Op> ops = {
        [](Sound &s, ActionContext &c) { return echo(s, 250, 70, c); },
        [](Sound &s, ActionContext &c) { return reverb(s, 40, 90, c); },
        [](Sound &s, ActionContext &c) { return chorus(s, chorusParams(30, 9, 0.7f, 0), c); },
        [](Sound &s, ActionContext &c) { return chorus(s, chorusParams(12, 5, 3.0f, 1), c); },
        [](Sound &s, ActionContext &c) {
            return distortion(s, DistortionParams{46, 560, 3, 10, 1}, c);
        },
    };
    for (size_t i = 0; i < ops.size(); ++i) {
        Sound s = stereo, l = makeSound16(1, 44100, left), r = makeSound16(1, 44100, right);
        TestContext ctx;
        ASSERT_TRUE(ops[i](s, ctx));
        ASSERT_TRUE(ops[i](l, ctx));
        ASSERT_TRUE(ops[i](r, ctx));
        const auto out = values16(s), outL = values16(l), outR = values16(r);
        for (size_t f = 0; f < frames; ++f) {
            ASSERT_EQ(out[2 * f], outL[f]) << "operation " << i << " frame " << f;
            ASSERT_EQ(out[2 * f + 1], outR[f]) << "operation " << i << " frame " << f;
        }
        // Every percentage is posted once, in order.
        const auto p = ctx.walk(0);
        ASSERT_EQ(p.size(), 100u);
        EXPECT_EQ(p.front(), 1);
        EXPECT_EQ(p.back(), 100);
    }
}
