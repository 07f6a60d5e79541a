#include "eq_filter.h"

#include "simd.h"

#include <cmath>

namespace lvx::fx::dsp {

const std::array<EqFilter::Band, 9> EqFilter::kBands = {{{32, 64},
                                                         {80, 96},
                                                         {200, 240},
                                                         {400, 400},
                                                         {1000, 1200},
                                                         {2000, 2000},
                                                         {4000, 4000},
                                                         {8000, 8000},
                                                         {16000, 16000}}};

namespace {

constexpr double kPi = 3.14159;          // the design's own value of pi
constexpr double kWindowTwoPi = 6.28318; // and of 2 pi in the Hamming window
constexpr int kHalf = 16;

// Four sums of V's width each: the outputs for 4 * lanes consecutive inputs from x[0] on,
// every lane with the scalar sum order (newest tap to oldest, then the dry term).
template <class V>
__attribute__((always_inline)) inline void fourSums(const double *c, double dry, const double *x,
                                                    double *out) {
    constexpr int n = int(sizeof(V) / sizeof(double));
    V cv = splatV<V>(c[0]);
    V a0 = cv * loadV<V>(x);
    V a1 = cv * loadV<V>(x + n);
    V a2 = cv * loadV<V>(x + 2 * n);
    V a3 = cv * loadV<V>(x + 3 * n);
    for (int k = 1; k < EqFilter::kTaps; ++k) {
        cv = splatV<V>(c[k]);
        a0 = a0 + cv * loadV<V>(x - k);
        a1 = a1 + cv * loadV<V>(x + n - k);
        a2 = a2 + cv * loadV<V>(x + 2 * n - k);
        a3 = a3 + cv * loadV<V>(x + 3 * n - k);
    }
    const V dv = splatV<V>(dry);
    storeV<V>(out, a0 + dv * loadV<V>(x));
    storeV<V>(out + n, a1 + dv * loadV<V>(x + n));
    storeV<V>(out + 2 * n, a2 + dv * loadV<V>(x + 2 * n));
    storeV<V>(out + 3 * n, a3 + dv * loadV<V>(x + 3 * n));
}

LVX_DSP_CLONES void filterBlock(const double *c, double dry, const double *in, int64_t count,
                                double *out) {
    int64_t i = 0;
    // 32 outputs at a time keep enough independent additions in flight for the vector units
    // (one 512-bit or two 256-bit registers per sum); the rest 16 at a time, then one by one.
    for (; i + 32 <= count; i += 32)
        fourSums<V8d>(c, dry, in + i, out + i);
    for (; i + 16 <= count; i += 16)
        fourSums<V4d>(c, dry, in + i, out + i);
    for (; i < count; ++i) {
        const double *x = in + i;
        double acc = c[0] * x[0];
        for (int k = 1; k < EqFilter::kTaps; ++k)
            acc = acc + c[k] * x[-k];
        out[i] = acc + dry * x[0];
    }
}

} // namespace

void EqFilter::addBand(const Band &band, double weight, int32_t sampleRate) {
    const int32_t nyquist = sampleRate / 2;
    const double f1 = 0.5 * (band.centre - band.width / 2) / nyquist;
    const double f2 = 0.5 * (band.centre + band.width / 2) / nyquist;

    std::array<double, kTaps> taps{};
    for (int m = -kHalf; m <= kHalf; ++m) {
        const int k = m + kHalf;
        const double h =
            m == 0 ? 2 * (f2 - f1)
                   : 2 * std::sin(kPi * m * (f2 - f1)) * std::cos(kPi * m * (f1 + f2)) / (kPi * m);
        taps[size_t(k)] = h * (0.54 - 0.46 * std::cos(kWindowTwoPi * k / 32));
    }

    // Response at the middle of the band, R = sum of tap k * e^(-i omega k).
    const double omega = kPi * (f1 + f2);
    double re = 0.0;
    double im = 0.0;
    for (int k = 0; k < kTaps; ++k) {
        re += taps[size_t(k)] * std::cos(omega * k);
        im += taps[size_t(k)] * -std::sin(omega * k);
    }
    const double gain = std::sqrt(re * re + im * im);
    if (!(gain > 0.0) || !std::isfinite(gain)) return;
    for (int k = 0; k < kTaps; ++k) {
        const double tap = taps[size_t(k)] / gain;
        if (!std::isfinite(tap)) return;
        taps[size_t(k)] = tap;
    }
    for (int k = 0; k < kTaps; ++k)
        m_coefficients[size_t(k)] += weight * taps[size_t(k)];
}

void EqFilter::filter(const double *in, int64_t count, double *out) const {
    filterBlock(m_coefficients.data(), m_dry, in, count, out);
}

} // namespace lvx::fx::dsp
