// Amplitude, Average, Invert, Pegel and the fades: level measurement and scaling, offset
// removal and reversal, all in place.
#include "effects.h"
#include "mean_accumulator.h"
#include "progress_walk.h"
#include "sample_format.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace lvx::fx::dsp {

namespace {

template <int FrameBytes>
void swapFrames(uint8_t *data, int64_t frames, int64_t first, int64_t end) {
    uint8_t a[FrameBytes];
    for (int64_t k = first; k < end; ++k) {
        uint8_t *front = data + k * FrameBytes;
        uint8_t *back = data + (frames - 1 - k) * FrameBytes;
        std::memcpy(a, front, FrameBytes);
        std::memcpy(front, back, FrameBytes);
        std::memcpy(back, a, FrameBytes);
    }
}

// Scales the value at index i by a single-precision gain.
inline void scaleValue(uint8_t *data, int bps, int64_t i, float gain) {
    const float scaled = float(readValue(data, bps, i)) * gain;
    if (bps == 2)
        write16(data, i, int32_t(scaled)); // |gain| <= 1: always inside the 16-bit range
    else
        data[i] = byteFromValue(double(scaled));
}

// Ramp length of a fade in values: whole seconds only (the tenths are dropped).
int64_t fadeValues(const Sound &sound, int16_t seconds10th) {
    const int64_t bytes =
        int64_t(sound.sampleRate) * sound.channels * (seconds10th / 10) * sound.bytesPerSample;
    return sound.bytesPerSample == 2 ? bytes / 2 : bytes;
}

} // namespace

bool amplitude(Sound &sound, ActionContext &ctx) {
    sound.dcMean = 0.0;
    const SampleView v = viewOf(sound, sound.workLength);
    const int bps = v.bytesPerSample;
    const int64_t n = v.values;
    uint8_t *data = v.data;

    ctx.resetProgress();
    MeanAccumulator sum;
    {
        ProgressWalk progress(ctx, n - 1);
        const bool finished = walkSteps(ctx, progress, n, true, [&](int64_t first, int64_t end) {
            for (int64_t i = first; i < end; ++i)
                sum.add(readValue(data, bps, i));
        });
        if (!finished) return false;
    }
    const double mean = sum.mean();
    sound.dcMean = mean;

    // Once values change the pass runs to its end: a half-corrected sound helps nobody.
    ctx.resetProgress();
    ProgressWalk progress(ctx, n - 1);
    walkSteps(ctx, progress, n, false, [&](int64_t first, int64_t end) {
        for (int64_t i = first; i < end; ++i)
            writeValue(data, bps, i, double(readValue(data, bps, i)) - mean);
    });
    return true;
}

int16_t average(const Sound &sound) {
    if ((sound.bytesPerSample != 1 && sound.bytesPerSample != 2)) return 0;
    const int64_t bytes = std::clamp<int64_t>(sound.workLength, 0, int64_t(sound.samples.size()));
    const int64_t n = bytes / sound.bytesPerSample;
    if (n == 0) return 0;
    const uint8_t *data = sound.samples.data();
    MeanAccumulator magnitude;
    for (int64_t i = 0; i < n; ++i)
        magnitude.add(std::abs(readValue(data, sound.bytesPerSample, i)));
    const double fullScale = sound.bytesPerSample == 1 ? 128.0 : 32768.0;
    return int16_t(magnitude.mean() / fullScale * 100);
}

bool invert(Sound &sound, ActionContext &ctx) {
    sound.workLength = std::max(0, sound.workLength) / 4 * 4;
    const SampleView v = viewOf(sound, sound.workLength);
    const int frameBytes = v.channels * v.bytesPerSample;
    ctx.resetProgress();
    if (frameBytes == 0) return true;
    const int64_t frames = v.values * v.bytesPerSample / frameBytes;
    uint8_t *data = v.data;
    ProgressWalk progress(ctx, sound.workLength / 2, frameBytes);
    return walkSteps(ctx, progress, frames / 2, true, [&](int64_t first, int64_t end) {
        switch (frameBytes) {
        case 1:
            swapFrames<1>(data, frames, first, end);
            break;
        case 2:
            swapFrames<2>(data, frames, first, end);
            break;
        default:
            swapFrames<4>(data, frames, first, end);
            break;
        }
    });
}

bool pegel(Sound &sound, double factor, ActionContext &ctx) {
    const SampleView v = viewOf(sound, sound.workLength);
    const int bps = v.bytesPerSample;
    const int64_t n = v.values;
    uint8_t *data = v.data;

    if (factor < 0) {
        // Normalise: the largest magnitude becomes full scale (127 around the 8-bit zero line).
        int32_t peak = 0;
        for (int64_t i = 0; i < n; ++i)
            peak = std::max(peak, std::abs(readValue(data, bps, i)));
        const double fullScale = bps == 1 ? 127.0 : 32767.0;
        factor = peak > 0 ? fullScale / peak : 1.0; // silence stays silence
    }

    ctx.resetProgress();
    ProgressWalk progress(ctx, n - 1);
    return walkSteps(ctx, progress, n, true, [&](int64_t first, int64_t end) {
        for (int64_t i = first; i < end; ++i)
            writeValue(data, bps, i, double(readValue(data, bps, i)) * factor);
    });
}

void fadeIn(Sound &sound, int16_t seconds10th) {
    const SampleView v = viewOf(sound, sound.byteCount);
    const int64_t k = fadeValues(sound, seconds10th);
    const int64_t a = v.bytesPerSample == 2 ? sound.playStart / 2 : sound.playStart;
    if (k < 0 || a < 0 || a >= v.values) return;
    if (k == 0) {
        scaleValue(v.data, v.bytesPerSample, a, 0.0f);
        return;
    }
    // A ramp that would run past the end of the sound is cut there.
    const int64_t count = std::min(k, v.values - a);
    for (int64_t j = 0; j < count; ++j)
        scaleValue(v.data, v.bytesPerSample, a + j, float(j) / float(k));
}

void fadeOut(Sound &sound, int16_t seconds10th) {
    const SampleView v = viewOf(sound, sound.byteCount);
    const int64_t k = fadeValues(sound, seconds10th);
    const int64_t z = v.bytesPerSample == 2 ? sound.playEnd / 2 : sound.playEnd;
    if (k <= 0) return;
    // Only the part of the ramp that lies inside the sound is applied.
    const int64_t firstJ = std::max<int64_t>(0, k - z);
    const int64_t endJ = std::min(k, v.values - (z - k));
    for (int64_t j = firstJ; j < endJ; ++j)
        scaleValue(v.data, v.bytesPerSample, z - k + j, 1.0f - float(j) / float(k));
}

} // namespace lvx::fx::dsp
