#include "wav_writer.h"

#include <cstdio>
#include <cstring>

namespace lvx::fx {
namespace {

void put16(uint8_t *p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void put32(uint8_t *p, uint32_t v) {
    put16(p, v & 0xFFFF);
    put16(p + 2, v >> 16);
}

} // namespace

bool writeWav(const std::string &path, const SoundFormat &format, const uint8_t *data, size_t size,
              const MessageFn &message) {
    std::FILE *file = std::fopen(path.c_str(), "wb");
    if (!file) {
        message("Unable to open file.");
        return false;
    }
    const uint32_t length = static_cast<uint32_t>(size);
    const uint32_t bps = static_cast<uint32_t>(format.bytesPerSample);
    uint8_t h[44];
    std::memcpy(h, "RIFF", 4);
    put32(h + 4, length + 36);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    put32(h + 16, 16);
    put16(h + 20, 1);
    put16(h + 22, format.channels);
    put32(h + 24, static_cast<uint32_t>(format.sampleRate));
    put32(h + 28, bps * static_cast<uint32_t>(format.sampleRate) * format.channels);
    put16(h + 32, bps * format.channels);
    put16(h + 34, bps * 8);
    std::memcpy(h + 36, "data", 4);
    put32(h + 40, length);

    bool ok = std::fwrite(h, 1, sizeof h, file) == sizeof h;
    if (ok && size > 0) ok = std::fwrite(data, 1, size, file) == size;
    // Buffered data reach the disk only here; a full disk shows up at the close.
    ok = (std::fclose(file) == 0) && ok;
    if (!ok) message("Error writing to file.");
    return ok;
}

} // namespace lvx::fx
