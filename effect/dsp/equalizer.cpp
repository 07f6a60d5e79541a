// The equalizer worker. One filter per channel whose history runs across the whole sound.
// The filter has no feedback, so its output depends only on the original input: the sound is
// cut into chunks that run on all cores, each starting from a copy of the 32 original values
// before it, and the result is the same to the last bit as one pass from start to end.
#include "chunk_runner.h"
#include "effects.h"
#include "eq_filter.h"
#include "sample_format.h"
#include "simd.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace lvx::fx::dsp {

namespace {

constexpr int64_t kChunkFrames = 65536;
constexpr int64_t kBlockFrames = 4096;
constexpr int kHistory = EqFilter::kHistory;

struct Scratch {
    // Per channel: the 32 values before the block, then the block; and the block's results.
    std::vector<double> in[2] = {std::vector<double>(size_t(kHistory + kBlockFrames)),
                                 std::vector<double>(size_t(kHistory + kBlockFrames))};
    std::vector<double> out[2] = {std::vector<double>(size_t(kBlockFrames)),
                                  std::vector<double>(size_t(kBlockFrames))};
    // One block of 16-bit samples as they are in memory (both channels).
    std::vector<int16_t> raw = std::vector<int16_t>(size_t(2 * kBlockFrames));
};

// limitTrunc16 written as selects, which the vector units do many values at a time.
inline int32_t limitTrunc16Select(double v) {
    double c = v < -32768.0 ? -32768.0 : v;
    c = c > 32767.0 ? 32767.0 : c;
    c = v == v ? c : 0.0;
    return int32_t(c);
}

// On a little-endian machine 16-bit samples are copied as int16_t arrays, which the vector
// units convert many at a time.
constexpr bool kLittleEndian = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__;

// The 16-bit conversions of a block, built for the wider vector units too.
LVX_DSP_CLONES void splitStereo16(const int16_t *raw, int64_t count, double *left, double *right) {
    for (int64_t j = 0; j < count; ++j) {
        left[j] = raw[2 * j];
        right[j] = raw[2 * j + 1];
    }
}

LVX_DSP_CLONES void joinStereo16(const double *left, const double *right, int64_t count,
                                 int16_t *raw) {
    for (int64_t j = 0; j < count; ++j) {
        raw[2 * j] = int16_t(limitTrunc16Select(left[j]));
        raw[2 * j + 1] = int16_t(limitTrunc16Select(right[j]));
    }
}

LVX_DSP_CLONES void fromMono16(const int16_t *raw, int64_t count, double *out) {
    for (int64_t j = 0; j < count; ++j)
        out[j] = raw[j];
}

LVX_DSP_CLONES void toMono16(const double *in, int64_t count, int16_t *raw) {
    for (int64_t j = 0; j < count; ++j)
        raw[j] = int16_t(limitTrunc16Select(in[j]));
}

template <int Bps> inline double valueAt(const uint8_t *data, int64_t index) {
    if constexpr (Bps == 2)
        return read16(data, index);
    else
        return int32_t(data[index]) - 127;
}

template <int Bps> inline void storeAt(uint8_t *data, int64_t index, double v) {
    if constexpr (Bps == 2)
        write16(data, index, limitTrunc16Select(v));
    else
        data[index] = byteFromValue(v);
}

// Filters frames [first, last) of every channel in place, block by block, starting from the
// original values `before` (kHistory per channel) that precede the first frame. The format is
// fixed at compile time so that the conversions run without a test per value.
template <int Bps, int Channels>
void filterFrames(const EqFilter &filter, uint8_t *data, int64_t first, int64_t last,
                  const double *before, Scratch &s) {
    double *in[Channels];
    double *out[Channels];
    for (int c = 0; c < Channels; ++c) {
        in[c] = s.in[c].data();
        out[c] = s.out[c].data();
        std::copy(before + c * kHistory, before + (c + 1) * kHistory, in[c]);
    }
    for (int64_t f = first; f < last; f += kBlockFrames) {
        const int64_t count = std::min(kBlockFrames, last - f);
        const int64_t base = f * Channels;
        if constexpr (Bps == 2 && kLittleEndian) {
            int16_t *raw = s.raw.data();
            std::memcpy(raw, data + 2 * base, size_t(2 * count * Channels));
            if constexpr (Channels == 2)
                splitStereo16(raw, count, in[0] + kHistory, in[1] + kHistory);
            else
                fromMono16(raw, count, in[0] + kHistory);
            for (int c = 0; c < Channels; ++c)
                filter.filter(in[c] + kHistory, count, out[c]);
            if constexpr (Channels == 2)
                joinStereo16(out[0], out[1], count, raw);
            else
                toMono16(out[0], count, raw);
            std::memcpy(data + 2 * base, raw, size_t(2 * count * Channels));
        } else {
            for (int64_t j = 0; j < count; ++j)
                for (int c = 0; c < Channels; ++c)
                    in[c][kHistory + j] = valueAt<Bps>(data, base + j * Channels + c);
            for (int c = 0; c < Channels; ++c)
                filter.filter(in[c] + kHistory, count, out[c]);
            for (int64_t j = 0; j < count; ++j)
                for (int c = 0; c < Channels; ++c)
                    storeAt<Bps>(data, base + j * Channels + c, out[c][j]);
        }
        for (int c = 0; c < Channels; ++c)
            std::copy(in[c] + count, in[c] + count + kHistory, in[c]);
    }
}

using FilterFrames = void (*)(const EqFilter &, uint8_t *, int64_t, int64_t, const double *,
                              Scratch &);

FilterFrames filterFor(int bps, int channels) {
    if (bps == 2) return channels == 2 ? filterFrames<2, 2> : filterFrames<2, 1>;
    return channels == 2 ? filterFrames<1, 2> : filterFrames<1, 1>;
}

} // namespace

bool eq(Sound &sound, const EqParams &p, ActionContext &ctx) {
    ctx.resetProgress();
    EqFilter filter;
    filter.clear();
    for (size_t b = 0; b < EqFilter::kBands.size(); ++b)
        filter.addBand(EqFilter::kBands[b], p.gains[b] * 0.01, sound.sampleRate);
    filter.setDryFactor(p.filterDry * 0.01);

    const SampleView v = viewOf(sound, sound.byteCount);
    const int channels = v.channels;
    const int bps = v.bytesPerSample;
    const int64_t frames = v.frames();
    uint8_t *data = v.data;
    const int64_t chunks = (frames + kChunkFrames - 1) / kChunkFrames;
    if (chunks > 0) {
        // The original values before each chunk, taken before any chunk is rewritten.
        std::vector<double> before(size_t(chunks * channels * kHistory), 0.0);
        for (int64_t chunk = 1; chunk < chunks; ++chunk)
            for (int c = 0; c < channels; ++c)
                for (int j = 0; j < kHistory; ++j) {
                    const int64_t frame = chunk * kChunkFrames - kHistory + j;
                    before[size_t((chunk * channels + c) * kHistory + j)] =
                        readValue(data, bps, frame * channels + c);
                }

        const int threads = ChunkRunner::threadCount(chunks);
        std::vector<Scratch> scratch(static_cast<size_t>(threads));
        const FilterFrames run = filterFor(bps, channels);
        auto work = [&](int64_t chunk, int thread) {
            const int64_t first = chunk * kChunkFrames;
            const int64_t last = std::min(frames, first + kChunkFrames);
            run(filter, data, first, last, &before[size_t(chunk * channels * kHistory)],
                scratch[size_t(thread)]);
        };
        const int64_t values = frames * channels;
        auto progress = [&](int64_t done) {
            ctx.progress(int(100 * std::min(done * kChunkFrames, frames) * channels / values));
        };
        // The equalizer always runs to its end.
        ChunkRunner::run(
            chunks, threads, work, [] { return false; }, progress);
    }
    ctx.progress(100);
    return true;
}

} // namespace lvx::fx::dsp
