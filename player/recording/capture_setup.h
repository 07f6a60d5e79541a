#pragma once
// The capture engine's rules without the engine: the choice of the capture format and the
// sizing of the capture buffer from the requested seconds (the "seconds rule").
#include "platform/audio_input.h"

#include <QList>
#include <QString>
#include <cstddef>
#include <functional>

namespace CaptureSetup {

// Seconds the capture buffer holds beyond the record seconds.
constexpr double kReserveSeconds = 3.0;

enum class Warning {
    OverMaximum, // the track time left (or the stored time) exceeds the maximum
    NotPositive, // no time left (or none stored)
};

struct Plan {
    double seconds = 0; // the record seconds: the buffer time the recording clock runs to
    size_t bytes = 0;   // capture buffer size
    QList<Warning> warnings;
};

// The first format of the preferred order (44100, 22050, 11025 Hz; stereo before mono; 16 before
// 8 bits within each rate) that `supported` accepts; false when none is.
bool chooseFormat(const std::function<bool(const AudioFormat &)> &supported, AudioFormat &out);

// `requested` seconds (the time left in the track, or the maximum), the record seconds of the
// previous set-up and the maximum recording buffer time in minutes.
Plan plan(double requested, double storedSeconds, int maxMinutes, const AudioFormat &format);

// The message for a warning, title "DirectSoundCapture 录音提示".
QString warningText(Warning warning, int maxMinutes);
QString warningTitle();

} // namespace CaptureSetup
