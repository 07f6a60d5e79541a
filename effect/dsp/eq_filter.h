#pragma once
// The equalizer's filter: nine windowed FIR band kernels summed into one 33-tap kernel, plus
// a dry path. The symmetric kernel delays by 16 values; the dry path does not.
#include <array>
#include <cstdint>

namespace lvx::fx::dsp {

class EqFilter {
public:
    static constexpr int kTaps = 33;
    static constexpr int kHistory = kTaps - 1;

    struct Band {
        int32_t centre, width; // Hz
    };
    static const std::array<Band, 9> kBands;

    void clear() { m_coefficients.fill(0.0); }
    // Designs the band-pass kernel of `band` at `sampleRate` (gain 1 at the middle of its
    // edges) and adds it with `weight`. A band that cannot be designed at that rate (a rate
    // below 2 Hz) adds nothing.
    void addBand(const Band &band, double weight, int32_t sampleRate);
    void setDryFactor(double dry) { m_dry = dry; }

    const std::array<double, kTaps> &coefficients() const { return m_coefficients; }
    double dryFactor() const { return m_dry; }

    // Filters `count` values: in[-32] ... in[-1] hold the 32 values before in[0] (the running
    // history), out[i] receives y for in[i]. Each y is summed tap by tap from the newest value
    // to the oldest, then the dry term is added.
    void filter(const double *in, int64_t count, double *out) const;

private:
    std::array<double, kTaps> m_coefficients{};
    double m_dry = 0.0;
};

} // namespace lvx::fx::dsp
