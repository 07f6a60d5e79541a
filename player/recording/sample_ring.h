#pragma once
// The most recent input samples for the level meter and the visualization: the capture
// thread appends 16-bit values (8-bit data widened), the UI thread copies the newest ones.
// One writer, one reader, no lock; a copy overtaken by the writer is taken again.
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

class SampleRing {
public:
    static constexpr size_t kCapacity = 16384; // values, a power of two

    // Capture thread: appends `bytes` of little-endian 16-bit (or unsigned 8-bit) samples.
    void append(const char *data, size_t bytes, int bitsPerSample);
    // UI thread: copies the `count` newest values, oldest first; returns false (and copies
    // nothing) while fewer than `count` have arrived since the last clear().
    bool latest(int16_t *out, size_t count) const;
    // Values written since the last clear().
    uint64_t written() const { return m_written.load(std::memory_order_acquire); }
    // Only while no writer runs.
    void clear();

private:
    void push(int16_t value, uint64_t &at);

    std::array<std::atomic<int16_t>, kCapacity> m_values{};
    std::atomic<uint64_t> m_written{0};
    bool m_pendingByte = false; // the first byte of a 16-bit value split across two blocks
    uint8_t m_low = 0;
};
