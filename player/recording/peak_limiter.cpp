#include "recording/peak_limiter.h"

#include <algorithm>
#include <cmath>

PeakLimiter::PeakLimiter(int channels, int rate, double lookAheadSeconds, double releaseSeconds)
    : m_channels(std::max(1, channels)),
      m_length(std::max(1, int(std::lround(lookAheadSeconds * rate)))),
      m_release(1.0 - std::exp(-1.0 / std::max(1.0, releaseSeconds * rate))),
      m_samples(size_t(m_length) * size_t(m_channels)), m_need(size_t(m_length), 1.0f),
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
    const size_t slot = n % size_t(m_length);
    float peak = 0.0f;
    for (int c = 0; c < m_channels; ++c) {
        m_samples[slot * size_t(m_channels) + size_t(c)] = in[c];
        peak = std::max(peak, std::fabs(in[c]));
    }
    const float need = peak > kCeiling ? kCeiling / peak : 1.0f;
    m_need[slot] = need;
    // The window's minimum need: a queue of frame numbers with rising needs.
    const size_t cap = m_minQueue.size();
    while (m_minTail != m_minHead &&
           m_need[m_minQueue[(m_minTail + cap - 1) % cap] % size_t(m_length)] >= need)
        m_minTail = (m_minTail + cap - 1) % cap;
    m_minQueue[m_minTail] = n;
    m_minTail = (m_minTail + 1) % cap;
    if (n + 1 < size_t(m_length)) return false;
    limitOldest(out);
    return true;
}

void PeakLimiter::limitOldest(float *out) {
    // The oldest frame of the window leaves now; the window holds it and the m_length - 1
    // frames after it.
    const size_t frame = m_given++;
    const size_t cap = m_minQueue.size();
    while (m_minQueue[m_minHead] < frame)
        m_minHead = (m_minHead + 1) % cap;
    const double lowest = m_need[m_minQueue[m_minHead] % size_t(m_length)];
    // Released gain: falls at once to what the window needs, rises back slowly.
    double env = m_lastEnv + (1.0 - m_lastEnv) * m_release;
    if (env > 1.0 - 1e-4) env = 1.0; // within a third of a step at full scale
    env = std::min(env, lowest);
    m_lastEnv = env;
    // Smoothed: the mean of the last m_length released gains, each of which already allows
    // for every frame up to m_length - 1 ahead of it, so the mean allows for this frame.
    const size_t slot = frame % size_t(m_length);
    if (m_env[slot] < 1.0) --m_envBelowOne;
    m_envSum += env - m_env[slot];
    m_env[slot] = env;
    if (env < 1.0) ++m_envBelowOne;
    double gain = 1.0;
    if (m_envBelowOne == 0)
        m_envSum = m_length;
    else
        gain = m_envSum / m_length;
    const float *in = &m_samples[slot * size_t(m_channels)];
    for (int c = 0; c < m_channels; ++c)
        out[c] = gain == 1.0 ? in[c] : float(in[c] * gain);
}
