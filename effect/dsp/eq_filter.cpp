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

// Outputs for 4 * kLanes consecutive inputs at once, each lane with the scalar sum order.
LVX_DSP_CLONES void filterBlock(const double *c, double dry, const double *in, int64_t count,
                                double *out) {
    int64_t i = 0;
    // 32 outputs at a time in four 8-wide sums: enough independent additions in flight to
    // keep the vector units busy (one 512-bit or two 256-bit registers per sum).
    for (; i + 32 <= count; i += 32) {
        const double *x = in + i;
        V8d cv = splatV8(c[0]);
        V8d a0 = cv * loadV8(x);
        V8d a1 = cv * loadV8(x + 8);
        V8d a2 = cv * loadV8(x + 16);
        V8d a3 = cv * loadV8(x + 24);
        for (int k = 1; k < EqFilter::kTaps; ++k) {
            cv = splatV8(c[k]);
            a0 = a0 + cv * loadV8(x - k);
            a1 = a1 + cv * loadV8(x + 8 - k);
            a2 = a2 + cv * loadV8(x + 16 - k);
            a3 = a3 + cv * loadV8(x + 24 - k);
        }
        const V8d dv = splatV8(dry);
        storeV8(out + i, a0 + dv * loadV8(x));
        storeV8(out + i + 8, a1 + dv * loadV8(x + 8));
        storeV8(out + i + 16, a2 + dv * loadV8(x + 16));
        storeV8(out + i + 24, a3 + dv * loadV8(x + 24));
    }
    for (; i + 16 <= count; i += 16) {
        const double *x = in + i;
        V4d cv = splatV4(c[0]);
        V4d a0 = cv * loadV4(x);
        V4d a1 = cv * loadV4(x + 4);
        V4d a2 = cv * loadV4(x + 8);
        V4d a3 = cv * loadV4(x + 12);
        for (int k = 1; k < EqFilter::kTaps; ++k) {
            cv = splatV4(c[k]);
            a0 = a0 + cv * loadV4(x - k);
            a1 = a1 + cv * loadV4(x + 4 - k);
            a2 = a2 + cv * loadV4(x + 8 - k);
            a3 = a3 + cv * loadV4(x + 12 - k);
        }
        const V4d dv = splatV4(dry);
        storeV4(out + i, a0 + dv * loadV4(x));
        storeV4(out + i + 4, a1 + dv * loadV4(x + 4));
        storeV4(out + i + 8, a2 + dv * loadV4(x + 8));
        storeV4(out + i + 12, a3 + dv * loadV4(x + 12));
    }
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
