#include "g711.h"

namespace lvx::fx {

int16_t expandMuLaw(uint8_t code) {
    const int u = static_cast<uint8_t>(~code);
    int t = ((u & 0x0F) << 3) + 0x84;
    t <<= (u & 0x70) >> 4;
    return static_cast<int16_t>((u & 0x80) ? 0x84 - t : t - 0x84);
}

int16_t expandALaw(uint8_t code) {
    const int a = code ^ 0x55;
    int t = (a & 0x0F) << 4;
    const int segment = (a & 0x70) >> 4;
    if (segment == 0) {
        t += 8;
    } else {
        t += 0x108;
        t <<= segment - 1;
    }
    return static_cast<int16_t>((a & 0x80) ? t : -t);
}

} // namespace lvx::fx
