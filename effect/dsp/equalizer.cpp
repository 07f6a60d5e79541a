#include "effects.h"

namespace lvx::fx::dsp {

bool eq(Sound &, const EqParams &, ActionContext &ctx) { return !ctx.stopRequested(); }
bool cfilter(Sound &, int16_t, ActionContext &ctx) { return !ctx.stopRequested(); }

} // namespace lvx::fx::dsp
