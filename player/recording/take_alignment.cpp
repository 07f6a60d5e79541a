#include "recording/take_alignment.h"

#include <algorithm>
#include <cmath>

TakeAlignment::TakeAlignment(int rate) : m_rate(rate), m_tolerance(0.002 * rate) {}

void TakeAlignment::clear() {
    m_points.clear();
    m_recent.clear();
    m_readingsOfLast = 0;
}

double TakeAlignment::origin(const CaptureTiming &t, int rate) {
    return double(t.atUsec - t.latencyUsec) - double(t.frames) * 1e6 / rate;
}

double TakeAlignment::lagOf(const std::deque<Reading> &readings) const {
    double voice = readings.front().voiceOrigin;
    double accompaniment = readings.front().accompanimentOrigin;
    for (const Reading &r : readings) {
        voice = std::min(voice, r.voiceOrigin);
        accompaniment = std::min(accompaniment, r.accompanimentOrigin);
    }
    // Accompaniment frame j sounded at accompaniment + j / rate, while the voice captured frame
    // (that moment - voice) * rate.
    return (accompaniment - voice) * m_rate / 1e6;
}

void TakeAlignment::add(const CaptureTiming &voice, const CaptureTiming &accompaniment) {
    const int64_t frame = int64_t(accompaniment.frames);
    m_recent.push_back({frame, origin(voice, m_rate), origin(accompaniment, m_rate)});
    if (m_recent.size() > kWindow) m_recent.pop_front();
    const double lag = lagOf(m_recent);

    if (m_points.empty()) {
        m_points.push_back({frame, frame + std::llround(lag)});
        m_readingsOfLast = 1;
        return;
    }
    AlignPoint &last = m_points.back();
    if (m_readingsOfLast < kWindow) {
        // A young point is refined by each reading until the window is full.
        ++m_readingsOfLast;
        last.voice = last.accompaniment + std::llround(lag);
        return;
    }
    if (std::abs(lag - double(last.voice - last.accompaniment)) <= m_tolerance) return;
    // The lag moved: the readings since the change tell the new one, and the new point starts
    // at the first of them.
    std::deque<Reading> since;
    for (auto r = m_recent.rbegin(); r != m_recent.rend(); ++r) {
        std::deque<Reading> tail(r.base() - 1, m_recent.end());
        if (std::abs(lagOf(tail) - lag) > m_tolerance) break;
        since.swap(tail);
    }
    if (since.empty()) since.push_back(m_recent.back());
    const double newLag = lagOf(since);
    const AlignPoint next{since.front().accompaniment,
                          since.front().accompaniment + std::llround(newLag)};
    if (next.accompaniment <= last.accompaniment || next.voice <= last.voice)
        last.voice = last.accompaniment + std::llround(newLag);
    else
        m_points.push_back(next);
    m_recent.swap(since);
    m_readingsOfLast = m_recent.size();
}
