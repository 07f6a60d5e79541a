// The equalizer worker. One filter per channel whose history runs across the whole sound.
// The filter has no feedback, so its output depends only on the original input: the sound is
// cut into chunks that run on all cores, each starting from a copy of the 32 original values
// before it, and the result is the same to the last bit as one pass from start to end.
#include "chunk_runner.h"
#include "effects.h"
#include "eq_filter.h"
#include "sample_format.h"

#include <algorithm>
#include <vector>

namespace lvx::fx::dsp {

namespace {

constexpr int64_t kChunkFrames = 65536;
constexpr int64_t kBlockFrames = 4096;
constexpr int kHistory = EqFilter::kHistory;

struct Scratch {
    std::vector<double> in = std::vector<double>(size_t(kHistory + kBlockFrames));
    std::vector<double> out = std::vector<double>(size_t(kBlockFrames));
};

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
        auto work = [&](int64_t chunk, int thread) {
            Scratch &s = scratch[size_t(thread)];
            const int64_t first = chunk * kChunkFrames;
            const int64_t last = std::min(frames, first + kChunkFrames);
            for (int c = 0; c < channels; ++c) {
                double *in = s.in.data();
                const double *history = &before[size_t((chunk * channels + c) * kHistory)];
                std::copy(history, history + kHistory, in);
                for (int64_t f = first; f < last; f += kBlockFrames) {
                    const int64_t count = std::min(kBlockFrames, last - f);
                    const int64_t base = f * channels + c;
                    for (int64_t j = 0; j < count; ++j)
                        in[kHistory + j] = readValue(data, bps, base + j * channels);
                    filter.filter(in + kHistory, count, s.out.data());
                    for (int64_t j = 0; j < count; ++j)
                        writeValue(data, bps, base + j * channels, s.out[size_t(j)]);
                    std::copy(in + count, in + count + kHistory, in);
                }
            }
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
