#pragma once
// The circular line of Echo and Reverb, one per channel: 44 101 slots, both indexes moving
// by one per sample, the read index trailing by the delay.
#include "sample_format.h"

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

    // Feed-forward: the input is stored first, so a delay of 0 reads the input itself.
    int32_t echo(int32_t x) {
        m_items[m_write] = int16_t(x);
        const int32_t y = int32_t(limit16(int64_t(x) + int32_t(m_items[m_read]) * m_ratio / 100));
        advance();
        return y;
    }

    // Feedback: the delayed value is an earlier output.
    int32_t reverb(int32_t x) {
        const int32_t y = int32_t(limit16(int64_t(x) + int32_t(m_items[m_read]) * m_ratio / 100));
        m_items[m_write] = int16_t(y);
        advance();
        return y;
    }

private:
    void advance() {
        m_write = m_write + 1 == kSlots ? 0 : m_write + 1;
        m_read = m_read + 1 == kSlots ? 0 : m_read + 1;
    }

    std::vector<int16_t> m_items;
    int32_t m_ratio;
    uint32_t m_write = 0;
    uint32_t m_read = 0;
};

} // namespace lvx::fx::dsp
