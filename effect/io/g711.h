#pragma once
// G.711 expansion of one 8-bit code to a 16-bit linear sample.
#include <cstdint>

namespace lvx::fx {

int16_t expandMuLaw(uint8_t code);
int16_t expandALaw(uint8_t code);

} // namespace lvx::fx
