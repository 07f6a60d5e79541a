#pragma once
// The clipper of Distortion, one per channel.
#include "effects.h"

#include <cstdint>

namespace lvx::fx::dsp {

class Clipper {
public:
    // fullScale is 128 for 8-bit and 32 768 for 16-bit sounds.
    Clipper(const DistortionParams &p, int32_t fullScale)
        : m_dry(p.dryOut), m_distorted(p.distortedOut),
          m_threshold(int32_t(p.thresholdLevel) * fullScale / 100),
          m_clamp(int32_t(p.clampLevel) * fullScale / 100), m_gate(p.gate != 0) {}

    // The mixed value, not yet limited.
    double process(int32_t x) const {
        int64_t e = x;
        if (m_gate) {
            // Small values are replaced by the clamp level with the sign of the dry part.
            if (-m_threshold <= x && x <= m_threshold)
                e = int64_t(x) * m_dry < 0 ? -int64_t(m_clamp) : m_clamp;
        } else if (x >= m_threshold) {
            e = m_clamp;
        } else if (x <= -m_threshold) {
            e = -int64_t(m_clamp);
        }
        return double(int64_t(x) * m_dry) * 0.01 + double(e * m_distorted) * 0.01;
    }

private:
    int64_t m_dry, m_distorted;
    int32_t m_threshold, m_clamp;
    bool m_gate;
};

} // namespace lvx::fx::dsp
