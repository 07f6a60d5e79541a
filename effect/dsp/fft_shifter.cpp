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

// One radix-2 stage over all groups: t = w * b; b = a - t; a = a + t. half >= 4.
__attribute__((always_inline)) inline void stage(double *re, double *im, int32_t n, int32_t half,
                                                 const double *wRe, const double *wIm) {
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

// The butterfly t = w * b; b = a - t; a = a + t on vectors of points.
__attribute__((always_inline)) inline void butterfly(V4d &ar, V4d &ai, V4d &br, V4d &bi, V4d wr,
                                                     V4d wi) {
    const V4d tr = wr * br - wi * bi;
    const V4d ti = wr * bi + wi * br;
    br = ar - tr;
    bi = ai - ti;
    ar = ar + tr;
    ai = ai + ti;
}

// Two consecutive stages (spans 2 * half and 4 * half) in one pass over the points: the same
// butterflies in the same order for every point, with half the loads and stores.
__attribute__((always_inline)) inline void stagePair(double *re, double *im, int32_t n,
                                                     int32_t half, const double *w1Re,
                                                     const double *w1Im, const double *w2Re,
                                                     const double *w2Im) {
    for (int32_t g = 0; g < n; g += 4 * half) {
        double *r0 = re + g, *r1 = r0 + half, *r2 = r1 + half, *r3 = r2 + half;
        double *i0 = im + g, *i1 = i0 + half, *i2 = i1 + half, *i3 = i2 + half;
        for (int32_t k = 0; k < half; k += 4) {
            V4d ar = loadV4(r0 + k), ai = loadV4(i0 + k);
            V4d br = loadV4(r1 + k), bi = loadV4(i1 + k);
            V4d cr = loadV4(r2 + k), ci = loadV4(i2 + k);
            V4d dr = loadV4(r3 + k), di = loadV4(i3 + k);
            const V4d w1r = loadV4(w1Re + k), w1i = loadV4(w1Im + k);
            butterfly(ar, ai, br, bi, w1r, w1i);
            butterfly(cr, ci, dr, di, w1r, w1i);
            butterfly(ar, ai, cr, ci, loadV4(w2Re + k), loadV4(w2Im + k));
            butterfly(br, bi, dr, di, loadV4(w2Re + half + k), loadV4(w2Im + half + k));
            storeV4(r0 + k, ar);
            storeV4(i0 + k, ai);
            storeV4(r1 + k, br);
            storeV4(i1 + k, bi);
            storeV4(r2 + k, cr);
            storeV4(i2 + k, ci);
            storeV4(r3 + k, dr);
            storeV4(i3 + k, di);
        }
    }
}

// Stages from span 2 * first up to span 2 * (limit / 2), two at a time where possible.
template <class TwiddleRe, class TwiddleIm>
__attribute__((always_inline)) inline void stages(double *re, double *im, int32_t n, int32_t first,
                                                  int32_t limit, TwiddleRe wRe, TwiddleIm wIm) {
    int32_t half = first;
    for (; 2 * half < limit; half *= 4)
        stagePair(re, im, n, half, wRe(half), wIm(half), wRe(2 * half), wIm(2 * half));
    if (half < limit) stage(re, im, n, half, wRe(half), wIm(half));
}

// Forward transform of n real samples. The first stage is merged into the bit-reversed copy:
// its only twiddle is exactly 1 and the imaginary parts are still 0.
LVX_DSP_CLONES void forwardTransform(const FftPlan &plan, const double *in, double *re,
                                     double *im) {
    const int32_t n = plan.size();
    const uint32_t *g = plan.forwardGather().data();
    // The first two stages with the bit-reversed copy: the first twiddle of every stage is
    // exactly 1, and the imaginary parts are still exactly 0, so w * x needs two products.
    const double w1r = plan.forwardRe(2)[1];
    const double w1i = plan.forwardIm(2)[1];
    for (int32_t p = 0; p < n; p += 4) {
        const double a = in[g[p]];
        const double b = in[g[p + 1]];
        const double c = in[g[p + 2]];
        const double d = in[g[p + 3]];
        const double s0 = a + b, s1 = a - b, s2 = c + d, s3 = c - d;
        re[p] = s0 + s2;
        im[p] = 0.0;
        re[p + 2] = s0 - s2;
        im[p + 2] = 0.0;
        const double tr = w1r * s3;
        const double ti = w1i * s3;
        re[p + 3] = s1 - tr;
        im[p + 3] = 0.0 - ti;
        re[p + 1] = s1 + tr;
        im[p + 1] = 0.0 + ti;
    }
    stages(
        re, im, n, 4, n, [&](int32_t h) { return plan.forwardRe(h); },
        [&](int32_t h) { return plan.forwardIm(h); });
}

// Inverse transform of the rewritten spectrum (read through the plan's gather, which applies
// the mode), keeping only the real parts, divided by n (a power of two: exactly as a division).
LVX_DSP_CLONES void inverseTransform(const FftPlan &plan, const double *specRe,
                                     const double *specIm, double *re, double *im, double *out) {
    const int32_t n = plan.size();
    const uint32_t *g = plan.inverseGather().data();
    // The first two stages with the gather, the first twiddle of each being exactly 1.
    const double w1r = plan.inverseRe(2)[1];
    const double w1i = plan.inverseIm(2)[1];
    for (int32_t p = 0; p < n; p += 4) {
        const uint32_t a = g[p], b = g[p + 1], c = g[p + 2], d = g[p + 3];
        const double s0r = specRe[a] + specRe[b], s0i = specIm[a] + specIm[b];
        const double s1r = specRe[a] - specRe[b], s1i = specIm[a] - specIm[b];
        const double s2r = specRe[c] + specRe[d], s2i = specIm[c] + specIm[d];
        const double s3r = specRe[c] - specRe[d], s3i = specIm[c] - specIm[d];
        re[p] = s0r + s2r;
        im[p] = s0i + s2i;
        re[p + 2] = s0r - s2r;
        im[p + 2] = s0i - s2i;
        const double tr = w1r * s3r - w1i * s3i;
        const double ti = w1r * s3i + w1i * s3r;
        re[p + 3] = s1r - tr;
        im[p + 3] = s1i - ti;
        re[p + 1] = s1r + tr;
        im[p + 1] = s1i + ti;
    }
    const int32_t last = n / 2;
    stages(
        re, im, n, 4, last, [&](int32_t h) { return plan.inverseRe(h); },
        [&](int32_t h) { return plan.inverseIm(h); });

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
