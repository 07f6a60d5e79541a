// Echo, Reverb, Chorus and Distortion: one processing state per channel, the sound walked
// frame by frame from the first to the last.
#include "channel_partner.h"
#include "chorus_line.h"
#include "clipper.h"
#include "delay_line.h"
#include "effects.h"
#include "progress_walk.h"
#include "sample_format.h"
#include "simd.h"

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

// Turns a per-value function f(channel, x) into the run form the walk calls.
template <class PerValue> auto perValue(PerValue f) {
    return [f](int c, const int32_t *in, int32_t *out, int64_t count) mutable {
        for (int64_t j = 0; j < count; ++j)
            out[j] = sampleResult(f(c, in[j]));
    };
}

// The 16-bit values of one channel from `p` on, `stride` values apart (1 or 2).
LVX_DSP_CLONES
void gather16(const uint8_t *p, int stride, int32_t *__restrict values, int64_t n) {
    if (stride == 2) {
        for (int64_t i = 0; i < n; ++i)
            values[i] = read16(p, 2 * i);
    } else {
        for (int64_t i = 0; i < n; ++i)
            values[i] = read16(p, i);
    }
}

// Writes 16-bit results back: one channel, or the two of a stereo sound frame by frame.
LVX_DSP_CLONES
void put16(const int32_t *__restrict values, uint8_t *p, int64_t n) {
    for (int64_t i = 0; i < n; ++i)
        write16(p, i, values[i]);
}

LVX_DSP_CLONES
void interleave16(const int32_t *__restrict left, const int32_t *__restrict right, uint8_t *p,
                  int64_t n) {
    for (int64_t i = 0; i < n; ++i) {
        write16(p, 2 * i, left[i]);
        write16(p, 2 * i + 1, right[i]);
    }
}

// Runs process(channel, in, out, count) over the values of each channel, run by run, and
// writes the results back. `process` turns `count` consecutive values of one channel into
// 16-bit results; 8-bit values are processed around the zero line 127. Only a `heavy` process,
// one that costs far more than reading and writing the values, pays for the partner thread.
template <class Process>
bool walkFrames(Sound &sound, ActionContext &ctx, bool heavy, Process &&process) {
    ctx.resetProgress();
    const SampleView v = viewOf(sound, sound.byteCount);
    const int channels = v.channels;
    const int bps = v.bytesPerSample;
    const int64_t frames = v.frames();
    uint8_t *data = v.data;
    ProgressWalk progress(ctx, frames * channels, channels);

    // The right channel's state lives on a partner thread when the sound is long enough and
    // the work heavy enough for the handing over to pay.
    const bool split = heavy && channels == 2 && frames > kStereoRun;
    const int64_t run = split ? kStereoRun : kStopGranule;
    std::vector<int32_t> buffers[2][2];
    for (int c = 0; c < channels; ++c)
        for (auto &b : buffers[c])
            b.resize(size_t(std::min(run, std::max<int64_t>(frames, 1))));

    // Results of channel c for frames [first, end), not yet written back.
    auto compute = [&](int c, int64_t first, int64_t end) {
        int32_t *in = buffers[c][0].data();
        if (bps == 2) {
            gather16(data + 2 * (first * channels + c), channels, in, end - first);
        } else {
            for (int64_t f = first; f < end; ++f)
                in[f - first] = readValue(data, bps, f * channels + c);
        }
        process(c, in, buffers[c][1].data(), end - first);
    };
    // Writes the results of every channel back.
    auto store = [&](int64_t first, int64_t end) {
        if (bps == 2 && channels == 2) {
            interleave16(buffers[0][1].data(), buffers[1][1].data(), data + 4 * first, end - first);
        } else if (bps == 2) {
            put16(buffers[0][1].data(), data + 2 * first, end - first);
        } else {
            for (int c = 0; c < channels; ++c) {
                const int32_t *out = buffers[c][1].data();
                for (int64_t f = first; f < end; ++f)
                    data[f * channels + c] = byteFromValue(int64_t(out[f - first]));
            }
        }
    };

    bool finished;
    if (split) {
        // Both channels are computed before either is written, so the two threads never
        // write the same cache lines.
        ChannelPartner partner([&](int64_t first, int64_t end) { compute(1, first, end); });
        finished = walkSteps(ctx, progress, frames, true, run, [&](int64_t first, int64_t end) {
            partner.start(first, end);
            compute(0, first, end);
            partner.wait();
            store(first, end);
        });
    } else {
        finished = walkSteps(ctx, progress, frames, true, run, [&](int64_t first, int64_t end) {
            for (int c = 0; c < channels; ++c)
                compute(c, first, end);
            store(first, end);
        });
    }
    if (finished) ctx.progress(100);
    return finished;
}

} // namespace

bool echo(Sound &sound, int16_t delay, int16_t ratio, ActionContext &ctx) {
    DelayLine lines[2] = {DelayLine(delay, ratio, sound.sampleRate),
                          DelayLine(delay, ratio, sound.sampleRate)};
    return walkFrames(sound, ctx, false,
                      [&](int c, const int32_t *in, int32_t *out, int64_t count) {
                          lines[c].echo(in, out, count);
                      });
}

bool reverb(Sound &sound, int16_t delay, int16_t ratio, ActionContext &ctx) {
    DelayLine lines[2] = {DelayLine(delay, ratio, sound.sampleRate),
                          DelayLine(delay, ratio, sound.sampleRate)};
    return walkFrames(sound, ctx, false,
                      [&](int c, const int32_t *in, int32_t *out, int64_t count) {
                          lines[c].reverb(in, out, count);
                      });
}

bool chorus(Sound &sound, const ChorusParams &p, ActionContext &ctx) {
    // The lines are large and, for slow rates, carry a table; keep them off the stack.
    auto left = std::make_unique<ChorusLine>(p, sound.sampleRate);
    std::unique_ptr<ChorusLine> right;
    if (sound.channels == 2) right = std::make_unique<ChorusLine>(p, sound.sampleRate);
    ChorusLine *lines[2] = {left.get(), right.get()};
    return walkFrames(sound, ctx, true, [&](int c, const int32_t *in, int32_t *out, int64_t count) {
        lines[c]->processRun(in, out, count);
    });
}

bool distortion(Sound &sound, const DistortionParams &p, ActionContext &ctx) {
    const Clipper clipper(p, sound.bytesPerSample == 1 ? 128 : 32768);
    return walkFrames(sound, ctx, true,
                      perValue([&](int, int32_t x) { return clipper.process(x); }));
}

} // namespace lvx::fx::dsp
