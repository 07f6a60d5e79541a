// Invert, Pegel, Average, Amplitude, the fades and CFilter, by their worked examples.
#include "dsp_test_support.h"
#include "effects.h"

#include <gtest/gtest.h>

using namespace lvx::fx;
using namespace lvx::fx::dsp;
using namespace lvx::fx::dsp::test;

TEST(Invert, ReversesFramesKeepingChannelOrder) {
    Sound three = makeSound16(2, 8000, {1, 2, 3, 4, 5, 6});
    TestContext ctx;
    EXPECT_TRUE(invert(three, ctx));
    EXPECT_EQ(values16(three), (std::vector<int32_t>{5, 6, 3, 4, 1, 2}));

    Sound four = makeSound16(1, 8000, {1, 2, 3, 4});
    EXPECT_TRUE(invert(four, ctx));
    EXPECT_EQ(values16(four), (std::vector<int32_t>{4, 3, 2, 1}));

    Sound s = randomSound16(2, 44100, 2 * 10001, 3);
    const auto before = s.samples;
    TestContext walk;
    EXPECT_TRUE(invert(s, walk));
    // Progress counts the byte offset of the front frame against half the length.
    const auto p = walk.walk(0);
    ASSERT_EQ(p.size(), 99u);
    EXPECT_EQ(p.back(), 99);
    EXPECT_NE(s.samples, before);
    EXPECT_TRUE(invert(s, ctx));
    EXPECT_EQ(s.samples, before);
}

TEST(Invert, ShortensTheWalkedLengthToWholeFourByteUnits) {
    // 8-bit mono, 7 bytes: the walk covers 4, the last 3 stay where they are.
    Sound s = makeSound(1, 1, 8000, 7);
    s.samples = {1, 2, 3, 4, 5, 6, 7};
    TestContext ctx;
    EXPECT_TRUE(invert(s, ctx));
    EXPECT_EQ(s.workLength, 4);
    EXPECT_EQ(s.samples, (std::vector<uint8_t>{4, 3, 2, 1, 5, 6, 7}));
    // Later analysis leaves those bytes out: Average sees only the first four.
    s.samples = {127, 127, 127, 127, 255, 255, 255};
    EXPECT_EQ(average(s), 0);
}

TEST(Invert, StopLeavesTheMiddleAsItWas) {
    std::vector<int32_t> v(100000);
    for (size_t i = 0; i < v.size(); ++i)
        v[i] = int32_t(i % 30000);
    Sound s = makeSound16(1, 44100, v);
    TestContext ctx(2);
    EXPECT_FALSE(invert(s, ctx));
    EXPECT_EQ(value16(s, 0), v.back());
    EXPECT_EQ(value16(s, 50000), v[50000]);
}

TEST(Pegel, ScalesWithLimitsAndNormalises) {
    Sound s = makeSound16(1, 44100, {20000, -20000, 1000, -3});
    TestContext ctx;
    EXPECT_TRUE(pegel(s, 2.0, ctx));
    EXPECT_EQ(values16(s), (std::vector<int32_t>{32767, -32768, 2000, -6}));

    Sound n = makeSound16(1, 44100, {16384, -100, 5});
    EXPECT_TRUE(pegel(n, -1.0, ctx));
    EXPECT_EQ(values16(n)[0], 32767);
    EXPECT_EQ(values16(n)[1], -199); // -100 * 1.99994 truncated toward zero

    Sound quiet = makeSound16(2, 44100, {0, 0, 0, 0});
    EXPECT_TRUE(pegel(quiet, -1.0, ctx));
    EXPECT_EQ(values16(quiet), (std::vector<int32_t>{0, 0, 0, 0}));

    // 8-bit: the largest distance from 127 becomes 127.
    Sound b = makeSound(1, 1, 8000, 3);
    b.samples = {127 + 50, 127 - 25, 127};
    EXPECT_TRUE(pegel(b, -1.0, ctx));
    EXPECT_EQ(b.samples, (std::vector<uint8_t>{254, 63, 127})); // 127 - 63.5, truncated
}

TEST(Average, MeanLevelInPercent) {
    std::vector<int32_t> full(1000);
    for (size_t i = 0; i < full.size(); ++i)
        full[i] = i % 2 ? 32767 : -32767;
    EXPECT_EQ(average(makeSound16(2, 44100, full)), 99);
    EXPECT_EQ(average(makeSound16(1, 44100, std::vector<int32_t>(100, 0))), 0);
    EXPECT_EQ(average(makeSound(1, 1, 8000, 100)), 0); // 8-bit silence is 127
    EXPECT_EQ(average(makeSound16(1, 44100, std::vector<int32_t>(100, 16384))), 50);
    EXPECT_EQ(average(makeSound(2, 2, 44100, 0)), 0);
}

TEST(Amplitude, RemovesTheMeanAndKeepsItForTheNextRun) {
    Sound s = makeSound16(1, 44100, {110, 90, 130, 70});
    TestContext ctx;
    EXPECT_TRUE(amplitude(s, ctx));
    EXPECT_DOUBLE_EQ(s.dcMean, 100.0);
    EXPECT_EQ(values16(s), (std::vector<int32_t>{10, -10, 30, -30}));
    EXPECT_EQ(ctx.walks(), 2);
    EXPECT_EQ(ctx.walk(0).back(), 100);
    EXPECT_EQ(ctx.walk(1).back(), 100);

    // 8-bit values are measured and corrected around the zero line 127.
    Sound b = makeSound(1, 2, 8000, 2);
    b.samples = {147, 137};
    EXPECT_TRUE(amplitude(b, ctx));
    EXPECT_DOUBLE_EQ(b.dcMean, 15.0);
    EXPECT_EQ(b.samples, (std::vector<uint8_t>{132, 122}));

    // Long sums: 3 000 000 values of 30 000 pass the folding point many times.
    Sound l = makeSound16(1, 44100, std::vector<int32_t>(3000000, 30000));
    EXPECT_TRUE(amplitude(l, ctx));
    EXPECT_DOUBLE_EQ(l.dcMean, 30000.0);
    EXPECT_EQ(value16(l, 2999999), 0);

    // A stop in the first pass changes nothing and leaves the mean at 0.
    Sound st = randomSound16(1, 44100, 100000, 2);
    const auto before = st.samples;
    TestContext stopping(1);
    EXPECT_FALSE(amplitude(st, stopping));
    EXPECT_EQ(st.samples, before);
    EXPECT_EQ(st.dcMean, 0.0);
}

TEST(Fades, RampsAsTheExamplesSay) {
    // 25 tenths on 44.1 kHz 16-bit stereo: 176 400 values; 88 200 after the start is halved.
    Sound s = makeSound16(2, 44100, std::vector<int32_t>(2 * 44100 * 3, 1000));
    fadeIn(s, 25);
    EXPECT_EQ(value16(s, 0), 0);
    EXPECT_EQ(value16(s, 88200), 500);
    EXPECT_EQ(value16(s, 176399), 999);
    EXPECT_EQ(value16(s, 176400), 1000);

    // The ramp runs per value: K = 20 values at 10 Hz stereo, value j gets j / 20.
    Sound st = makeSound16(2, 10, std::vector<int32_t>(40, 1000));
    fadeIn(st, 10);
    EXPECT_EQ(value16(st, 0), 0);
    EXPECT_EQ(value16(st, 1), 50);
    EXPECT_EQ(value16(st, 3), 150);
    EXPECT_EQ(value16(st, 19), 950);
    EXPECT_EQ(value16(st, 20), 1000);

    Sound o = makeSound16(1, 10, std::vector<int32_t>(50, 1000));
    fadeOut(o, 10); // K = 10 values before playEnd (value 50)
    EXPECT_EQ(value16(o, 39), 1000);
    EXPECT_EQ(value16(o, 40), 1000); // first value of the ramp unchanged
    EXPECT_EQ(value16(o, 45), 500);
    EXPECT_EQ(value16(o, 49), 100); // last scaled by 1 / K, never 0

    // Five tenths: K = 0. FadeIn sets the first value to the zero line, FadeOut does nothing.
    Sound b = makeSound(1, 1, 8000, 10);
    b.samples.assign(10, 200);
    fadeIn(b, 5);
    fadeOut(b, 5);
    EXPECT_EQ(b.samples[0], 127);
    EXPECT_EQ(b.samples[1], 200);
    EXPECT_EQ(b.samples[9], 200);

    // Negative lengths change nothing.
    Sound n = makeSound16(1, 10, std::vector<int32_t>(50, 1000));
    fadeIn(n, -20);
    fadeOut(n, -20);
    EXPECT_EQ(values16(n), std::vector<int32_t>(50, 1000));
}

TEST(Fades, RampsReachingOutsideTheSoundAreCutAtItsEdge) {
    Sound s = makeSound16(1, 10, std::vector<int32_t>(20, 1000));
    s.playStart = 2 * 15; // ramp of 30 values from value 15: only 5 exist
    fadeIn(s, 30);
    EXPECT_EQ(value16(s, 14), 1000);
    EXPECT_EQ(value16(s, 15), 0);
    EXPECT_EQ(value16(s, 19), 133); // 4 / 30

    Sound o = makeSound16(1, 10, std::vector<int32_t>(20, 1000));
    o.playEnd = 2 * 5; // ramp of 30 values ending at value 5
    fadeOut(o, 30);
    EXPECT_EQ(value16(o, 0), 166); // j = 25: 1 - 25/30
    EXPECT_EQ(value16(o, 4), 33);  // j = 29: 1 / 30
    EXPECT_EQ(value16(o, 5), 1000);

    Sound far = makeSound16(1, 10, std::vector<int32_t>(20, 1000));
    far.playStart = 1000;
    far.playEnd = 100000;
    fadeIn(far, 10);
    fadeOut(far, 10);
    EXPECT_EQ(values16(far), std::vector<int32_t>(20, 1000));
}

TEST(CFilter, RepairsABurstButNotASingleClick) {
    std::vector<int32_t> v(400);
    for (size_t i = 0; i < v.size(); ++i)
        v[i] = int32_t(i % 2 ? 10 : -10) + int32_t(i);
    // A single click: one jump up, one down.
    std::vector<int32_t> click = v;
    click[100] += 20000;
    Sound c = makeSound16(1, 8000, click);
    TestContext ctx;
    EXPECT_TRUE(cfilter(c, 5, ctx));
    EXPECT_EQ(values16(c), click);

    // A burst of alternating spikes (more than three large jumps) then quiet values.
    std::vector<int32_t> burst = v;
    for (size_t i = 200; i < 206; ++i)
        burst[i] += i % 2 ? 15000 : -15000;
    Sound b = makeSound16(1, 8000, burst);
    EXPECT_TRUE(cfilter(b, 0, ctx)); // 0 works as 5
    const auto out = values16(b);
    // Straight line from value 199 to the last large jump's value 206.
    for (size_t j = 200; j < 206; ++j) {
        const double line = burst[199] + double(burst[206] - burst[199]) * double(j - 199) / 7.0;
        EXPECT_EQ(out[j], int32_t(line)) << j;
    }
    EXPECT_EQ(out[199], burst[199]);
    EXPECT_EQ(out[206], burst[206]);
    EXPECT_EQ(ctx.walks(), 4); // two passes per run
}

TEST(CFilter, BurstStillOpenAtTheEndIsLeftAlone) {
    std::vector<int32_t> v(100, 0);
    for (size_t i = 92; i < 100; ++i)
        v[i] = i % 2 ? 20000 : -20000;
    Sound s = makeSound16(1, 8000, v);
    TestContext ctx;
    EXPECT_TRUE(cfilter(s, 2, ctx));
    EXPECT_EQ(values16(s), v);
}

TEST(StopRules, EachPassStopsOrRunsOnAsDefined) {
    const Sound original = randomSound16(2, 44100, 20000, 17);

    // Amplitude: a stop during the correcting pass does not stop it.
    Sound a = original;
    TestContext second;
    second.stopFromWalk(2);
    EXPECT_TRUE(amplitude(a, second));
    EXPECT_NE(a.dcMean, 0.0);
    EXPECT_EQ(value16(a, 19999), int32_t(value16(original, 19999) - a.dcMean));

    // Pegel: the scaling pass stops at once.
    Sound p = original;
    TestContext first;
    first.stopFromWalk(1);
    EXPECT_FALSE(pegel(p, 0.5, first));
    EXPECT_EQ(p.samples, original.samples);

    // CFilter stops in either pass; Invert stops too.
    for (int walk : {1, 2}) {
        Sound c = original;
        TestContext ctx;
        ctx.stopFromWalk(walk);
        EXPECT_FALSE(cfilter(c, 1, ctx)) << walk;
    }
    Sound i = original;
    EXPECT_FALSE(invert(i, first));
    EXPECT_EQ(i.samples, original.samples);
}
