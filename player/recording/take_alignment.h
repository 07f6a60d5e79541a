#pragma once
// Where the accompaniment of a take sits against its voice. Both are captured as separate
// streams; readings of their timing, taken while the take runs, say when a frame of each was
// captured (for the accompaniment: heard). The alignment keeps a few points: each says that
// from accompaniment frame `accompaniment` on, the accompaniment runs in step with the voice
// from frame `voice` on. A new point starts when the lag moves by more than the tolerance
// (playback paused, sound lost, two clocks drifting apart).
//
// Each reading gives a lag; a stretch's lag is the median of its readings, so that a reading
// thrown off by a busy machine (a report handled late, a report from another round) counts for
// nothing.
#include "platform/audio_input.h"

#include <cstdint>
#include <deque>
#include <vector>

struct AlignPoint {
    int64_t accompaniment = 0;
    int64_t voice = 0;
};

class TakeAlignment {
public:
    // Readings that give a lag together (two seconds of them), and how many are kept to find
    // where a new lag began and to sharpen a point's lag.
    static constexpr size_t kWindow = 20;
    static constexpr size_t kKept = 3 * kWindow;
    // Readings in a row whose lag has moved before a new point starts.
    static constexpr int kMoved = 5;

    // `rate` in frames per second.
    explicit TakeAlignment(int rate = 44100);

    // One reading of both streams' timing.
    void add(const CaptureTiming &voice, const CaptureTiming &accompaniment);
    // In accompaniment (and voice) order.
    const std::vector<AlignPoint> &points() const { return m_points; }
    void clear();

    // When frame 0 of the stream was captured, by this reading (microseconds).
    static double origin(const CaptureTiming &t, int rate);

private:
    struct Reading {
        int64_t accompaniment; // frame
        double lag;            // voice frame minus accompaniment frame
    };
    // The median lag of readings [from, m_recent.end()).
    double lagSince(std::deque<Reading>::const_iterator from) const;

    int m_rate;
    double m_tolerance; // frames
    std::vector<AlignPoint> m_points;
    std::deque<Reading> m_recent;
    size_t m_readingsOfLast = 0;
    int m_moved = 0;
};
