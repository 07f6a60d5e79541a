#pragma once
// The circular line of Echo and Reverb, one per channel: 44 101 slots, both indexes moving
// by one per sample, the read index trailing by the delay.
#include <cstdint>
#include <vector>

namespace lvx::fx::dsp {

class DelayLine {
public:
    static constexpr uint32_t kSlots = 44101;

    // The delay in samples is taken modulo the line in unsigned arithmetic, so any delay,
    // even a negative or an over-long one, reads a slot inside the line.
    DelayLine(int16_t delayMs, int16_t ratio, int32_t sampleRate)
        : m_items(kSlots, 0), m_ratio(ratio) {
        const int64_t delaySamples = int64_t(delayMs) * sampleRate / 1000;
        m_read = (m_write - uint32_t(delaySamples) + kSlots) % kSlots;
    }

    // Both turn `count` consecutive values (16-bit range) of one channel into results, value
    // by value as described, but a stretch at a time. `in` and `out` must not overlap.
    // Feed-forward: each input is stored first, so a delay of 0 reads the input itself.
    void echo(const int32_t *in, int32_t *out, int64_t count);
    // Feedback: the delayed value is an earlier output.
    void reverb(const int32_t *in, int32_t *out, int64_t count);

private:
    // Slots from the read index forward to the write index.
    uint32_t lag() const { return (m_write + kSlots - m_read) % kSlots; }
    // The longest stretch from here on, at most `left`, in which neither index wraps.
    int64_t stretch(int64_t left) const;
    void advance(int64_t n);

    std::vector<int16_t> m_items;
    int32_t m_ratio;
    uint32_t m_write = 0;
    uint32_t m_read = 0;
};

} // namespace lvx::fx::dsp
