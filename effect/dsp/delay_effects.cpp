// Echo, Reverb, Chorus and Distortion: one processing state per channel, the sound walked
// frame by frame from the first to the last.
#include "channel_partner.h"
#include "chorus_line.h"
#include "clipper.h"
#include "delay_line.h"
#include "effects.h"
#include "progress_walk.h"
#include "sample_format.h"

#include <memory>
#include <vector>

namespace lvx::fx::dsp {

namespace {

// Frames per run of a stereo walk split between two threads.
constexpr int64_t kStereoRun = 65536;

// A processed value as a 16-bit result: integers come already limited, reals are limited
// and truncated.
inline int32_t sampleResult(int32_t limited) {
    return limited;
}
inline int32_t sampleResult(double v) {
    return limitTrunc16(v);
}

// Runs process(channel, value) over every value of every frame and writes its result back.
// `process` returns the processed value (an integer already limited to 16 bits, or a real to
// be limited and truncated); 8-bit values are processed around the zero line 127.
template <class Process> bool walkFrames(Sound &sound, ActionContext &ctx, Process &&process) {
    ctx.resetProgress();
    const SampleView v = viewOf(sound, sound.byteCount);
    const int channels = v.channels;
    const int bps = v.bytesPerSample;
    const int64_t frames = v.frames();
    uint8_t *data = v.data;
    ProgressWalk progress(ctx, frames * channels, channels);

    // Output values of channel c for frames [first, end), not yet written back.
    auto compute = [&](int c, int64_t first, int64_t end, int32_t *out) {
        for (int64_t f = first; f < end; ++f)
            out[f - first] = sampleResult(process(c, readValue(data, bps, f * channels + c)));
    };
    auto store = [&](int c, int64_t first, int64_t end, const int32_t *out) {
        for (int64_t f = first; f < end; ++f) {
            if (bps == 2)
                write16(data, f * channels + c, out[f - first]);
            else
                data[f * channels + c] = byteFromValue(int64_t(out[f - first]));
        }
    };

    bool finished;
    if (channels == 2 && frames > kStereoRun) {
        // The right channel's state lives on a partner thread. Both channels are computed
        // before either is written, so the threads never write the same cache lines.
        std::vector<int32_t> left(static_cast<size_t>(kStereoRun)),
            right(static_cast<size_t>(kStereoRun));
        ChannelPartner partner(
            [&](int64_t first, int64_t end) { compute(1, first, end, right.data()); });
        finished =
            walkSteps(ctx, progress, frames, true, kStereoRun, [&](int64_t first, int64_t end) {
                partner.start(first, end);
                compute(0, first, end, left.data());
                partner.wait();
                store(0, first, end, left.data());
                store(1, first, end, right.data());
            });
    } else {
        int32_t out[1];
        finished =
            walkSteps(ctx, progress, frames, true, kStopGranule, [&](int64_t first, int64_t end) {
                for (int64_t f = first; f < end; ++f) {
                    for (int c = 0; c < channels; ++c) {
                        compute(c, f, f + 1, out);
                        store(c, f, f + 1, out);
                    }
                }
            });
    }
    if (finished) ctx.progress(100);
    return finished;
}

} // namespace

bool echo(Sound &sound, int16_t delay, int16_t ratio, ActionContext &ctx) {
    DelayLine lines[2] = {DelayLine(delay, ratio, sound.sampleRate),
                          DelayLine(delay, ratio, sound.sampleRate)};
    return walkFrames(sound, ctx, [&](int c, int32_t x) { return lines[c].echo(x); });
}

bool reverb(Sound &sound, int16_t delay, int16_t ratio, ActionContext &ctx) {
    DelayLine lines[2] = {DelayLine(delay, ratio, sound.sampleRate),
                          DelayLine(delay, ratio, sound.sampleRate)};
    return walkFrames(sound, ctx, [&](int c, int32_t x) { return lines[c].reverb(x); });
}

bool chorus(Sound &sound, const ChorusParams &p, ActionContext &ctx) {
    // The lines are large and, for slow rates, carry a table; keep them off the stack.
    auto left = std::make_unique<ChorusLine>(p, sound.sampleRate);
    std::unique_ptr<ChorusLine> right;
    if (sound.channels == 2) right = std::make_unique<ChorusLine>(p, sound.sampleRate);
    ChorusLine *lines[2] = {left.get(), right.get()};
    return walkFrames(sound, ctx, [&](int c, int32_t x) { return lines[c]->process(x); });
}

bool distortion(Sound &sound, const DistortionParams &p, ActionContext &ctx) {
    const Clipper clipper(p, sound.bytesPerSample == 1 ? 128 : 32768);
    return walkFrames(sound, ctx, [&](int, int32_t x) { return clipper.process(x); });
}

} // namespace lvx::fx::dsp
