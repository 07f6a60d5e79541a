#include "centre_remover.h"

#include <fftw3.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace codec {

namespace {

constexpr int kN = CentreRemover::kFftSize;
constexpr int kHop = CentreRemover::kHop;
constexpr int kBins = kN / 2 + 1;
// Frames of statistics on each side of the frame being changed, and their weights.
constexpr int kReach = 2;
constexpr int kRing = 2 * kReach + 1;
constexpr float kTimeWeight[kRing] = {1, 1, 1, 1, 1};
// The statistics are smoothed over bins by two passes of a 5-bin running sum (a triangle-like
// kernel reaching 4 bins each side): sparse harmonics of the voice beside an instrument's need
// that much to tell their statistics apart.
constexpr int kBoxReach = 2;
constexpr int kBoxPasses = 2;

// The voice band: nothing removed below kLowStart or above kHighEnd, all between kLowFull and
// kHighFull, raised-cosine ramps between.
constexpr double kLowStart = 100, kLowFull = 160, kHighFull = 7000, kHighEnd = 9500;
// A source panned with amplitudes (1, r) counts as centre from r = kCentreRatio (2 dB off the
// centre), as a side up to r = kSideRatio (6 dB).
constexpr double kCentreRatio = 0.8, kSideRatio = 0.5;
// Keeps the estimate defined where one part is absent; relative to the bin's power.
constexpr float kRegular = 1e-4f;
// Below this many frames the sound is one piece; above, two that run concurrently.
constexpr long kSplitFrames = 64;

// FFTW's planner is not thread-safe; executing a plan on other arrays is.
std::mutex g_planMutex;

struct Plans {
    fftwf_plan forward = nullptr, inverse = nullptr;
    Plans() {
        std::lock_guard<std::mutex> lock(g_planMutex);
        float *re = fftwf_alloc_real(kN);
        fftwf_complex *spec = fftwf_alloc_complex(kBins);
        // FFTW_ESTIMATE: the same plan on every run, so the same result.
        forward = fftwf_plan_dft_r2c_1d(kN, re, spec, FFTW_ESTIMATE);
        inverse = fftwf_plan_dft_c2r_1d(kN, spec, re, FFTW_ESTIMATE);
        fftwf_free(re);
        fftwf_free(spec);
    }
    ~Plans() {
        std::lock_guard<std::mutex> lock(g_planMutex);
        fftwf_destroy_plan(forward);
        fftwf_destroy_plan(inverse);
    }
};

const Plans &plans() {
    static const Plans p;
    return p;
}

struct FftwFree {
    void operator()(void *p) const { fftwf_free(p); }
};
using RealBuffer = std::unique_ptr<float[], FftwFree>;
using SpecBuffer = std::unique_ptr<fftwf_complex[], FftwFree>;

// 0 at x <= 0, 1 at x >= 1, S-shaped between without trigonometry (once per bin and frame).
double smoothStep(double x) {
    x = std::clamp(x, 0.0, 1.0);
    return x * x * (3 - 2 * x);
}

double raisedCosine(double x) { // 0 at x <= 0, 1 at x >= 1
    x = std::clamp(x, 0.0, 1.0);
    const double s = std::sin(M_PI / 2 * x);
    return s * s;
}

// The part of frames [first, end) that is removed from several sounds (with the gains found for
// the first), as one signal per sound common to both its channels, written into private buffers
// that cover the samples those frames touch. The rest of each sound is not transformed back: it
// stays exactly as it was.
class Piece {
public:
    Piece(const std::vector<PlanarStereo *> &sounds, long first, long end, long frameCount,
          const std::vector<float> &window, const std::vector<float> &band, bool remove)
        : m_sounds(sounds), m_first(first), m_end(end), m_frameCount(frameCount), m_window(window),
          m_band(band), m_remove(remove) {
        const size_t span = size_t(end - first - 1) * kHop + kN;
        m_out.resize(sounds.size());
        for (auto &o : m_out)
            o.assign(span, 0.0f);
        m_common.resize(sounds.size());
        for (auto &c : m_common)
            c.reset(fftwf_alloc_complex(kBins));
        m_spec.resize(sounds.size() * 2 * kRing);
        for (auto &s : m_spec)
            s.reset(fftwf_alloc_complex(kBins));
        m_stats.assign(size_t(kRing) * 3 * kBins, 0.0f);
        m_frame.reset(fftwf_alloc_real(kN));
        // Statistics are needed only up to the band's top and what smoothing draws in from
        // above it.
        int top = 0;
        for (int i = 0; i < kBins; ++i)
            if (band[size_t(i)] > 0) top = i + 1;
        m_statBins = std::max(1, std::min(kBins, top + kBoxReach * kBoxPasses));
        m_scratch.resize(size_t(kBins + 2 * kBoxReach));
    }

    // Frame j starts at sample start(j); the first covers sample 0 with its last hop.
    static long start(long j) { return j * kHop - (kN - kHop); }
    long outStart() const { return start(m_first); }
    // What is removed from both channels of `sound`.
    const std::vector<float> &removed(size_t sound) const { return m_out[sound]; }

    // False when cancelled. `report` (may be empty) is called now and then.
    bool run(const std::atomic<bool> *cancel, std::atomic<long> &done,
             const std::function<void()> &report) {
        for (long f = m_first - kReach; f < m_end + kReach; ++f) {
            if ((f & 63) == 0) {
                if (cancel && cancel->load(std::memory_order_relaxed)) return false;
                if (report) report();
            }
            analyse(f);
            const long j = f - kReach;
            if (j >= m_first && j < m_end) {
                synthesise(j);
                done.fetch_add(1, std::memory_order_relaxed);
            }
        }
        return true;
    }

private:
    fftwf_complex *spec(size_t sound, int channel, long frame) {
        const size_t slot = size_t(((frame % kRing) + kRing) % kRing);
        return m_spec[(sound * 2 + size_t(channel)) * kRing + slot].get();
    }
    float *stats(long frame) {
        const size_t slot = size_t(((frame % kRing) + kRing) % kRing);
        return m_stats.data() + slot * 3 * kBins;
    }

    void analyse(long f) {
        float *st = stats(f);
        if (f < 0 || f >= m_frameCount) {
            std::fill(st, st + 3 * kBins, 0.0f);
            return;
        }
        const long s = start(f);
        const long n = long(m_sounds[0]->frames());
        const long lo = std::max(0L, -s), hi = std::min<long>(kN, n - s);
        for (size_t k = 0; k < m_sounds.size(); ++k) {
            for (int c = 0; c < 2; ++c) {
                const float *x = (c == 0 ? m_sounds[k]->left : m_sounds[k]->right).data() + s;
                float *in = m_frame.get();
                std::fill(in, in + lo, 0.0f);
                for (long i = lo; i < hi; ++i)
                    in[i] = x[i] * m_window[size_t(i)];
                std::fill(in + std::max(hi, lo), in + kN, 0.0f);
                fftwf_execute_dft_r2c(plans().forward, in, spec(k, c, f));
            }
        }
        // Auto and cross spectra of the first sound, smoothed over neighbouring bins.
        const fftwf_complex *l = spec(0, 0, f), *r = spec(0, 1, f);
        float *a = st, *b = st + kBins, *x = st + 2 * kBins;
        for (int i = 0; i < m_statBins; ++i) {
            a[i] = l[i][0] * l[i][0] + l[i][1] * l[i][1];
            b[i] = r[i][0] * r[i][0] + r[i][1] * r[i][1];
            x[i] = l[i][0] * r[i][0] + l[i][1] * r[i][1];
        }
        for (float *v : {a, b, x})
            for (int pass = 0; pass < kBoxPasses; ++pass)
                boxSmooth(v);
    }

    // v[i] becomes the sum of v[i - kBoxReach ... i + kBoxReach] over the bins the removal
    // looks at, the edge bins repeated beyond them. Summed afresh for each bin: a running sum
    // would carry the rounding of loud bins into quiet ones.
    void boxSmooth(float *v) {
        const int n = m_statBins;
        float *padded = m_scratch.data();
        std::fill(padded, padded + kBoxReach, v[0]);
        std::copy(v, v + n, padded + kBoxReach);
        std::fill(padded + kBoxReach + n, padded + 2 * kBoxReach + n, v[n - 1]);
        for (int i = 0; i < n; ++i) {
            float sum = 0;
            for (int k = 0; k <= 2 * kBoxReach; ++k)
                sum += padded[i + k];
            v[i] = sum;
        }
    }

    void synthesise(long j) {
        if (!m_remove || !findCommon(j)) return;
        const long offset = start(j) - outStart();
        for (size_t k = 0; k < m_sounds.size(); ++k) {
            float *y = m_frame.get();
            fftwf_execute_dft_c2r(plans().inverse, m_common[k].get(), y);
            float *out = m_out[k].data() + offset;
            for (int i = 0; i < kN; ++i)
                out[i] += y[i] * m_synthesis(i);
        }
    }

    float m_synthesis(int i) const { return m_window[size_t(i) + kN]; }

    // The spectrum of the part common to both channels of each sound in frame j, zero outside
    // the voice band; false when there is none.
    bool findCommon(long j) {
        for (auto &c : m_common)
            std::fill(&c[0][0], &c[0][0] + 2 * kBins, 0.0f);
        bool any = false;
        const float *st[kRing];
        for (int t = 0; t < kRing; ++t)
            st[t] = stats(j - kReach + t);
        for (int i = 0; i < m_statBins; ++i) {
            const float band = m_band[size_t(i)];
            if (band <= 0) continue;
            float a = 0, b = 0, x = 0;
            for (int t = 0; t < kRing; ++t) {
                a += kTimeWeight[t] * st[t][i];
                b += kTimeWeight[t] * st[t][kBins + i];
                x += kTimeWeight[t] * st[t][2 * kBins + i];
            }
            const float total = a + b;
            if (!(total > 1e-30f)) continue;
            if (!(x > 0)) continue;
            // The power of the common part. Where the cross power stays below both channels'
            // powers, the channels are read as that part plus independent sounds. Beyond, as
            // that part plus one source panned with amplitudes (1, r), which fits a, b and x
            // exactly and leaves nothing common for a single panned source (x² = ab); a source
            // panned less than about 3 dB off the centre (r near 1) counts as centre, though.
            // In double: the products of powers lose too much in float.
            const double da = a, db = b, dx = x;
            const double weaker = std::min(da, db), stronger = std::max(da, db);
            double common = dx;
            if (dx > weaker) {
                const double spread = std::max(da + db - 2 * dx, 1e-300);
                const double panned = std::max(0.0, (da * db - dx * dx) / spread);
                const double r = (dx - weaker) / std::max(stronger - dx, 1e-300);
                const double centred = smoothStep((r - kSideRatio) / (kCentreRatio - kSideRatio));
                common = panned + centred * (weaker - panned);
            }
            if (!(common > 0)) continue;
            // The least-squares estimate of the common part from both channels.
            const double eps = kRegular * (da + db);
            const double aa = da + eps, bb = db + eps;
            const double det = aa * bb - dx * dx;
            if (!(det > 0)) continue;
            const double g = band * common / det;
            const float gl = float(g * (bb - dx)), gr = float(g * (aa - dx));
            for (size_t k = 0; k < m_sounds.size(); ++k) {
                const fftwf_complex *l = spec(k, 0, j) + i, *r = spec(k, 1, j) + i;
                m_common[k][i][0] = gl * (*l)[0] + gr * (*r)[0];
                m_common[k][i][1] = gl * (*l)[1] + gr * (*r)[1];
            }
            any = true;
        }
        return any;
    }

    const std::vector<PlanarStereo *> &m_sounds;
    long m_first, m_end, m_frameCount;
    const std::vector<float> &m_window;
    const std::vector<float> &m_band;
    bool m_remove;
    std::vector<std::vector<float>> m_out;
    std::vector<SpecBuffer> m_spec;
    std::vector<SpecBuffer> m_common;
    std::vector<float> m_stats;
    RealBuffer m_frame;
    int m_statBins = kBins;
    std::vector<float> m_scratch;
};

} // namespace

CentreRemover::CentreRemover(int sampleRate, bool remove)
    : m_rate(sampleRate > 0 ? sampleRate : 44100), m_remove(remove) {
    // Analysis window, then the synthesis window: periodic Hann overlapping by 3/4 adds up to
    // 2, and the inverse transform scales by kN.
    m_window.resize(2 * kN);
    for (int i = 0; i < kN; ++i) {
        const double w = std::sqrt(0.5 - 0.5 * std::cos(2 * M_PI * i / kN));
        m_window[size_t(i)] = float(w);
        m_window[size_t(i + kN)] = float(w / (2.0 * kN));
    }
    m_band.resize(kBins);
    for (int i = 0; i < kBins; ++i)
        m_band[size_t(i)] = float(bandWeight(double(i) * m_rate / kN));
    plans();
}

double CentreRemover::bandWeight(double hz) const {
    return raisedCosine((hz - kLowStart) / (kLowFull - kLowStart)) *
           raisedCosine((kHighEnd - hz) / (kHighEnd - kHighFull));
}

bool CentreRemover::process(PlanarStereo &sound, const std::vector<PlanarStereo *> &followers,
                            const JobControl &control) const {
    const long n = long(sound.frames());
    if (n == 0) return true;
    std::vector<PlanarStereo *> sounds{&sound};
    sounds.insert(sounds.end(), followers.begin(), followers.end());
    const long frames = (n - 1 + kN - kHop) / kHop + 1;

    // Always the same cut, so that the sums at its seam are the same on any machine.
    std::vector<std::unique_ptr<Piece>> pieces;
    const long cut = frames >= kSplitFrames ? frames / 2 : frames;
    pieces.push_back(std::make_unique<Piece>(sounds, 0, cut, frames, m_window, m_band, m_remove));
    if (cut < frames)
        pieces.push_back(
            std::make_unique<Piece>(sounds, cut, frames, frames, m_window, m_band, m_remove));

    std::atomic<long> done{0};
    bool secondOk = true;
    std::thread second;
    if (pieces.size() > 1)
        second = std::thread([&] { secondOk = pieces[1]->run(control.cancel, done, {}); });
    // The first piece reports progress for both, from the caller's thread.
    int reported = -1;
    std::function<void()> report;
    if (control.progress)
        report = [&] {
            const int percent = int(std::min<long>(99, done.load() * 100 / frames));
            if (percent > reported) control.progress(reported = percent);
        };
    const bool firstOk = pieces[0]->run(control.cancel, done, report);
    if (second.joinable()) second.join();
    if (!firstOk || !secondOk) return false;

    for (size_t k = 0; k < sounds.size(); ++k) {
        float *left = sounds[k]->left.data(), *right = sounds[k]->right.data();
        for (const auto &p : pieces) {
            const std::vector<float> &removed = p->removed(k);
            const long from = p->outStart();
            const long lo = std::max(0L, -from);
            const long hi = std::min<long>(long(removed.size()), n - from);
            for (long i = lo; i < hi; ++i) {
                left[from + i] -= removed[size_t(i)];
                right[from + i] -= removed[size_t(i)];
            }
        }
    }
    return true;
}

} // namespace codec
