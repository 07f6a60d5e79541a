#include "effects.h"

namespace lvx::fx::dsp {

bool echo(Sound &, int16_t, int16_t, ActionContext &ctx) { return !ctx.stopRequested(); }
bool reverb(Sound &, int16_t, int16_t, ActionContext &ctx) { return !ctx.stopRequested(); }
bool chorus(Sound &, const ChorusParams &, ActionContext &ctx) { return !ctx.stopRequested(); }
bool distortion(Sound &, const DistortionParams &, ActionContext &ctx) { return !ctx.stopRequested(); }

} // namespace lvx::fx::dsp
