#include "effects.h"

namespace lvx::fx::dsp {

bool validShiftSize(int32_t size)
{
    return size >= 32 && size <= 32768 && (size & (size - 1)) == 0;
}

bool shifting(Sound &, int16_t, int32_t, ActionContext &ctx) { return !ctx.stopRequested(); }

} // namespace lvx::fx::dsp
