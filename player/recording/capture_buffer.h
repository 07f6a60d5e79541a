#pragma once
// The capture buffer of a recording: one fixed block of PCM bytes that the capture thread fills
// from the start and never wraps (a full buffer ends the take). Bytes below readPosition() never
// change again, so the UI thread (saving, the level meter and the visualization) reads them
// without a lock while the capture goes on.
//
// For the level meter and the visualization: readPosition() is the number of bytes captured so
// far, latestSamples() copies the most recent samples as signed 16-bit values.
#include "platform/audio_input.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

class CaptureBuffer {
public:
    // `bytes` is rounded down to whole frames of `format`.
    CaptureBuffer(const AudioFormat &format, size_t bytes);

    const AudioFormat &format() const { return m_format; }
    size_t size() const { return m_size; }
    // Captured bytes so far (a multiple of the frame size once the capture ends).
    size_t readPosition() const { return m_position.load(std::memory_order_acquire); }
    bool full() const { return readPosition() >= m_size; }
    // The first readPosition() bytes are stable.
    const char *data() const { return m_data.get(); }

    // Capture thread: appends what fits and returns how many bytes that was.
    size_t append(const char *data, size_t bytes);

    // Copies the `count` most recent samples (interleaved channels, 8-bit data widened to
    // 16 bits) into `out`, oldest first; returns how many it copied (fewer at the start).
    size_t latestSamples(int16_t *out, size_t count) const;

private:
    AudioFormat m_format;
    size_t m_size;
    std::unique_ptr<char[]> m_data; // not zero-filled: untouched pages cost no memory
    std::atomic<size_t> m_position{0};
};
