#pragma once
// The take as it was performed: the voice at unity over the accompaniment at unity, each
// accompaniment frame placed against the voice frame captured while it sounded (the
// alignment's points), through a peak limiter so the sum never clips. The mix is as long as the
// voice; where no accompaniment sounded (before it began, while playback paused) the voice is
// alone. Both inputs are PCM in the same format (16-bit signed or 8-bit unsigned).
#include "platform/audio_input.h"
#include "recording/take_alignment.h"

#include <QString>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace TakeMixer {

// A jump in the lag larger than this is a stretch without accompaniment, not drift.
constexpr double kGapSeconds = 0.010;

// The accompaniment frame that sounded with voice frame `voice`; -1 when none did.
int64_t accompanimentFrame(const std::vector<AlignPoint> &points, int64_t voice,
                           int64_t accompanimentFrames, int rate);

// Hands the mix to `out` in blocks of whole frames; false when `out` refused one.
bool mix(const AudioFormat &format, const char *voice, size_t voiceBytes, const char *accompaniment,
         size_t accompanimentBytes, const std::vector<AlignPoint> &points,
         const std::function<bool(const char *, size_t)> &out);

// Writes the mix as a PCM WAV file that appears complete or not at all.
bool writeWav(const QString &path, const AudioFormat &format, const char *voice, size_t voiceBytes,
              const char *accompaniment, size_t accompanimentBytes,
              const std::vector<AlignPoint> &points);

} // namespace TakeMixer
