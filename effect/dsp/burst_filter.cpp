// CFilter: repairs bursts of abrupt jumps (crackle) by straight lines, leaving single clicks
// alone. 8-bit sounds are handled on their raw byte values; stereo values as one sequence.
#include "effects.h"
#include "mean_accumulator.h"
#include "progress_walk.h"
#include "sample_format.h"

#include <cmath>
#include <cstdlib>

namespace lvx::fx::dsp {

namespace {

constexpr int kQuietToClose = 10;
constexpr int kJumpsToRepair = 3; // more than this many large jumps make a burst

inline int32_t rawValue(const uint8_t *data, int bps, int64_t i) {
    return bps == 2 ? read16(data, i) : int32_t(data[i]);
}

inline void writeRaw(uint8_t *data, int bps, int64_t i, int32_t v) {
    if (bps == 2)
        write16(data, i, v);
    else
        data[i] = uint8_t(v);
}

} // namespace

bool cfilter(Sound &sound, int16_t factor, ActionContext &ctx) {
    const double f = factor < 1 ? 5.0 : double(factor);
    const SampleView v = viewOf(sound, sound.workLength);
    const int bps = v.bytesPerSample;
    const int64_t n = v.values;
    uint8_t *data = v.data;

    // Pass 1: the mean jump between neighbouring values (the first value counts as no jump).
    ctx.resetProgress();
    MeanAccumulator jumps;
    {
        ProgressWalk progress(ctx, n - 1);
        const bool finished = walkSteps(ctx, progress, n, true, [&](int64_t first, int64_t end) {
            for (int64_t i = first; i < end; ++i)
                jumps.add(
                    i == 0 ? 0.0
                           : double(std::abs(rawValue(data, bps, i) - rawValue(data, bps, i - 1))));
        });
        if (!finished) return false;
    }
    const double threshold = jumps.mean() * f;

    // Pass 2: find bursts and replace those with enough large jumps.
    ctx.resetProgress();
    bool inBurst = false;
    int64_t start = 0, end = 0, large = 0, quiet = 0;
    ProgressWalk progress(ctx, n - 1);
    return walkSteps(ctx, progress, n, true, [&](int64_t first, int64_t last) {
        for (int64_t i = first; i < last; ++i) {
            const double jump =
                i == 0 ? 0.0
                       : double(std::abs(rawValue(data, bps, i) - rawValue(data, bps, i - 1)));
            if (!inBurst) {
                if (jump <= threshold) continue;
                inBurst = true;
                start = i - 1;
                large = 0;
                quiet = 0;
            }
            if (jump > threshold) {
                ++large;
                quiet = 0;
                end = i;
                continue;
            }
            if (++quiet < kQuietToClose) continue;
            if (large > kJumpsToRepair) {
                const double xs = rawValue(data, bps, start);
                const double xe = rawValue(data, bps, end);
                for (int64_t j = start + 1; j < end; ++j)
                    writeRaw(data, bps, j,
                             int32_t(std::trunc(xs + (xe - xs) * double(j - start) /
                                                         double(end - start))));
            }
            inBurst = false;
        }
    });
}

} // namespace lvx::fx::dsp
