#include "recording/sample_ring.h"

void SampleRing::push(int16_t value, uint64_t &at) {
    m_values[size_t(at % kCapacity)].store(value, std::memory_order_relaxed);
    ++at;
}

void SampleRing::append(const char *data, size_t bytes, int bitsPerSample) {
    const auto *p = reinterpret_cast<const uint8_t *>(data);
    uint64_t at = m_written.load(std::memory_order_relaxed);
    if (bitsPerSample == 8) {
        for (size_t k = 0; k < bytes; ++k)
            push(int16_t((int(p[k]) - 128) * 256), at);
    } else {
        size_t k = 0;
        if (m_pendingByte && bytes > 0) {
            push(int16_t(uint16_t(m_low | (p[0] << 8))), at);
            m_pendingByte = false;
            k = 1;
        }
        for (; k + 1 < bytes; k += 2)
            push(int16_t(uint16_t(p[k] | (p[k + 1] << 8))), at);
        if (k < bytes) {
            m_pendingByte = true;
            m_low = p[k];
        }
    }
    m_written.store(at, std::memory_order_release);
}

bool SampleRing::latest(int16_t *out, size_t count) const {
    if (count > kCapacity / 2) return false;
    for (int attempt = 0; attempt < 3; ++attempt) {
        const uint64_t end = m_written.load(std::memory_order_acquire);
        if (end < count) return false;
        const uint64_t start = end - count;
        for (size_t k = 0; k < count; ++k)
            out[k] = m_values[size_t((start + k) % kCapacity)].load(std::memory_order_relaxed);
        // Still whole unless the writer came round to the copied values meanwhile.
        if (m_written.load(std::memory_order_acquire) - start <= kCapacity) return true;
    }
    return false;
}

void SampleRing::clear() {
    m_written.store(0, std::memory_order_release);
    m_pendingByte = false;
}
