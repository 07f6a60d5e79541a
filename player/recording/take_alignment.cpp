#include "recording/take_alignment.h"

#include <algorithm>
#include <cmath>

TakeAlignment::TakeAlignment(int rate) : m_rate(rate), m_tolerance(0.003 * rate) {}

void TakeAlignment::clear() {
    m_points.clear();
    m_recent.clear();
    m_readingsOfLast = 0;
    m_moved = 0;
}

double TakeAlignment::origin(const CaptureTiming &t, int rate) {
    return double(t.atUsec - t.latencyUsec) - double(t.frames) * 1e6 / rate;
}

double TakeAlignment::lagSince(std::deque<Reading>::const_iterator from) const {
    double voice = from->voiceOrigin;
    double accompaniment = from->accompanimentOrigin;
    for (auto r = from; r != m_recent.end(); ++r) {
        voice = std::min(voice, r->voiceOrigin);
        accompaniment = std::min(accompaniment, r->accompanimentOrigin);
    }
    // Accompaniment frame j sounded at accompaniment + j / rate, while the voice captured frame
    // (that moment - voice) * rate.
    return (accompaniment - voice) * m_rate / 1e6;
}

void TakeAlignment::add(const CaptureTiming &voice, const CaptureTiming &accompaniment) {
    const int64_t frame = int64_t(accompaniment.frames);
    m_recent.push_back({frame, origin(voice, m_rate), origin(accompaniment, m_rate)});
    if (m_recent.size() > kKept) m_recent.pop_front();
    ++m_readingsOfLast;
    const auto since = [this](size_t count) {
        return m_recent.end() - long(std::min({count, m_readingsOfLast, m_recent.size()}));
    };
    const double recent = lagSince(since(kWindow));

    if (m_points.empty()) {
        m_points.push_back({frame, frame + std::llround(recent)});
        return;
    }
    AlignPoint &last = m_points.back();
    if (std::abs(recent - double(last.voice - last.accompaniment)) <= m_tolerance) {
        // Every reading of the point's own stretch sharpens its lag (the mix is made at the
        // end, so the whole stretch gets the sharpest one).
        m_moved = 0;
        last.voice = last.accompaniment + std::llround(lagSince(since(kKept)));
        // A point whose sharpened lag came back to the one before was a stretch of late
        // readings, not a move: the stretch before runs on.
        const size_t n = m_points.size();
        if (n >= 2 &&
            std::abs((m_points[n - 1].voice - m_points[n - 1].accompaniment) -
                     (m_points[n - 2].voice - m_points[n - 2].accompaniment)) <= m_tolerance / 3)
            m_points.pop_back();
        return;
    }
    // One late reading is not a move; a lag that stays away for a few readings is.
    if (++m_moved < kMoved) return;
    m_moved = 0;
    // The new point starts at the first of the readings that agree with the new lag (an older
    // one, from before the change, would pull the earliest origins back).
    auto first = since(kWindow);
    while (first != m_recent.begin() && std::abs(lagSince(first - 1) - recent) <= m_tolerance)
        --first;
    const AlignPoint next{first->accompaniment, first->accompaniment + std::llround(recent)};
    if (next.accompaniment <= last.accompaniment || next.voice <= last.voice)
        last.voice = last.accompaniment + std::llround(recent);
    else
        m_points.push_back(next);
    m_readingsOfLast = size_t(m_recent.end() - first);
}
