#include "fft_shifter.h"

#include "simd.h"

#include <cmath>

namespace lvx::fx::dsp {

namespace {

constexpr double kTwoPi = 6.2831852; // the transform's own angle constant, not 2 pi

// Twiddles for every stage, stored stage after stage (the stage spanning 2 * half points at
// offset half - 1): the recurrence started at 1 for each stage.
void buildTwiddles(int32_t n, double sign, std::vector<double> &re, std::vector<double> &im) {
    re.assign(size_t(n), 0.0);
    im.assign(size_t(n), 0.0);
    for (int32_t half = 1; half < n; half *= 2) {
        const int32_t span = 2 * half;
        const double theta = sign * kTwoPi / span;
        const double s = std::sin(theta / 2);
        const double alpha = 2.0 * s * s;
        const double beta = std::sin(theta);
        double wr = 1.0;
        double wi = 0.0;
        for (int32_t k = 0; k < half; ++k) {
            re[size_t(half - 1 + k)] = wr;
            im[size_t(half - 1 + k)] = wi;
            const double nextRe = wr - (wr * alpha + wi * beta);
            const double nextIm = wi - (wi * alpha - wr * beta);
            wr = nextRe;
            wi = nextIm;
        }
    }
}

std::vector<uint32_t> bitReversal(int32_t n) {
    int bits = 0;
    while ((int32_t(1) << bits) < n)
        ++bits;
    std::vector<uint32_t> r(size_t(n), 0);
    for (uint32_t k = 0; k < uint32_t(n); ++k) {
        uint32_t v = 0;
        for (int b = 0; b < bits; ++b)
            v |= ((k >> b) & 1u) << (bits - 1 - b);
        r[k] = v;
    }
    return r;
}

// One radix-2 stage over all groups: t = w * b; b = a - t; a = a + t.
__attribute__((always_inline)) inline void stage(double *re, double *im, int32_t n, int32_t half,
                                                 const double *wRe, const double *wIm) {
    if (half < 4) {
        for (int32_t g = 0; g < n; g += 2 * half) {
            for (int32_t k = 0; k < half; ++k) {
                const int32_t a = g + k;
                const int32_t b = a + half;
                const double tr = wRe[k] * re[b] - wIm[k] * im[b];
                const double ti = wRe[k] * im[b] + wIm[k] * re[b];
                re[b] = re[a] - tr;
                im[b] = im[a] - ti;
                re[a] = re[a] + tr;
                im[a] = im[a] + ti;
            }
        }
        return;
    }
    for (int32_t g = 0; g < n; g += 2 * half) {
        double *aRe = re + g;
        double *aIm = im + g;
        double *bRe = aRe + half;
        double *bIm = aIm + half;
        for (int32_t k = 0; k < half; k += 4) {
            const V4d cr = loadV4(wRe + k);
            const V4d ci = loadV4(wIm + k);
            const V4d xr = loadV4(bRe + k);
            const V4d xi = loadV4(bIm + k);
            const V4d tr = cr * xr - ci * xi;
            const V4d ti = cr * xi + ci * xr;
            const V4d ur = loadV4(aRe + k);
            const V4d ui = loadV4(aIm + k);
            storeV4(bRe + k, ur - tr);
            storeV4(bIm + k, ui - ti);
            storeV4(aRe + k, ur + tr);
            storeV4(aIm + k, ui + ti);
        }
    }
}

// Forward transform of n real samples. The first stage is merged into the bit-reversed copy:
// its only twiddle is exactly 1 and the imaginary parts are still 0.
LVX_DSP_CLONES void forwardTransform(const FftPlan &plan, const double *in, double *re,
                                     double *im) {
    const int32_t n = plan.size();
    const uint32_t *g = plan.forwardGather().data();
    for (int32_t p = 0; p < n; p += 2) {
        const double a = in[g[p]];
        const double b = in[g[p + 1]];
        re[p] = a + b;
        re[p + 1] = a - b;
        im[p] = 0.0;
        im[p + 1] = 0.0;
    }
    for (int32_t half = 2; half < n; half *= 2)
        stage(re, im, n, half, plan.forwardRe(half), plan.forwardIm(half));
}

// Inverse transform of the rewritten spectrum (read through the plan's gather, which applies
// the mode), keeping only the real parts, divided by n (a power of two: exactly as a division).
LVX_DSP_CLONES void inverseTransform(const FftPlan &plan, const double *specRe,
                                     const double *specIm, double *re, double *im, double *out) {
    const int32_t n = plan.size();
    const uint32_t *g = plan.inverseGather().data();
    for (int32_t p = 0; p < n; p += 2) {
        const uint32_t a = g[p];
        const uint32_t b = g[p + 1];
        re[p] = specRe[a] + specRe[b];
        re[p + 1] = specRe[a] - specRe[b];
        im[p] = specIm[a] + specIm[b];
        im[p + 1] = specIm[a] - specIm[b];
    }
    const int32_t last = n / 2;
    for (int32_t half = 2; half < last; half *= 2)
        stage(re, im, n, half, plan.inverseRe(half), plan.inverseIm(half));

    const double scale = 1.0 / n;
    const double *wRe = plan.inverseRe(last);
    const double *wIm = plan.inverseIm(last);
    const V4d vScale = splatV4(scale);
    for (int32_t k = 0; k < last; k += 4) {
        const V4d tr =
            loadV4(wRe + k) * loadV4(re + last + k) - loadV4(wIm + k) * loadV4(im + last + k);
        const V4d ur = loadV4(re + k);
        storeV4(out + k, (ur + tr) * vScale);
        storeV4(out + last + k, (ur - tr) * vScale);
    }
}

} // namespace

std::vector<uint32_t> FftPlan::binSources(int32_t n, int16_t mode) {
    const uint32_t un = uint32_t(n);
    const uint32_t h = un / 2;
    const uint32_t cleared = un;
    std::vector<uint32_t> y(un);
    for (uint32_t k = 0; k < un; ++k)
        y[k] = k;
    auto clear = [&](uint32_t first, uint32_t last) {
        for (uint32_t k = first; k <= last && k < un; ++k)
            y[k] = cleared;
    };
    // Bin n - s for s = 0 lies past the block; every mode clears that target afterwards.
    auto mirrored = [&](uint32_t s) { return s == 0 ? cleared : un - s; };
    auto scaleUp = [&](uint32_t q) {
        for (uint32_t m = h; m >= 1; --m) {
            const uint32_t s = (10 * m) / q;
            y[m] = s;
            y[un - m] = mirrored(s);
        }
    };

    switch (mode) {
    case 0:
    case 1:
        scaleUp(mode == 0 ? 11 : 12);
        clear(1, 1);
        clear(un - 1, un - 1);
        break;
    case 2:
        clear(0, un - 1);
        scaleUp(13);
        clear(1, 1);
        clear(un - 1, un - 1);
        break;
    case 3:
        clear(1, un - 1);
        scaleUp(14);
        clear(un - 1, un - 1);
        break;
    case 4:
        clear(1, un - 1);
        for (uint32_t j = 0; j <= un / 3; ++j) {
            const uint32_t t = (15 * j) / 10;
            y[t] = j;
            y[un - 1 - t] = un - 1 - j;
        }
        break;
    case 5:
        clear(1, 10);
        clear(un - 10, un - 1);
        if (h > 10) {
            for (uint32_t j = 0; j <= h - 11; ++j) {
                y[11 + j] = 1 + j;
                y[un - 11 - j] = un - 1 - j;
            }
        }
        break;
    case 6:
        clear(h - 10, h);
        clear(h, h + 10);
        for (uint32_t j = 0; j + 11 <= h; ++j) {
            y[1 + j] = 11 + j;
            y[un - 1 - j] = un - 11 - j;
        }
        break;
    case -1:
    case -2:
    case -3:
    case -4:
    case -5: {
        static const uint32_t kRatio[] = {12, 11, 13, 14, 15};
        const uint32_t q = kRatio[-mode - 1];
        const uint32_t k = (10 * un) / (2 * q);
        for (uint32_t j = 0; j < k; ++j) {
            const uint32_t s = (q * (j + 1)) / 10;
            y[1 + j] = s;
            y[un - 1 - j] = un - s;
        }
        if (k + 1 < un - k) clear(k + 1, un - k - 1);
        break;
    }
    default:
        break; // any other mode leaves the spectrum as it is
    }
    y[0] = 0; // the constant term is always kept
    return y;
}

FftPlan::FftPlan(int32_t n, int16_t mode) : m_n(n) {
    buildTwiddles(n, 1.0, m_forwardRe, m_forwardIm);
    buildTwiddles(n, -1.0, m_inverseRe, m_inverseIm);
    m_forwardGather = bitReversal(n);
    const std::vector<uint32_t> sources = binSources(n, mode);
    m_inverseGather.resize(size_t(n));
    for (size_t p = 0; p < size_t(n); ++p)
        m_inverseGather[p] = sources[m_forwardGather[p]];
}

FftShifter::FftShifter(const FftPlan &plan)
    : m_plan(plan), m_input(size_t(plan.size()), 0.0), m_output(size_t(plan.size()), 0.0),
      m_specRe(size_t(plan.size()) + 1, 0.0), m_specIm(size_t(plan.size()) + 1, 0.0),
      m_workRe(size_t(plan.size()), 0.0), m_workIm(size_t(plan.size()), 0.0) {}

void FftShifter::process() {
    forwardTransform(m_plan, m_input.data(), m_specRe.data(), m_specIm.data());
    inverseTransform(m_plan, m_specRe.data(), m_specIm.data(), m_workRe.data(), m_workIm.data(),
                     m_output.data());
}

} // namespace lvx::fx::dsp
