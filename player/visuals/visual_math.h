#pragma once
// Small arithmetic shared by the visual engine, the level meter and the style painters.
#include <QColor>
#include <cmath>
#include <cstdint>
#include <functional>
#include <random>

namespace VisualMath {

// Nearest whole number, halves to even (the default rounding mode).
inline double nint(double x) {
    return std::nearbyint(x);
}
inline int inint(double x) {
    return int(std::nearbyint(x));
}
// Rounded and limited to the signed 16-bit range; NaN becomes 0.
inline int16_t saturate16(double x) {
    if (!(x == x)) return 0;
    const double r = std::nearbyint(x);
    if (r > 32767.0) return 32767;
    if (r < -32768.0) return -32768;
    return int16_t(r);
}
// A colour with each component limited to 0 ... 255.
inline QColor rgb(double r, double g, double b) {
    auto c = [](double v) { return v > 255 ? 255 : (v < 0 ? 0 : int(v)); };
    return QColor(c(r), c(g), c(b));
}
// HLS to RGB with the hue in sextants (0 red, 2 green, 4 blue; negative hues wrap).
QColor hlsToRgb(double hueSextants, double lightness, double saturation);
// The colour cycle: a fully saturated hue that turns once every six seconds.
QColor colourCycle(uint32_t millis);

// Uniform values in [0, 1), seeded once.
class Random {
public:
    explicit Random(uint32_t seed = std::random_device{}()) : m_engine(seed) {}
    double next() { return std::uniform_real_distribution<double>(0.0, 1.0)(m_engine); }
    // floor(next() * n) for n > 0.
    int below(int n) { return int(next() * n); }

private:
    std::mt19937 m_engine;
};

// Milliseconds since some fixed start (the system's start by default); tests inject their own.
using Clock = std::function<uint32_t()>;
Clock systemClock();

} // namespace VisualMath
