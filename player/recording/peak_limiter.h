#pragma once
// A look-ahead peak limiter for mixing two full-scale signals: frames whose peak stays below
// the ceiling pass unchanged (gain exactly 1), louder ones are turned down so that no sample
// goes past it. The gain falls smoothly over the look-ahead before a loud peak and comes back
// with the release time after it. One gain for all channels keeps the balance.
//
// Streamed: push() takes the next frame and answers the frame `delay()` frames older, already
// limited; flush() answers the frames still held at the end.
#include <cstddef>
#include <vector>

class PeakLimiter {
public:
    // Samples are on the 16-bit scale (full scale 32767).
    static constexpr float kCeiling = 32000.0f;

    PeakLimiter(int channels, int rate, double lookAheadSeconds = 0.005,
                double releaseSeconds = 0.05);

    int delay() const { return 2 * (m_length - 1); }
    // Takes one frame of `channels` samples in `in`; writes the limited frame `delay()` frames
    // older to `out` and returns true, or returns false while the first delay() frames fill.
    bool push(const float *in, float *out);
    // push() for `frames` frames of `in`; the limited frames that come out go to `out` (room
    // for `frames`), and their number is returned.
    size_t process(const float *in, size_t frames, float *out);
    // Writes the next held frame to `out`; false once none is left.
    bool flush(float *out);

private:
    bool feed(const float *in, float *out);
    // Counts off the outputs of the silence fed first; true for a real frame.
    bool given();
    void limitOldest(float *out);

    int m_channels;
    int m_length;                 // look-ahead window in frames
    double m_release;             // share of the way back to unity per frame
    size_t m_taken = 0;           // frames pushed by the caller
    size_t m_pushed = 0;          // frames fed in, silence included
    size_t m_given = 0;           // frames answered, the silence fed first included
    size_t m_skip = 0;            // outputs of that silence still to drop
    std::vector<float> m_samples; // ring of the last m_length frames
    size_t m_slot;                // the newest frame's slot
    // Rising-need queue over the window: the frames whose need (the gain they allow) is a
    // running minimum.
    struct Need {
        size_t frame;
        float need;
    };
    std::vector<Need> m_minQueue;
    size_t m_minHead = 0, m_minTail = 0;
    std::vector<double> m_env; // ring of the last m_length released gains
    double m_envSum;
    int m_envBelowOne = 0;
    double m_lastEnv = 1.0;
};
