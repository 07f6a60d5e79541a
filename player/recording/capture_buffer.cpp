#include "recording/capture_buffer.h"

#include <algorithm>
#include <cstring>

CaptureBuffer::CaptureBuffer(const AudioFormat &format, size_t bytes)
    : m_format(format), m_size(bytes - bytes % size_t(std::max(1, format.blockAlign()))),
      m_data(new char[std::max<size_t>(m_size, 1)]) {}

size_t CaptureBuffer::append(const char *data, size_t bytes) {
    const size_t at = m_position.load(std::memory_order_relaxed);
    const size_t n = std::min(bytes, m_size - at);
    if (n == 0) return 0;
    std::memcpy(m_data.get() + at, data, n);
    m_position.store(at + n, std::memory_order_release);
    return n;
}

size_t CaptureBuffer::latestSamples(int16_t *out, size_t count) const {
    const size_t end = readPosition();
    if (m_format.bits == 8) {
        const size_t n = std::min(count, end);
        const auto *src = reinterpret_cast<const uint8_t *>(m_data.get()) + (end - n);
        for (size_t k = 0; k < n; ++k)
            out[k] = int16_t((int(src[k]) - 128) * 256);
        return n;
    }
    const size_t n = std::min(count, end / 2);
    std::memcpy(out, m_data.get() + (end / 2 - n) * 2, n * 2);
    return n;
}
