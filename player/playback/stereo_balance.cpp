#include "playback/stereo_balance.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace StereoBalance {

int clamp(int balance) {
    return std::clamp(balance, -5000, 5000);
}

Gains gains(int balance) {
    const int b = clamp(balance);
    const double quiet = std::pow(10.0, -std::abs(b) / 2000.0); // |b| / 100 dB as amplitude
    Gains g;
    if (b > 0)
        g.left = quiet;
    else if (b < 0)
        g.right = quiet;
    return g;
}

QByteArray filterChain(int balance) {
    const int b = clamp(balance);
    if (b == 0) return {};
    const Gains g = gains(b);
    // Mono and multichannel sources are brought to stereo first, so both channels exist.
    return QByteArrayLiteral("@balance:lavfi=[aformat=channel_layouts=stereo,pan=stereo|c0=") +
           QByteArray::number(g.left, 'f', 6) + QByteArrayLiteral("*c0|c1=") +
           QByteArray::number(g.right, 'f', 6) + QByteArrayLiteral("*c1]");
}

} // namespace StereoBalance
