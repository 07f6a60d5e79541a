#pragma once
// The modulated delay of Chorus, one per channel: a circular store of 44 099 values read at a
// position that swings with a sine or triangle, interpolated linearly, with feedback.
#include "effects.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace lvx::fx::dsp {

class ChorusLine {
public:
    static constexpr int32_t kSlots = 44099;

    ChorusLine(const ChorusParams &p, int32_t sampleRate);

    // One input value in, the output value (limited to 16 bits) out.
    int32_t process(int32_t x) {
        int32_t y;
        processRun(&x, &y, 1);
        return y;
    }

    // process() for `count` consecutive values, with the moving indexes and every parameter
    // kept in registers and the swing of each phase taken from the table when there is one.
    void processRun(const int32_t *in, int32_t *out, int64_t count) {
        if (m_swing.empty())
            runLoop(in, out, count,
                    [this](int32_t write, int32_t phase) { return readPosition(write, phase); });
        else if (m_triangle)
            runLoop(in, out, count,
                    [delay = m_delaySamples, swing = m_swing.data()](int32_t write, int32_t phase) {
                        return wrapPosition(double(write) - delay - swing[phase]);
                    });
        else
            runLoop(
                in, out, count,
                [centre = m_centreSamples, swing = m_swing.data()](int32_t write, int32_t phase) {
                    return wrapPosition(double(write) - swing[phase] - centre);
                });
    }

    int32_t period() const { return m_period; }

private:
    static constexpr double kTwoPi = 6.2831852;

    template <class Position>
    void runLoop(const int32_t *in, int32_t *out, int64_t count, Position position) {
        int32_t *const line = m_buffer.data();
        const int32_t period = m_period;
        const int64_t dry = m_dry, wetGain = m_wetGain, feedbackGain = m_feedbackGain;
        int32_t write = m_write;
        int32_t phase = m_phase;
        for (int64_t j = 0; j < count; ++j) {
            const int32_t x = in[j];
            const double d = position(write, phase);
            const int32_t e = int32_t(d);
            const int32_t e2 = e + 1 == kSlots ? 0 : e + 1;
            // Each product truncated toward zero on its own; |product| < 2^31: a cast does it.
            const int64_t g =
                int64_t((double(e + 1) - d) * line[e]) + int64_t((d - double(e)) * line[e2]);
            const int64_t y = wetGain * g / 100 + dry * x / 100;
            // The line is not limited to 16 bits; it saturates at 32 bits instead of wrapping
            // when a feedback above 100 % makes it grow.
            line[write] = int32_t(std::clamp<int64_t>(int64_t(x) + feedbackGain * g / 100,
                                                      std::numeric_limits<int32_t>::min(),
                                                      std::numeric_limits<int32_t>::max()));
            write = write + 1 == kSlots ? 0 : write + 1;
            phase = phase + 1 >= period ? 0 : phase + 1;
            out[j] = int32_t(std::clamp<int64_t>(y, -32768, 32767));
        }
        m_write = write;
        m_phase = phase;
    }

    // The swing of one phase: the sine's, or the triangle's rise and fall.
    double swingAt(int32_t phase) const {
        if (m_triangle) {
            const int32_t rising = phase < m_period / 2 ? phase : m_period - phase;
            return 2.0 * m_depthSamples * double(rising) / double(m_period);
        }
        // Every waveform other than the triangle is the sine.
        return std::sin(double(phase) / m_period * kTwoPi) * m_depthSamples;
    }

    double readPosition(int32_t write, int32_t phase) const {
        if (m_triangle) return wrapPosition(double(write) - m_delaySamples - swingAt(phase));
        return wrapPosition(double(write) - swingAt(phase) - m_centreSamples);
    }

    static double wrapPosition(double d) {
        if (d < 0) d += kSlots;
        // Delays longer than the line wrap around it instead of reading outside.
        if (!(d >= 0 && d < kSlots)) [[unlikely]] {
            d = std::fmod(d, double(kSlots));
            if (d < 0) d += kSlots;
            if (!(d >= 0 && d < kSlots)) d = 0;
        }
        return d;
    }

    std::vector<int32_t> m_buffer;
    int32_t m_write = 0;
    double m_delaySamples;
    double m_depthSamples;
    double m_centreSamples;
    int32_t m_period;
    int32_t m_phase = 0;
    bool m_triangle;
    int64_t m_dry, m_wetGain, m_feedbackGain;
    std::vector<double> m_swing; // swingAt() of every phase, when the period is short
};

} // namespace lvx::fx::dsp
