#include "chorus_line.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace lvx::fx::dsp {

namespace {

constexpr int32_t kMaxSwingTable = 1 << 20;

int32_t saturate32(double v) {
    if (std::isnan(v)) return 0;
    return int32_t(std::clamp<double>(v, std::numeric_limits<int32_t>::min(),
                                      std::numeric_limits<int32_t>::max()));
}

} // namespace

ChorusLine::ChorusLine(const ChorusParams &p, int32_t sampleRate)
    : m_buffer(size_t(kSlots), 0), m_delaySamples(double(int64_t(p.delay) * sampleRate / 1000)),
      m_depthSamples(saturate32(double(int64_t(p.depth) * sampleRate) * 0.001)),
      m_centreSamples(double((int64_t(p.delay) + p.depth / 2) * sampleRate / 1000)),
      m_triangle(p.waveform == 1), m_dry(p.dry), m_wetGain(int64_t(p.mixing) * p.wet),
      m_feedbackGain(int64_t(p.feedback) * p.invertFeedback) {
    // Samples per modulation cycle; a rate that gives less than one (0, negative, too fast)
    // holds the phase at 0 instead of dividing by zero.
    const float samplesPerCycle = float(sampleRate) / p.rate;
    if (!(samplesPerCycle >= 1.0f))
        m_period = 1;
    else if (samplesPerCycle >= float(std::numeric_limits<int32_t>::max()))
        m_period = std::numeric_limits<int32_t>::max();
    else
        m_period = int32_t(samplesPerCycle);

    if (m_period <= kMaxSwingTable) {
        m_swing.resize(size_t(m_period));
        for (int32_t ph = 0; ph < m_period; ++ph)
            m_swing[size_t(ph)] = swingAt(ph);
    }
}

} // namespace lvx::fx::dsp
