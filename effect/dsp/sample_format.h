#pragma once
// How the operations read and write the sample bytes of a sound: a checked view of the
// interleaved data and the conversions to and from the values the arithmetic works on.
#include "sound.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace lvx::fx::dsp {

// The part of a sound an operation walks. An empty view (values 0) when the format is not one
// the operations know, so that no operation reads outside the buffer whatever the fields say.
struct SampleView {
    uint8_t *data = nullptr;
    int64_t values = 0; // sample values, all channels together
    int bytesPerSample = 0;
    int channels = 0;

    int64_t frames() const { return channels > 0 ? values / channels : 0; }
    bool empty() const { return values <= 0; }
};

// `byteLength` is the byte count the operation is told to walk; it is cut to the buffer.
inline SampleView viewOf(Sound &sound, int64_t byteLength) {
    SampleView v;
    if ((sound.bytesPerSample != 1 && sound.bytesPerSample != 2) ||
        (sound.channels != 1 && sound.channels != 2))
        return v;
    const int64_t bytes = std::clamp<int64_t>(byteLength, 0, int64_t(sound.samples.size()));
    v.data = sound.samples.data();
    v.bytesPerSample = sound.bytesPerSample;
    v.channels = sound.channels;
    v.values = bytes / sound.bytesPerSample;
    return v;
}

inline int32_t read16(const uint8_t *data, int64_t index) {
    const uint8_t *p = data + 2 * index;
    return int16_t(uint16_t(p[0] | (p[1] << 8)));
}

inline void write16(uint8_t *data, int64_t index, int32_t value) {
    uint8_t *p = data + 2 * index;
    p[0] = uint8_t(value & 0xFF);
    p[1] = uint8_t((value >> 8) & 0xFF);
}

// The signed value a sample is processed as: 16-bit as is, 8-bit around the zero line 127.
inline int32_t readValue(const uint8_t *data, int bytesPerSample, int64_t index) {
    return bytesPerSample == 2 ? read16(data, index) : int32_t(data[index]) - 127;
}

inline int64_t limit16(int64_t v) {
    return std::clamp<int64_t>(v, -32768, 32767);
}

// Limits to the 16-bit range, then truncates toward zero. NaN (only from absurd arguments)
// becomes silence rather than undefined behaviour.
inline int32_t limitTrunc16(double v) {
    if (std::isnan(v)) return 0;
    if (v >= 32767.0) return 32767;
    if (v <= -32768.0) return -32768;
    return int32_t(v);
}

// An 8-bit byte from a processed value: 127 added, limited to 0...255, truncated toward zero.
inline uint8_t byteFromValue(double v) {
    const double b = v + 127.0;
    if (std::isnan(b)) return 127;
    if (b >= 255.0) return 255;
    if (b <= 0.0) return 0;
    return uint8_t(int32_t(b));
}

inline uint8_t byteFromValue(int64_t v) {
    return uint8_t(std::clamp<int64_t>(v + 127, 0, 255));
}

// Writes a processed value back: 16-bit limited and truncated, 8-bit as byteFromValue.
inline void writeValue(uint8_t *data, int bytesPerSample, int64_t index, double v) {
    if (bytesPerSample == 2)
        write16(data, index, limitTrunc16(v));
    else
        data[index] = byteFromValue(v);
}

} // namespace lvx::fx::dsp
