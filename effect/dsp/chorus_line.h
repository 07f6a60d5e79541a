#pragma once
// The modulated delay of Chorus, one per channel: a circular store of 44 099 values read at a
// position that swings with a sine or triangle, interpolated linearly, with feedback.
#include "effects.h"

#include <cstdint>
#include <vector>

namespace lvx::fx::dsp {

class ChorusLine {
public:
    static constexpr int32_t kSlots = 44099;

    ChorusLine(const ChorusParams &p, int32_t sampleRate);

    // One input value in, the output value (limited to 16 bits) out.
    int32_t process(int32_t x);

    int32_t period() const { return m_period; }

private:
    double readPosition() const;

    std::vector<int32_t> m_buffer;
    int32_t m_write = 0;
    double m_delaySamples;
    double m_depthSamples;
    double m_centreSamples;
    int32_t m_period;
    int32_t m_phase = 0;
    bool m_triangle;
    int64_t m_dry, m_wet, m_feedback, m_invertFeedback, m_mixing;
    std::vector<double> m_sineSwing; // sin(...) * depth per phase, when the period is short
};

} // namespace lvx::fx::dsp
