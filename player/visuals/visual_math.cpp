#include "visuals/visual_math.h"

#include <chrono>

namespace VisualMath {

QColor hlsToRgb(double h, double l, double s) {
    h = std::fmod(h, 6.0);
    if (h < 0) h += 6.0;
    const double c = (1.0 - std::fabs(2.0 * l - 1.0)) * s;
    const double x = c * (1.0 - std::fabs(std::fmod(h, 2.0) - 1.0));
    double r = 0, g = 0, b = 0;
    switch (int(h)) {
    case 0:
        r = c, g = x;
        break;
    case 1:
        r = x, g = c;
        break;
    case 2:
        g = c, b = x;
        break;
    case 3:
        g = x, b = c;
        break;
    case 4:
        r = x, b = c;
        break;
    default:
        r = c, b = x;
        break;
    }
    const double m = l - c / 2.0;
    return rgb(nint((r + m) * 255.0), nint((g + m) * 255.0), nint((b + m) * 255.0));
}

QColor colourCycle(uint32_t millis) {
    return hlsToRgb(double(millis % 6000) / 1000.0 - 1.0, 0.5, 1.0);
}

Clock systemClock() {
    return [] {
        // The steady clock counts from the system's start.
        using namespace std::chrono;
        return uint32_t(
            duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
    };
}

} // namespace VisualMath
