#pragma once
// The playback engine's two settings, read from $XDG_CONFIG_HOME/lyravox/effect.ini
// (~/.config/lyravox/effect.ini):
//   [BUFFER SIZES] File_Playback = frames per channel in each of the 25 playback buffers
//   [RTDSP]        Output_Device = the output device (n-th PulseAudio sink) playback opens
#include <cstdint>
#include <functional>
#include <string>

namespace lvx::fx {

struct EffectSettings {
    int32_t filePlaybackSize = 1024;
    int32_t outputDevice = 0;
};

// The path of effect.ini for the current environment.
std::string effectSettingsPath();

// Reads the file at `path` (missing file or keys give the defaults) and applies the checks:
// a buffer size that is not a power of two from 256 to 32768 becomes 1024; a device that is
// not below `countDevices()` becomes 0. The device count is asked only when it matters.
EffectSettings readEffectSettings(const std::string &path,
                                  const std::function<int()> &countDevices);

} // namespace lvx::fx
