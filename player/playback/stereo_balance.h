#pragma once
// The balance of the media player as a real stereo balance: a value of b hundredths of a
// decibel takes |b| / 100 dB off the opposite channel (positive values quieten the left one).
#include <QByteArray>

namespace StereoBalance {

struct Gains {
    double left = 1.0;
    double right = 1.0;
};

// Clamps to -5000 ... 5000.
int clamp(int balance);
// Linear channel gains for a balance value (clamped first).
Gains gains(int balance);
// The mpv audio filter chain for a balance value: empty at 0 (the output is left untouched),
// otherwise a stereo mix with the gains above.
QByteArray filterChain(int balance);

} // namespace StereoBalance
