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
    std::vector<double> lags;
    for (auto r = from; r != m_recent.end(); ++r)
        lags.push_back(r->lag);
    const auto middle = lags.begin() + long(lags.size() / 2);
    std::nth_element(lags.begin(), middle, lags.end());
    if (lags.size() % 2) return *middle;
    return (*middle + *std::max_element(lags.begin(), middle)) / 2.0;
}

void TakeAlignment::add(const CaptureTiming &voice, const CaptureTiming &accompaniment) {
    const int64_t frame = int64_t(accompaniment.frames);
    // No new accompaniment since the last reading (playback paused or starved): the reading
    // says when the last frame sounded, not where the stream is now.
    if (!m_recent.empty() && frame == m_recent.back().accompaniment) return;
    // Accompaniment frame j sounded at its origin + j / rate, while the voice captured frame
    // (that moment - the voice's origin) * rate.
    const double lag = (origin(accompaniment, m_rate) - origin(voice, m_rate)) * m_rate / 1e6;
    m_recent.push_back({frame, lag});
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
        // A point whose sharpened lag came back to the one before was a stretch of stray
        // readings, not a move: the stretch before runs on.
        const size_t n = m_points.size();
        if (n >= 2 &&
            std::abs((m_points[n - 1].voice - m_points[n - 1].accompaniment) -
                     (m_points[n - 2].voice - m_points[n - 2].accompaniment)) <= m_tolerance / 3)
            m_points.pop_back();
        return;
    }
    // One stray reading is not a move; a lag that stays away for a few readings is.
    if (++m_moved < kMoved) return;
    m_moved = 0;
    // The new point starts at the first of the latest readings that agree with the new lag (a
    // single stray one among them does not end them).
    auto first = m_recent.end() - 1;
    int strays = 0;
    for (auto r = m_recent.end() - 1; strays < 2; --r) {
        if (std::abs(r->lag - recent) <= m_tolerance) {
            first = r;
            strays = 0;
        } else {
            ++strays;
        }
        if (r == m_recent.begin()) break;
    }
    const AlignPoint next{first->accompaniment, first->accompaniment + std::llround(recent)};
    if (next.accompaniment <= last.accompaniment || next.voice <= last.voice)
        last.voice = last.accompaniment + std::llround(recent);
    else
        m_points.push_back(next);
    m_readingsOfLast = size_t(m_recent.end() - first);
}
