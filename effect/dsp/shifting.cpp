// The pitch shift worker: every channel is cut into consecutive blocks of `size` samples,
// each block is shifted on its own and written over the samples it came from.
#include "chunk_runner.h"
#include "effects.h"
#include "fft_shifter.h"
#include "sample_format.h"

#include <algorithm>
#include <memory>

namespace lvx::fx::dsp {

bool validShiftSize(int32_t size) {
    return size >= 32 && size <= 32768 && (size & (size - 1)) == 0;
}

namespace {

// Shifted sample from a transform output: limited to 16 bits and truncated; an 8-bit sample
// then gets its zero line back.
inline void writeShifted(uint8_t *data, int bytesPerSample, int64_t index, double v) {
    const int32_t s = limitTrunc16(v);
    if (bytesPerSample == 2)
        write16(data, index, s);
    else
        data[index] = uint8_t(std::clamp(s + 127, 0, 255));
}

} // namespace

bool shifting(Sound &sound, int16_t mode, int32_t size, ActionContext &ctx) {
    if (!validShiftSize(size))
        return true; // refused by the caller before any work; never touch the sound
    ctx.resetProgress();
    const SampleView view = viewOf(sound, sound.byteCount);
    const int64_t frames = view.frames();
    if (frames > 0) {
        const int channels = view.channels;
        const int bps = view.bytesPerSample;
        uint8_t *data = view.data;
        const int64_t blocks = (frames + size - 1) / size;

        const FftPlan plan(size, mode);
        const int threads = ChunkRunner::threadCount(blocks);
        std::vector<std::unique_ptr<FftShifter>> shifters;
        for (int t = 0; t < threads; ++t)
            shifters.push_back(std::make_unique<FftShifter>(plan));

        // A block is shifted for all channels before the next stop test, so a stop never
        // leaves a block rewritten in one channel only.
        auto work = [&](int64_t block, int thread) {
            FftShifter &shifter = *shifters[size_t(thread)];
            const int64_t first = block * size;
            const int64_t count = std::min<int64_t>(size, frames - first);
            for (int c = 0; c < channels; ++c) {
                double *in = shifter.input();
                const int64_t base = first * channels + c;
                if (bps == 2) {
                    for (int64_t j = 0; j < count; ++j)
                        in[j] = read16(data, base + j * channels);
                } else {
                    for (int64_t j = 0; j < count; ++j)
                        in[j] = int32_t(data[base + j * channels]) - 127;
                }
                std::fill(in + count, in + size, 0.0); // a partial last block is padded
                shifter.process();
                const double *out = shifter.output();
                for (int64_t j = 0; j < count; ++j)
                    writeShifted(data, bps, base + j * channels, out[j]);
            }
        };
        const int64_t values = frames * channels;
        auto stop = [&] { return ctx.stopRequested(); };
        auto progress = [&](int64_t done) {
            const int64_t i = std::min(done * size, frames) * channels;
            ctx.progress(int(100 * i / values));
        };
        if (!ChunkRunner::run(blocks, threads, work, stop, progress)) return false;
    }
    ctx.progress(100);
    return true;
}

} // namespace lvx::fx::dsp
