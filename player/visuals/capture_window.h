#pragma once
// The capture window one visual tick works on: the 1440 most recent 16-bit values of the
// input, read as interleaved stereo (W(1) is the newest right value, W(2) the newest left),
// and the values the level meter, the styles and the window bounce take from it.
#include <array>
#include <cstddef>
#include <cstdint>

class CaptureWindow {
public:
    static constexpr int kSize = 1440;

    // `oldestFirst` holds kSize values, the newest last.
    void assign(const int16_t *oldestFirst);
    void clear() { m_values.fill(0); }
    // The value `d` places before the read position, d = 1 ... kSize.
    int W(int d) const { return m_values[size_t(kSize - d)]; }
    int16_t *data() { return m_values.data(); }

    // The sample of each channel: the newest value, or the one 360 frames back when that is
    // larger in magnitude.
    int leftSample() const;
    int rightSample() const;
    // The shaped level 0 ... 2160 of a sample: v = nint(|s| / 32768 x 2160), then
    // nint(v x sin(v x pi / 4320)).
    static int level(int sample);
    // The window-bounce lift of the louder channel: nint(v x sin(v x pi / 65536)), 0 below 870.
    static int bounceLift(int left, int right);

    // The engine's windows: mono(k) = (W(1024 - 2k) + W(1023 - 2k)) / 65535 and
    // raw(k) = W(1024 - k).
    void fillMono(float *mono512) const;
    void fillRaw(int16_t *raw1024) const;

private:
    std::array<int16_t, kSize> m_values{};
};
