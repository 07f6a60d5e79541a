#pragma once
// A synthetic band for judging vocal removal (our own signals, no recordings): a centred "voice"
// (a harmonic glide), a centred bass line and kick drum, and an instrument on each side. Used by
// the centre remover's tests and its quality benchmark.
#include "centre_remover.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace SyntheticBand {

using codec::PlanarStereo;

constexpr double kDefaultSeconds = 4.0;

inline PlanarStereo silence(int rate, double seconds = kDefaultSeconds) {
    PlanarStereo s;
    s.left.assign(size_t(seconds * rate), 0.0f);
    s.right = s.left;
    return s;
}

// A smooth on/off envelope: `on` seconds of every `period`, 10 ms ramps.
inline double gate(double t, double period, double on) {
    const double p = std::fmod(t, period);
    const double ramp = 0.01;
    if (p > on) return 0;
    return std::min({1.0, p / ramp, (on - p) / ramp});
}

// A sung line: a harmonic glide 200...380 Hz, partials up to 6.5 kHz falling as 1/k.
inline PlanarStereo voice(int rate, double seconds = kDefaultSeconds) {
    PlanarStereo s = silence(rate, seconds);
    double phase = 0;
    for (size_t i = 0; i < s.frames(); ++i) {
        const double t = double(i) / rate;
        const double f0 = 200 + 180 * (0.5 - 0.5 * std::cos(2 * M_PI * t / 1.7));
        phase += 2 * M_PI * f0 / rate;
        double v = 0;
        for (int k = 1; k * f0 < std::min(6500.0, rate / 2.2); ++k)
            v += std::sin(k * phase) / k;
        s.left[i] = s.right[i] = float(0.12 * v * gate(t, 0.8, 0.65));
    }
    return s;
}

// A bass line of 55, 73, 82 and 110 Hz notes, half a second each.
inline PlanarStereo bass(int rate, double seconds = kDefaultSeconds) {
    const double notes[] = {55, 73.42, 82.41, 110};
    PlanarStereo s = silence(rate, seconds);
    double phase = 0;
    for (size_t i = 0; i < s.frames(); ++i) {
        const double t = double(i) / rate;
        phase += 2 * M_PI * notes[size_t(t / 0.5) % 4] / rate;
        s.left[i] = s.right[i] = float(0.25 * std::sin(phase) * gate(t, 0.5, 0.48));
    }
    return s;
}

// A kick on every beat: a sine falling from 90 to 45 Hz, decaying in about 60 ms.
inline PlanarStereo kick(int rate, double seconds = kDefaultSeconds) {
    PlanarStereo s = silence(rate, seconds);
    double phase = 0;
    for (size_t i = 0; i < s.frames(); ++i) {
        const double t = std::fmod(double(i) / rate, 0.5);
        if (t == 0) phase = 0;
        phase += 2 * M_PI * (45 + 45 * std::exp(-t / 0.03)) / rate;
        const double attack = std::min(1.0, t / 0.003);
        s.left[i] = s.right[i] = float(0.5 * attack * std::exp(-t / 0.06) * std::sin(phase));
    }
    return s;
}

// An instrument with rich partials playing `notes`, `other` (linear) on the opposite side.
inline PlanarStereo instrument(int rate, std::vector<double> notes, bool onLeft, double other,
                               double seconds = kDefaultSeconds) {
    PlanarStereo s = silence(rate, seconds);
    double phase = 0;
    for (size_t i = 0; i < s.frames(); ++i) {
        const double t = double(i) / rate;
        const double f = notes[size_t(t / 0.25) % notes.size()];
        phase += 2 * M_PI * f / rate;
        double v = 0;
        for (int k = 1; k <= 6 && k * f < rate / 2.2; ++k)
            v += std::sin(k * phase) / (k * k);
        v *= 0.15 * gate(t, 0.25, 0.23);
        (onLeft ? s.left : s.right)[i] = float(v);
        (onLeft ? s.right : s.left)[i] = float(v * other);
    }
    return s;
}

// Panned about two thirds of the way to a side: 10 dB lower on the other.
constexpr double kPanned = 0.3;

inline PlanarStereo leftGuitar(int rate, double other = kPanned, double seconds = kDefaultSeconds) {
    return instrument(rate, {330, 392, 440, 494}, true, other, seconds);
}
inline PlanarStereo rightKeys(int rate, double other = kPanned, double seconds = kDefaultSeconds) {
    return instrument(rate, {523, 587, 659, 784, 880}, false, other, seconds);
}

inline PlanarStereo sum(const std::vector<const PlanarStereo *> &parts) {
    PlanarStereo s = *parts[0];
    for (size_t p = 1; p < parts.size(); ++p)
        for (size_t i = 0; i < s.frames(); ++i) {
            s.left[i] += parts[p]->left[i];
            s.right[i] += parts[p]->right[i];
        }
    return s;
}

inline double energy(const std::vector<float> &v) {
    double e = 0;
    for (float x : v)
        e += double(x) * x;
    return e;
}
inline double energy(const PlanarStereo &s) {
    return energy(s.left) + energy(s.right);
}
inline double dB(double ratio) {
    return 10 * std::log10(std::max(ratio, 1e-30));
}

} // namespace SyntheticBand
