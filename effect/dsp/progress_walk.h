#pragma once
// Walking the samples in the order the operations define, with the stop test and the progress
// percentage truncate(100 * index / denominator) of every step, but without paying a virtual
// call per sample: the walk runs in runs of steps inside which neither can change observably.
#include "sound.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <utility>

namespace lvx::fx::dsp {

class ProgressWalk {
public:
    // Step s stands for the value index s * stride (a frame walks with stride = channels).
    ProgressWalk(ActionContext &ctx, int64_t denominator, int64_t stride = 1)
        : m_ctx(ctx), m_denominator(denominator), m_stride(stride) {}

    // Posts the percentage of step s and returns the first later step whose percentage differs.
    int64_t post(int64_t step) {
        if (m_denominator <= 0) return std::numeric_limits<int64_t>::max();
        const int64_t p = 100 * step * m_stride / m_denominator;
        if (p > 0) m_ctx.progress(int(std::min<int64_t>(p, 100)));
        const int64_t bound = (p + 1) * m_denominator;
        const int64_t perStep = 100 * m_stride;
        return (bound + perStep - 1) / perStep;
    }

private:
    ActionContext &m_ctx;
    int64_t m_denominator;
    int64_t m_stride;
};

// Steps between stop tests: short enough that a stop takes effect within microseconds.
constexpr int64_t kStopGranule = 4096;

// Calls body(first, end) for consecutive runs of [0, count), each at most `granule` steps and
// never crossing a change of percentage. A stoppable walk tests the stop request before every
// run and returns false at once when it is set.
template <class Body>
bool walkSteps(ActionContext &ctx, ProgressWalk &progress, int64_t count, bool stoppable,
               int64_t granule, Body &&body) {
    for (int64_t s = 0; s < count;) {
        if (stoppable && ctx.stopRequested()) return false;
        const int64_t end = std::min({count, progress.post(s), s + granule});
        body(s, end);
        s = end;
    }
    return true;
}

template <class Body>
bool walkSteps(ActionContext &ctx, ProgressWalk &progress, int64_t count, bool stoppable,
               Body &&body) {
    return walkSteps(ctx, progress, count, stoppable, kStopGranule, std::forward<Body>(body));
}

} // namespace lvx::fx::dsp
