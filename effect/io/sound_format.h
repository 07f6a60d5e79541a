#pragma once
// Types shared by the sound file readers and the writer.
#include <cstdint>
#include <functional>

namespace lvx::fx {

struct SoundFormat {
    uint16_t channels = 0;      // 1 or 2
    int32_t bytesPerSample = 0; // 1 (unsigned) or 2 (signed little-endian)
    int32_t sampleRate = 0;     // frames per second, above 0
};

// Receives the readers' and the writer's English messages for the user.
using MessageFn = std::function<void(const char *text)>;

// Largest sample buffer a load builds; sizes and offsets are 32-bit signed throughout.
constexpr int64_t kMaxSoundBytes = 0x7FFFFFFF;

} // namespace lvx::fx
