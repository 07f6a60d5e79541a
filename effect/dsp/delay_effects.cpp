// Echo, Reverb, Chorus and Distortion: one processing state per channel, the sound walked
// frame by frame from the first to the last.
#include "chorus_line.h"
#include "clipper.h"
#include "delay_line.h"
#include "effects.h"
#include "progress_walk.h"
#include "sample_format.h"

#include <memory>

namespace lvx::fx::dsp {

namespace {

// Runs process(channel, value) over every value of every frame and writes its result back.
// `process` returns the processed value (already limited to 16 bits, or a real to be limited
// and truncated); 8-bit values are processed around the zero line 127.
template <class Process> bool walkFrames(Sound &sound, ActionContext &ctx, Process &&process) {
    ctx.resetProgress();
    const SampleView v = viewOf(sound, sound.byteCount);
    const int channels = v.channels;
    const int64_t frames = v.frames();
    uint8_t *data = v.data;
    ProgressWalk progress(ctx, frames * channels, channels);
    const bool finished = walkSteps(ctx, progress, frames, true, [&](int64_t first, int64_t end) {
        if (v.bytesPerSample == 2) {
            for (int64_t i = first * channels; i < end * channels; i += channels)
                for (int c = 0; c < channels; ++c)
                    write16(data, i + c, limitTrunc16(process(c, read16(data, i + c))));
        } else {
            for (int64_t i = first * channels; i < end * channels; i += channels)
                for (int c = 0; c < channels; ++c)
                    data[i + c] = byteFromValue(
                        int64_t(limitTrunc16(process(c, int32_t(data[i + c]) - 127))));
        }
    });
    if (finished) ctx.progress(100);
    return finished;
}

} // namespace

bool echo(Sound &sound, int16_t delay, int16_t ratio, ActionContext &ctx) {
    DelayLine lines[2] = {DelayLine(delay, ratio, sound.sampleRate),
                          DelayLine(delay, ratio, sound.sampleRate)};
    return walkFrames(sound, ctx, [&](int c, int32_t x) { return double(lines[c].echo(x)); });
}

bool reverb(Sound &sound, int16_t delay, int16_t ratio, ActionContext &ctx) {
    DelayLine lines[2] = {DelayLine(delay, ratio, sound.sampleRate),
                          DelayLine(delay, ratio, sound.sampleRate)};
    return walkFrames(sound, ctx, [&](int c, int32_t x) { return double(lines[c].reverb(x)); });
}

bool chorus(Sound &sound, const ChorusParams &p, ActionContext &ctx) {
    // The lines are large and, for slow rates, carry a table; keep them off the stack.
    auto left = std::make_unique<ChorusLine>(p, sound.sampleRate);
    std::unique_ptr<ChorusLine> right;
    if (sound.channels == 2) right = std::make_unique<ChorusLine>(p, sound.sampleRate);
    ChorusLine *lines[2] = {left.get(), right.get()};
    return walkFrames(sound, ctx, [&](int c, int32_t x) { return double(lines[c]->process(x)); });
}

bool distortion(Sound &sound, const DistortionParams &p, ActionContext &ctx) {
    const Clipper clipper(p, sound.bytesPerSample == 1 ? 128 : 32768);
    return walkFrames(sound, ctx, [&](int, int32_t x) { return clipper.process(x); });
}

} // namespace lvx::fx::dsp
