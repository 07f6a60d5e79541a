#pragma once
// Writes a canonical PCM WAV file: a 44-byte header and the data chunk, no pad byte.
#include "sound_format.h"

#include <cstddef>
#include <functional>
#include <string>

namespace lvx::fx {

// Writes `size` bytes of `data` as the data chunk of the WAV file `path`. A regular file (new,
// or replacing an existing one, also through a symbolic link) is written under a temporary
// name in its folder and renamed into place once it is complete, so a failed or stopped
// write leaves the old file as it was and no partial file behind; the new file keeps the
// old one's permissions. Anything else (a device, a pipe) is written directly.
// `stopped`, when given, is asked between pieces of about a megabyte; once it answers true
// the write is abandoned.
// False after one message: "Unable to open file.", "Error writing to file." or "Saving was
// stopped.".
bool writeWav(const std::string &path, const SoundFormat &format, const uint8_t *data, size_t size,
              const MessageFn &message, const std::function<bool()> &stopped = {});

} // namespace lvx::fx
