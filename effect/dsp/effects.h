#pragma once
// The sound-changing operations of the effect control. Each runs to its end on the calling
// (worker) thread and rewrites `sound.samples` in place; it returns false when it stopped
// early because `ctx.stopRequested()` became true. The dispatch layer checks busy/loaded and
// argument validity, posts the end events and chooses the method's result code.
#include "sound.h"

namespace lvx::fx::dsp {

// FFT pitch shifter. `size` must satisfy validShiftSize().
bool validShiftSize(int32_t size);
bool shifting(Sound &sound, int16_t mode, int32_t size, ActionContext &ctx);

// Delay effects and distortion.
bool echo(Sound &sound, int16_t delay, int16_t ratio, ActionContext &ctx);
bool reverb(Sound &sound, int16_t delay, int16_t ratio, ActionContext &ctx);
struct ChorusParams {
    int16_t delay, depth;
    float rate;
    int16_t waveform, dry, wet, invertFeedback, mixing, feedback;
};
bool chorus(Sound &sound, const ChorusParams &p, ActionContext &ctx);
struct DistortionParams {
    int16_t dryOut, distortedOut, thresholdLevel, clampLevel, gate;
};
bool distortion(Sound &sound, const DistortionParams &p, ActionContext &ctx);

// Equalizer, filter and level operations.
struct EqParams {
    int16_t gains[9];
    int16_t filterDry;
};
bool eq(Sound &sound, const EqParams &p, ActionContext &ctx);
bool cfilter(Sound &sound, int16_t factor, ActionContext &ctx);
bool amplitude(Sound &sound, ActionContext &ctx); // updates sound.dcMean
bool invert(Sound &sound, ActionContext &ctx);    // may shorten sound.workLength
bool pegel(Sound &sound, double factor, ActionContext &ctx);
int16_t average(const Sound &sound);             // synchronous, mean level in percent
void fadeIn(Sound &sound, int16_t seconds10th);  // synchronous, over playStart...
void fadeOut(Sound &sound, int16_t seconds10th); // synchronous, ...up to playEnd

} // namespace lvx::fx::dsp
