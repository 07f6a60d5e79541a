// The mix of a take: where the accompaniment is placed against the voice, how the timing
// readings become that placement, and the limiter that keeps the sum from clipping.
#include "recording/peak_limiter.h"
#include "recording/take_alignment.h"
#include "recording/take_mixer.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace {

constexpr int kRate = 44100;

struct PlacementCase {
    const char *what;
    std::vector<AlignPoint> points;
    int64_t accompanimentFrames;
    int64_t voice;
    int64_t expected; // -1: nothing sounded
};

TEST(TakeMixer, TheAccompanimentFrameAgainstEachVoiceFrame) {
    const int64_t gap = int64_t(TakeMixer::kGapSeconds * kRate); // 441
    const std::vector<PlacementCase> cases = {
        {"in step", {{0, 0}}, 1000, 500, 500},
        {"accompaniment heard 100 frames after the voice began", {{0, 100}}, 1000, 150, 50},
        {"voice frames before the accompaniment began", {{0, 100}}, 1000, 99, -1},
        {"the accompaniment began before the voice", {{300, 0}}, 1000, 10, 310},
        {"frames before the first reading are placed by it", {{5000, 5200}}, 9000, 300, 100},
        {"past the end of the accompaniment", {{0, 0}}, 1000, 1000, -1},
        // Playback paused for 1 s after accompaniment frame 10 000: the next point is later.
        {"before the pause", {{0, 0}, {10000, 10000 + kRate}}, 20000, 9999, 9999},
        {"during the pause", {{0, 0}, {10000, 10000 + kRate}}, 20000, 10000 + gap, -1},
        {"after the pause", {{0, 0}, {10000, 10000 + kRate}}, 20000, 10000 + kRate + 7, 10007},
        // Clocks drifting by a few frames: a few are skipped, or repeated rather than silenced.
        {"drift ahead: the earlier stretch ends", {{0, 0}, {10000, 9990}}, 20000, 9989, 9989},
        {"drift ahead: ten frames skipped", {{0, 0}, {10000, 9990}}, 20000, 9990, 10000},
        {"drift behind: the earlier stretch runs on",
         {{0, 0}, {10000, 10010}},
         20000,
         10005,
         10005},
        {"drift behind: ten frames repeated", {{0, 0}, {10000, 10010}}, 20000, 10010, 10000},
        {"no points", {}, 1000, 5, -1},
    };
    for (const PlacementCase &c : cases)
        EXPECT_EQ(TakeMixer::accompanimentFrame(c.points, c.voice, c.accompanimentFrames, kRate),
                  c.expected)
            << c.what;
}

// A reading `at` microseconds into the take of a stream whose frame 0 was captured at
// `originUs`, off by `errorUs`, with `latencyUs` reported by the server.
CaptureTiming reading(double originUs, int64_t atUs, int64_t latencyUs, int64_t errorUs) {
    CaptureTiming t;
    t.atUsec = atUs;
    t.latencyUsec = latencyUs;
    t.frames =
        uint64_t(std::llround((double(atUs - latencyUs - errorUs) - originUs) * kRate / 1e6));
    return t;
}

struct AlignmentCase {
    const char *what;
    int64_t voiceLatencyUs, accompanimentLatencyUs;
    double accompanimentOriginUs; // the voice's frame 0 was captured at 0
    int64_t pauseAtUs, pauseUs;   // the accompaniment stops for pauseUs at pauseAtUs
};

TEST(TakeMixer, TimingReadingsPlaceEachAccompanimentFrameWhereItWasHeard) {
    const std::vector<AlignmentCase> cases = {
        {"both start together, no latency", 0, 0, 0, 0, 0},
        {"the accompaniment starts 50 ms after the voice", 0, 0, 50000, 0, 0},
        {"the accompaniment starts 30 ms before the voice", 0, 0, -30000, 0, 0},
        // A monitor's negative latency (the sink's buffer) and a source's positive one only
        // move the readings; the moments the frames were captured stay where they are.
        {"latencies", 30000, -80000, 50000, 0, 0},
        {"a pause of half a second", 10000, -20000, 0, 2000000, 500000},
    };
    // Readings a little off, and one in eight far off (a report handled late on a busy
    // machine, a report from another round).
    std::mt19937 random(7);
    auto error = [&random] {
        const int64_t off = std::uniform_int_distribution<int64_t>(-500, 500)(random);
        const bool far = std::uniform_int_distribution<int>(0, 7)(random) == 0;
        return far ? off * 30 : off;
    };
    for (const AlignmentCase &c : cases) {
        TakeAlignment alignment(kRate);
        // The moment (µs) accompaniment frame 0 would have sounded, as of time `at`.
        auto originAt = [&c](int64_t at) {
            double origin = c.accompanimentOriginUs;
            if (c.pauseUs > 0 && at >= c.pauseAtUs + c.pauseUs)
                origin += double(c.pauseUs);
            else if (c.pauseUs > 0 && at >= c.pauseAtUs)
                origin += double(at - c.pauseAtUs); // nothing arrives: the last frame ages
            return origin;
        };
        CaptureTiming stalled;
        for (int64_t at = 100000; at <= 5000000; at += 100000) {
            CaptureTiming music = reading(originAt(at), at, c.accompanimentLatencyUs, error());
            // While paused the stream reports the same frame count again and again.
            const bool paused = c.pauseUs > 0 && at >= c.pauseAtUs && at < c.pauseAtUs + c.pauseUs;
            if (paused && stalled.atUsec == 0) stalled = music;
            if (paused) music.frames = stalled.frames;
            alignment.add(reading(0, at, c.voiceLatencyUs, error()), music);
        }
        const int64_t frames = 10 * kRate;
        int wrong = 0, checked = 0;
        for (int64_t us = 200000; us < 4900000; us += 10000) {
            // Around the pause's edges the change is only known a reading later.
            if (c.pauseUs > 0 && us >= c.pauseAtUs - 10000 && us < c.pauseAtUs + c.pauseUs + 150000)
                continue;
            const int64_t voice = us * kRate / 1000000;
            const int64_t heard = std::llround((double(us) - originAt(us)) * kRate / 1e6);
            const int64_t placed =
                TakeMixer::accompanimentFrame(alignment.points(), voice, frames, kRate);
            ++checked;
            if (heard < 0 ? placed != -1 : std::abs(placed - heard) > int64_t(0.002 * kRate))
                ++wrong;
        }
        EXPECT_EQ(wrong, 0) << c.what << " (" << checked << " frames checked)";
        if (c.pauseUs > 0) {
            // In the middle of the pause nothing sounded.
            const int64_t voice = (c.pauseAtUs + c.pauseUs / 2) * kRate / 1000000;
            EXPECT_EQ(TakeMixer::accompanimentFrame(alignment.points(), voice, frames, kRate), -1)
                << c.what;
        }
    }
}

std::vector<int16_t> tone(size_t frames, double hz, double amplitude, int channels = 2) {
    std::vector<int16_t> s(frames * size_t(channels));
    for (size_t k = 0; k < frames; ++k)
        for (int c = 0; c < channels; ++c)
            s[k * size_t(channels) + size_t(c)] =
                int16_t(std::lround(amplitude * std::sin(2 * M_PI * hz * double(k) / kRate)));
    return s;
}

std::vector<int16_t> mixOf(const std::vector<int16_t> &voice, const std::vector<int16_t> &music,
                           const std::vector<AlignPoint> &points, int channels = 2) {
    std::vector<char> out;
    const AudioFormat format{kRate, channels, 16};
    EXPECT_TRUE(TakeMixer::mix(format, reinterpret_cast<const char *>(voice.data()),
                               voice.size() * 2, reinterpret_cast<const char *>(music.data()),
                               music.size() * 2, points, [&](const char *d, size_t n) {
                                   out.insert(out.end(), d, d + n);
                                   return true;
                               }));
    std::vector<int16_t> samples(out.size() / 2);
    std::memcpy(samples.data(), out.data(), out.size());
    return samples;
}

TEST(TakeMixer, QuietSumsAreExactAndTheLagIsApplied) {
    const size_t frames = 3 * kRate;
    const std::vector<int16_t> voice = tone(frames, 440, 12000), music = tone(frames, 97, 15000);
    const std::vector<int16_t> mix = mixOf(voice, music, {{0, 300}});
    ASSERT_EQ(mix.size(), voice.size()) << "the mix is as long as the voice";
    int mismatches = 0;
    for (size_t k = 0; k < frames; ++k)
        for (size_t c = 0; c < 2; ++c) {
            const int accompaniment = k >= 300 ? music[(k - 300) * 2 + c] : 0;
            mismatches += mix[k * 2 + c] != voice[k * 2 + c] + accompaniment;
        }
    EXPECT_EQ(mismatches, 0) << "unity for both while the sum stays below the ceiling";
}

struct LoudCase {
    const char *what;
    std::vector<int16_t> voice, music;
};

TEST(TakeMixer, TheLimiterNeverLetsTheSumClipAndComesBackToUnity) {
    const size_t frames = 2 * kRate;
    std::vector<LoudCase> cases;
    cases.push_back({"two full-scale tones", tone(frames, 440, 32767), tone(frames, 441, 32767)});
    std::vector<int16_t> clicks(frames * 2, 0);
    for (size_t k = 1000; k < frames; k += 7919)
        clicks[k * 2] = clicks[k * 2 + 1] = 32767;
    cases.push_back({"single-frame clicks over a loud tone", clicks, tone(frames, 300, 30000)});
    std::vector<int16_t> noise(frames * 2);
    std::mt19937 random(3);
    for (int16_t &s : noise)
        s = int16_t(std::uniform_int_distribution<int>(-32768, 32767)(random));
    cases.push_back({"full-scale noise over a tone", noise, tone(frames, 50, 32767)});
    for (LoudCase &c : cases) {
        // One second of the loud passage, then one of quiet voice alone.
        for (size_t k = frames / 2; k < frames; ++k)
            for (size_t ch = 0; ch < 2; ++ch) {
                c.voice[k * 2 + ch] = int16_t(c.voice[k * 2 + ch] / 8);
                c.music[k * 2 + ch] = 0;
            }
        const std::vector<int16_t> mix = mixOf(c.voice, c.music, {{0, 0}});
        ASSERT_EQ(mix.size(), c.voice.size()) << c.what;
        int peak = 0;
        for (int16_t s : mix)
            peak = std::max(peak, std::abs(int(s)));
        EXPECT_LE(peak, int(PeakLimiter::kCeiling) + 1) << c.what;
        EXPECT_GT(peak, 20000) << c.what << ": loud stays loud";
        // Half a second after the loud part the voice is back at unity.
        int changed = 0;
        for (size_t k = frames * 3 / 4 * 2; k < mix.size(); ++k)
            changed += mix[k] != c.voice[k];
        EXPECT_EQ(changed, 0) << c.what;
    }
}

TEST(TakeMixer, EightBitTakesMixAroundTheirMidpoint) {
    // 8-bit unsigned mono: 128 is silence; 128 + 40 over 128 + 50 makes 128 + 90.
    const std::vector<char> voice(1000, char(168)), music(1000, char(178));
    std::vector<char> out;
    ASSERT_TRUE(TakeMixer::mix(AudioFormat{kRate, 1, 8}, voice.data(), voice.size(), music.data(),
                               music.size(), {{0, 0}}, [&](const char *d, size_t n) {
                                   out.insert(out.end(), d, d + n);
                                   return true;
                               }));
    ASSERT_EQ(out.size(), voice.size());
    EXPECT_EQ(uint8_t(out[500]), 218);
    // 127 over 127 clips no more than the ceiling allows.
    const std::vector<char> loud(1000, char(255));
    out.clear();
    TakeMixer::mix(AudioFormat{kRate, 1, 8}, loud.data(), loud.size(), loud.data(), loud.size(),
                   {{0, 0}}, [&](const char *d, size_t n) {
                       out.insert(out.end(), d, d + n);
                       return true;
                   });
    EXPECT_LE(uint8_t(out[500]), 128 + 125);
}

} // namespace
