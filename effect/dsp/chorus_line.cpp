#include "chorus_line.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace lvx::fx::dsp {

namespace {

constexpr double kTwoPi = 6.2831852;
constexpr int32_t kMaxSwingTable = 1 << 20;

int32_t saturate32(double v) {
    if (std::isnan(v)) return 0;
    return int32_t(std::clamp<double>(v, std::numeric_limits<int32_t>::min(),
                                      std::numeric_limits<int32_t>::max()));
}

int32_t saturate32(int64_t v) {
    return int32_t(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                       std::numeric_limits<int32_t>::max()));
}

} // namespace

ChorusLine::ChorusLine(const ChorusParams &p, int32_t sampleRate)
    : m_buffer(size_t(kSlots), 0), m_delaySamples(double(int64_t(p.delay) * sampleRate / 1000)),
      m_depthSamples(saturate32(double(int64_t(p.depth) * sampleRate) * 0.001)),
      m_centreSamples(double((int64_t(p.delay) + p.depth / 2) * sampleRate / 1000)),
      m_triangle(p.waveform == 1), m_dry(p.dry), m_wet(p.wet), m_feedback(p.feedback),
      m_invertFeedback(p.invertFeedback), m_mixing(p.mixing) {
    // Samples per modulation cycle; a rate that gives less than one (0, negative, too fast)
    // holds the phase at 0 instead of dividing by zero.
    const float samplesPerCycle = float(sampleRate) / p.rate;
    if (!(samplesPerCycle >= 1.0f))
        m_period = 1;
    else if (samplesPerCycle >= float(std::numeric_limits<int32_t>::max()))
        m_period = std::numeric_limits<int32_t>::max();
    else
        m_period = int32_t(samplesPerCycle);

    if (!m_triangle && m_period <= kMaxSwingTable) {
        m_sineSwing.resize(size_t(m_period));
        for (int32_t ph = 0; ph < m_period; ++ph)
            m_sineSwing[size_t(ph)] = std::sin(double(ph) / m_period * kTwoPi) * m_depthSamples;
    }
}

double ChorusLine::readPosition() const {
    double d;
    if (m_triangle) {
        const int32_t rising = m_phase < m_period / 2 ? m_phase : m_period - m_phase;
        d = double(m_write) - m_delaySamples -
            2.0 * m_depthSamples * double(rising) / double(m_period);
    } else {
        // Every waveform other than the triangle is the sine.
        const double swing = m_sineSwing.empty()
                                 ? std::sin(double(m_phase) / m_period * kTwoPi) * m_depthSamples
                                 : m_sineSwing[size_t(m_phase)];
        d = double(m_write) - swing - m_centreSamples;
    }
    if (d < 0) d += kSlots;
    // Delays longer than the line wrap around it instead of reading outside.
    if (!(d >= 0 && d < kSlots)) {
        d = std::fmod(d, double(kSlots));
        if (d < 0) d += kSlots;
        if (!(d >= 0 && d < kSlots)) d = 0;
    }
    return d;
}

int32_t ChorusLine::process(int32_t x) {
    const double d = readPosition();
    const int32_t e = int32_t(d);
    const int32_t e2 = e + 1 == kSlots ? 0 : e + 1;
    const int64_t g = int64_t(std::trunc((double(e + 1) - d) * m_buffer[size_t(e)])) +
                      int64_t(std::trunc((d - double(e)) * m_buffer[size_t(e2)]));
    const int64_t out = m_mixing * m_wet * g / 100 + m_dry * x / 100;
    m_buffer[size_t(m_write)] = saturate32(int64_t(x) + m_feedback * m_invertFeedback * g / 100);
    m_write = m_write + 1 == kSlots ? 0 : m_write + 1;
    m_phase = m_phase + 1 >= m_period ? 0 : m_phase + 1;
    return int32_t(std::clamp<int64_t>(out, -32768, 32767));
}

} // namespace lvx::fx::dsp
