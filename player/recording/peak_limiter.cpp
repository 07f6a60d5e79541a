#include "recording/peak_limiter.h"

#include <algorithm>
#include <cmath>

PeakLimiter::PeakLimiter(int channels, int rate, double lookAheadSeconds, double releaseSeconds)
    : m_channels(std::max(1, channels)),
      m_length(std::max(1, int(std::lround(lookAheadSeconds * rate)))),
      m_release(1.0 - std::exp(-1.0 / std::max(1.0, releaseSeconds * rate))),
      m_samples(size_t(m_length) * size_t(m_channels)), m_slot(size_t(m_length) - 1),
      m_minQueue(size_t(m_length) + 1), m_env(size_t(m_length), 1.0), m_envSum(m_length) {
    // The gain of a frame is the mean over the window before it; silence ahead of the first
    // frame gives the first frames such a window too (their own outputs are dropped).
    std::vector<float> zero(size_t(m_channels), 0.0f), out(zero.size());
    for (int k = 0; k + 1 < m_length; ++k)
        feed(zero.data(), out.data());
    m_skip = size_t(m_length - 1);
}

bool PeakLimiter::push(const float *in, float *out) {
    ++m_taken;
    return feed(in, out) && given();
}

size_t PeakLimiter::process(const float *in, size_t frames, float *out) {
    size_t given = 0;
    const size_t channels = size_t(m_channels);
    for (size_t k = 0; k < frames; ++k)
        if (push(in + k * channels, out + given * channels)) ++given;
    return given;
}

bool PeakLimiter::flush(float *out) {
    // Silence after the end needs no turning down; it only moves the held frames out.
    std::vector<float> zero(size_t(m_channels), 0.0f);
    while (m_given < m_taken + size_t(m_length - 1))
        if (feed(zero.data(), out) && given()) return true;
    return false;
}

bool PeakLimiter::given() {
    if (m_skip == 0) return true;
    --m_skip;
    return false;
}

bool PeakLimiter::feed(const float *in, float *out) {
    const size_t n = m_pushed++;
    // Rings advance by one slot a frame (no division on the way).
    if (++m_slot == size_t(m_length)) m_slot = 0;
    float *frame = &m_samples[m_slot * size_t(m_channels)];
    float peak = 0.0f;
    for (int c = 0; c < m_channels; ++c) {
        frame[c] = in[c];
        peak = std::max(peak, std::fabs(in[c]));
    }
    const float need = peak > kCeiling ? kCeiling / peak : 1.0f;
    // The window's minimum need: a queue of frames with rising needs.
    const size_t cap = m_minQueue.size();
    while (m_minTail != m_minHead) {
        const size_t back = m_minTail == 0 ? cap - 1 : m_minTail - 1;
        if (m_minQueue[back].need < need) break;
        m_minTail = back;
    }
    m_minQueue[m_minTail] = {n, need};
    if (++m_minTail == cap) m_minTail = 0;
    if (n + 1 < size_t(m_length)) return false;
    limitOldest(out);
    return true;
}

void PeakLimiter::limitOldest(float *out) {
    // The oldest frame of the window leaves now; the window holds it and the m_length - 1
    // frames after it. Its slot is the one after the newest.
    const size_t frame = m_given++;
    const size_t slot = m_slot + 1 == size_t(m_length) ? 0 : m_slot + 1;
    const size_t cap = m_minQueue.size();
    while (m_minQueue[m_minHead].frame < frame)
        if (++m_minHead == cap) m_minHead = 0;
    const double lowest = m_minQueue[m_minHead].need;
    // Released gain: falls at once to what the window needs, rises back slowly.
    double env = 1.0;
    if (m_lastEnv < 1.0) {
        env = m_lastEnv + (1.0 - m_lastEnv) * m_release;
        if (env > 1.0 - 1e-4) env = 1.0; // within a third of a step at full scale
    }
    env = std::min(env, lowest);
    m_lastEnv = env;
    const float *in = &m_samples[slot * size_t(m_channels)];
    if (env == 1.0 && m_envBelowOne == 0) {
        // Quiet: unity, exactly.
        for (int c = 0; c < m_channels; ++c)
            out[c] = in[c];
        return;
    }
    // Smoothed: the mean of the last m_length released gains, each of which already allows
    // for every frame up to m_length - 1 ahead of it, so the mean allows for this frame.
    if (m_env[slot] < 1.0) --m_envBelowOne;
    m_envSum += env - m_env[slot];
    m_env[slot] = env;
    if (env < 1.0) ++m_envBelowOne;
    double gain = 1.0;
    if (m_envBelowOne == 0)
        m_envSum = m_length;
    else
        gain = m_envSum / m_length;
    for (int c = 0; c < m_channels; ++c)
        out[c] = float(in[c] * gain);
}
