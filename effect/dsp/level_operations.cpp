#include "effects.h"

namespace lvx::fx::dsp {

bool amplitude(Sound &, ActionContext &ctx) { return !ctx.stopRequested(); }
bool invert(Sound &, ActionContext &ctx) { return !ctx.stopRequested(); }
bool pegel(Sound &, double, ActionContext &ctx) { return !ctx.stopRequested(); }
int16_t average(const Sound &) { return 0; }
void fadeIn(Sound &, int16_t) {}
void fadeOut(Sound &, int16_t) {}

} // namespace lvx::fx::dsp
