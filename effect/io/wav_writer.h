#pragma once
// Writes a canonical PCM WAV file: a 44-byte header and the data chunk, no pad byte.
#include "sound_format.h"

#include <cstddef>
#include <string>

namespace lvx::fx {

// Writes `size` bytes of `data` as the data chunk. False after the message "Unable to open
// file." or "Error writing to file."; a partly written file is left as it is.
bool writeWav(const std::string &path, const SoundFormat &format, const uint8_t *data, size_t size,
              const MessageFn &message);

} // namespace lvx::fx
