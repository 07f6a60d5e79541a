// Pitch shifter: where tones land, identity modes, 8-bit handling, block edges, stopping, and
// the result to the last bit against a plain one-block-at-a-time transcription of the method.
#include "dsp_test_support.h"
#include "effects.h"
#include "fft_shifter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace lvx::fx;
using namespace lvx::fx::dsp;
using namespace lvx::fx::dsp::test;

namespace {

// The shifter written the slow and obvious way: the twiddle recurrence run in every group,
// Y copied from X and rewritten bin by bin, X sized with room past n.
class ReferenceShifter {
public:
    ReferenceShifter(int n, int mode) : m_n(n), m_mode(mode) {
        int bits = 0;
        while ((1 << bits) < n)
            ++bits;
        m_rev.resize(size_t(n));
        for (int k = 0; k < n; ++k) {
            int r = 0;
            for (int b = 0; b < bits; ++b)
                if (k & (1 << b)) r |= 1 << (bits - 1 - b);
            m_rev[size_t(k)] = r;
        }
        for (int e = 1; e <= n; ++e) {
            for (int sign : {1, -1}) {
                const double theta = sign * 6.2831852 / e;
                const double s = std::sin(theta / 2);
                (sign > 0 ? m_fa : m_ia).push_back(2.0 * s * s);
                (sign > 0 ? m_fb : m_ib).push_back(std::sin(theta));
            }
        }
    }

    // Transforms a block of n values and returns the n real outputs divided by n.
    std::vector<double> process(const std::vector<double> &block) {
        const int n = m_n;
        std::vector<double> xr(size_t(2 * n), 0.0), xi(size_t(2 * n), 0.0);
        for (int j = 0; j < n; ++j)
            xr[size_t(m_rev[size_t(j)])] = block[size_t(j)];
        fft(xr, xi, m_fa, m_fb);
        std::vector<double> yr(xr), yi(xi);
        rewrite(xr, xi, yr, yi);
        yr[0] = xr[0];
        yi[0] = xi[0];
        std::vector<double> zr(static_cast<size_t>(n)), zi(static_cast<size_t>(n));
        for (int j = 0; j < n; ++j) {
            zr[size_t(m_rev[size_t(j)])] = yr[size_t(j)];
            zi[size_t(m_rev[size_t(j)])] = yi[size_t(j)];
        }
        fft(zr, zi, m_ia, m_ib);
        for (int j = 0; j < n; ++j)
            zr[size_t(j)] = zr[size_t(j)] / n;
        return zr;
    }

private:
    void fft(std::vector<double> &re, std::vector<double> &im, const std::vector<double> &alpha,
             const std::vector<double> &beta) {
        for (int e = 2; e <= m_n; e *= 2) {
            const int half = e / 2;
            for (int g = 0; g < m_n; g += e) {
                double wr = 1, wi = 0;
                for (int k = 0; k < half; ++k) {
                    const size_t a = size_t(g + k), b = size_t(g + k + half);
                    const double tr = wr * re[b] - wi * im[b];
                    const double ti = wr * im[b] + wi * re[b];
                    re[b] = re[a] - tr;
                    im[b] = im[a] - ti;
                    re[a] = re[a] + tr;
                    im[a] = im[a] + ti;
                    const double nr = wr - (wr * alpha[size_t(e - 1)] + wi * beta[size_t(e - 1)]);
                    const double ni = wi - (wi * alpha[size_t(e - 1)] - wr * beta[size_t(e - 1)]);
                    wr = nr;
                    wi = ni;
                }
            }
        }
    }

    void rewrite(const std::vector<double> &xr, const std::vector<double> &xi,
                 std::vector<double> &yr, std::vector<double> &yi) {
        const unsigned n = unsigned(m_n), h = n / 2;
        auto set = [&](unsigned to, unsigned from) {
            yr[to] = xr[from];
            yi[to] = xi[from];
        };
        auto clear = [&](unsigned a, unsigned b) {
            for (unsigned k = a; k <= b; ++k)
                yr[k] = yi[k] = 0;
        };
        auto up = [&](unsigned q) {
            for (unsigned m = h; m >= 1; --m) {
                const unsigned s = 10 * m / q;
                set(m, s);
                set(n - m, n - s);
            }
        };
        switch (m_mode) {
        case 0:
            up(11), clear(1, 1), clear(n - 1, n - 1);
            break;
        case 1:
            up(12), clear(1, 1), clear(n - 1, n - 1);
            break;
        case 2:
            clear(0, n - 1), up(13), clear(1, 1), clear(n - 1, n - 1);
            break;
        case 3:
            clear(1, n - 1), up(14), clear(n - 1, n - 1);
            break;
        case 4:
            clear(1, n - 1);
            for (unsigned j = 0; j <= n / 3; ++j) {
                const unsigned t = 15 * j / 10;
                set(t, j);
                set(n - 1 - t, n - 1 - j);
            }
            break;
        case 5:
            clear(1, 10), clear(n - 10, n - 1);
            for (unsigned j = 0; j <= h - 11; ++j)
                set(11 + j, 1 + j), set(n - 11 - j, n - 1 - j);
            break;
        case 6:
            clear(h - 10, h), clear(h, h + 10);
            for (unsigned j = 0; j <= h - 11; ++j)
                set(1 + j, 11 + j), set(n - 1 - j, n - 11 - j);
            break;
        case -1:
        case -2:
        case -3:
        case -4:
        case -5: {
            const unsigned q = std::vector<unsigned>{12, 11, 13, 14, 15}[size_t(-m_mode - 1)];
            const unsigned k = 10 * n / (2 * q);
            for (unsigned j = 0; j < k; ++j) {
                const unsigned s = q * (j + 1) / 10;
                set(1 + j, s), set(n - 1 - j, n - s);
            }
            if (k + 1 < n - k) clear(k + 1, n - k - 1);
            break;
        }
        default:
            break;
        }
    }

    int m_n, m_mode;
    std::vector<int> m_rev;
    std::vector<double> m_fa, m_fb, m_ia, m_ib;
};

// The whole operation, value by value, as a reference.
void referenceShifting(Sound &s, int mode, int n) {
    const int ch = s.channels, bps = s.bytesPerSample;
    const size_t frames = size_t(s.byteCount / bps / ch);
    ReferenceShifter shifter(n, mode);
    auto in = [&](size_t i) {
        return bps == 2 ? double(value16(s, i)) : double(int(s.samples[i]) - 127);
    };
    for (size_t first = 0; first < frames; first += size_t(n)) {
        const size_t count = std::min(size_t(n), frames - first);
        for (int c = 0; c < ch; ++c) {
            std::vector<double> block(size_t(n), 0.0);
            for (size_t j = 0; j < count; ++j)
                block[j] = in((first + j) * size_t(ch) + size_t(c));
            const std::vector<double> out = shifter.process(block);
            for (size_t j = 0; j < count; ++j) {
                const double v = std::clamp(out[j], -32768.0, 32767.0);
                const int t = int(v);
                const size_t i = (first + j) * size_t(ch) + size_t(c);
                if (bps == 2)
                    setValue16(s, i, t);
                else
                    s.samples[i] = uint8_t(std::clamp(t + 127, 0, 255));
            }
        }
    }
}

std::vector<int32_t> shiftedTone(int mode, double bin) {
    Sound s = makeSound16(1, 44100, tone(4096, bin, 2048, 8000));
    TestContext ctx;
    EXPECT_TRUE(shifting(s, int16_t(mode), 2048, ctx));
    return values16(s);
}

size_t strongestBin(const std::vector<int32_t> &v, size_t first) {
    size_t best = 1;
    double bestMag = 0;
    for (size_t k = 1; k < 1024; ++k) {
        const double m = binMagnitude(v, first, 2048, k);
        if (m > bestMag) bestMag = m, best = k;
    }
    return best;
}

} // namespace

TEST(FftShifter, SizeMustBeAPowerOfTwoFrom32To32768) {
    for (int32_t ok : {32, 64, 1024, 2048, 32768})
        EXPECT_TRUE(validShiftSize(ok)) << ok;
    for (int32_t bad : {0, -2048, 16, 31, 33, 1000, 2047, 65536, 1 << 30})
        EXPECT_FALSE(validShiftSize(bad)) << bad;

    // A size the caller should have refused is never used to index the sound.
    Sound s = randomSound16(2, 44100, 1000, 1);
    const auto before = s.samples;
    TestContext ctx;
    EXPECT_TRUE(shifting(s, 0, 1000, ctx));
    EXPECT_EQ(s.samples, before);
}

TEST(FftShifter, ToneAtBin100MovesWhereTheModeSays) {
    // Mode 0 maps bins 110 and 111 back to 100: the energy lands there.
    const auto up = shiftedTone(0, 100);
    const double at110 = binMagnitude(up, 0, 2048, 110) + binMagnitude(up, 0, 2048, 111);
    EXPECT_GT(at110, 0.9 * (binMagnitude(tone(2048, 100, 2048, 8000), 0, 2048, 100)));
    EXPECT_LT(binMagnitude(up, 0, 2048, 100), 0.01 * at110);

    // Mode -5 divides by 1.5: bin 67 (15 * 67 / 10 = 100).
    const auto down = shiftedTone(-5, 100);
    EXPECT_EQ(strongestBin(down, 0), 67u);
    EXPECT_EQ(strongestBin(down, 2048), 67u);
    EXPECT_EQ(strongestBin(shiftedTone(5, 100), 0), 110u); // + 10 bins
    EXPECT_EQ(strongestBin(shiftedTone(6, 100), 0), 90u);  // - 10 bins
}

TEST(FftShifter, ModesOutsideTheTableGiveTheInputBack) {
    for (int mode : {7, -6, 100, -32768}) {
        Sound s = randomSound16(2, 44100, 2 * 700, uint32_t(mode + 40000));
        const auto before = values16(s);
        TestContext ctx;
        EXPECT_TRUE(shifting(s, int16_t(mode), 256, ctx));
        const auto after = values16(s);
        for (size_t i = 0; i < before.size(); ++i)
            ASSERT_LE(std::abs(after[i] - before[i]), 1) << "mode " << mode << " value " << i;
        EXPECT_EQ(ctx.walk(0).back(), 100);
    }
}

TEST(FftShifter, BinMappingsFollowTheModeTable) {
    const uint32_t n = 2048, cleared = n;
    // Negative modes keep K bins on each side: 853, 930, 787, 731, 682.
    const int modes[] = {-1, -2, -3, -4, -5};
    const uint32_t kept[] = {853, 930, 787, 731, 682};
    for (int i = 0; i < 5; ++i) {
        const auto y = FftPlan::binSources(int32_t(n), int16_t(modes[i]));
        EXPECT_NE(y[kept[i]], cleared) << modes[i];
        EXPECT_EQ(y[kept[i] + 1], cleared) << modes[i];
        EXPECT_EQ(y[n - kept[i] - 1], cleared) << modes[i];
        EXPECT_NE(y[n - kept[i]], cleared) << modes[i];
    }
    // Mode 4 mirrors the negative side about n - 1: Y[n-1-t] = X[n-1-j].
    const auto y4 = FftPlan::binSources(int32_t(n), 4);
    EXPECT_EQ(y4[150], 100u);
    EXPECT_EQ(y4[n - 1 - 150], n - 1 - 100);
    EXPECT_EQ(y4[1023], 682u);
    // Mode 3 keeps what the mapping put in bin 1 and clears bin n - 1; mode 0 clears both.
    EXPECT_EQ(FftPlan::binSources(int32_t(n), 3)[1], 0u);
    EXPECT_EQ(FftPlan::binSources(int32_t(n), 3)[n - 1], cleared);
    EXPECT_EQ(FftPlan::binSources(int32_t(n), 0)[1], cleared);
    // The second of two writes to bin h wins: Y[h] = X[n - s(h)].
    EXPECT_EQ(FftPlan::binSources(int32_t(n), 0)[1024], n - 10 * 1024 / 11);
}

TEST(FftShifter, BitExactAgainstPlainTranscription) {
    struct Case {
        int bps, channels, n;
        size_t frames;
        std::vector<int> modes;
    };
    const std::vector<Case> cases = {
        {2, 2, 32, 32 * 9 + 5, {-6, -5, -4, -3, -2, -1, 0, 1, 2, 3, 4, 5, 6, 7}},
        {2, 1, 64, 64 * 7, {-1, 0, 3, 4, 5, 6}},
        {1, 2, 128, 300, {0, -2, 4, 9}},
        {2, 2, 2048, 2048 * 2 + 77, {0, -5}},
    };
    for (const Case &c : cases) {
        for (int mode : c.modes) {
            Sound s;
            if (c.bps == 2) {
                s = randomSound16(c.channels, 44100, c.frames * size_t(c.channels),
                                  uint32_t(mode + 17 * c.n), mode == 0 ? 32767 : 20000);
            } else {
                s = makeSound(1, c.channels, 22050, c.frames * size_t(c.channels));
                std::mt19937 rng(uint32_t(c.n));
                for (size_t i = 0; i < size_t(s.byteCount); ++i)
                    s.samples[i] = uint8_t(rng());
            }
            Sound expected = s;
            referenceShifting(expected, mode, c.n);
            TestContext ctx;
            ASSERT_TRUE(shifting(s, int16_t(mode), c.n, ctx));
            ASSERT_EQ(s.samples, expected.samples)
                << "mode " << mode << " n " << c.n << " bps " << c.bps << " ch " << c.channels;
        }
    }
}

TEST(FftShifter, EightBitSilenceStaysOnTheZeroLineAndLoudBlocksClamp) {
    Sound s = makeSound(1, 2, 8000, 2 * 100);
    TestContext ctx;
    EXPECT_TRUE(shifting(s, 0, 64, ctx));
    for (size_t i = 0; i < size_t(s.byteCount); ++i)
        ASSERT_EQ(s.samples[i], 127) << i;

    // A square wave at full scale rings past the range after the shift: clamped, not wrapped.
    std::vector<int32_t> square(2048);
    for (size_t i = 0; i < square.size(); ++i)
        square[i] = (i / 16) % 2 ? 32767 : -32768;
    Sound loud = makeSound16(1, 44100, square);
    EXPECT_TRUE(shifting(loud, 0, 2048, ctx));
    const auto v = values16(loud);
    EXPECT_EQ(*std::max_element(v.begin(), v.end()), 32767);
    EXPECT_EQ(*std::min_element(v.begin(), v.end()), -32768);
}

TEST(FftShifter, StereoChannelsAreShiftedIndependently) {
    // A tone on the left, silence on the right: the right channel stays silent.
    const auto left = tone(2048, 100, 2048, 8000);
    std::vector<int32_t> v(4096, 0);
    for (size_t i = 0; i < 2048; ++i)
        v[2 * i] = left[i];
    Sound s = makeSound16(2, 44100, v);
    TestContext ctx;
    EXPECT_TRUE(shifting(s, 0, 2048, ctx));
    const auto out = values16(s);
    for (size_t i = 0; i < 2048; ++i)
        ASSERT_EQ(out[2 * i + 1], 0) << i;
}

TEST(FftShifter, StopLeavesTheUnprocessedBlocksUntouched) {
    Sound s = randomSound16(2, 44100, 2 * 256 * 64, 5);
    const auto before = s.samples;
    TestContext ctx(3); // stops at the fourth stop test
    EXPECT_FALSE(shifting(s, 0, 256, ctx));
    const size_t blockBytes = 256 * 2 * 2;
    EXPECT_NE(std::vector<uint8_t>(s.samples.begin(), s.samples.begin() + long(blockBytes)),
              std::vector<uint8_t>(before.begin(), before.begin() + long(blockBytes)));
    // At most one block per thread beyond the stop point was started.
    const size_t tail = 40 * blockBytes;
    EXPECT_EQ(std::vector<uint8_t>(s.samples.end() - long(tail), s.samples.end()),
              std::vector<uint8_t>(before.end() - long(tail), before.end()));
    for (int p : ctx.walk(0))
        EXPECT_LT(p, 100);
}

TEST(FftShifter, ProgressRisesToOneHundred) {
    Sound s = randomSound16(1, 44100, 32 * 300, 9);
    TestContext ctx;
    EXPECT_TRUE(shifting(s, 1, 32, ctx));
    const auto p = ctx.walk(0);
    ASSERT_FALSE(p.empty());
    EXPECT_TRUE(std::is_sorted(p.begin(), p.end()));
    EXPECT_EQ(p.back(), 100);
}
