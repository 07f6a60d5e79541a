#include "visuals/capture_window.h"

#include "visuals/visual_math.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

void CaptureWindow::assign(const int16_t *oldestFirst) {
    std::memcpy(m_values.data(), oldestFirst, sizeof m_values);
}

namespace {
int louder(int newest, int older) {
    return std::abs(older) > std::abs(newest) ? older : newest;
}
} // namespace

int CaptureWindow::leftSample() const {
    return louder(W(2), W(720));
}

int CaptureWindow::rightSample() const {
    return louder(W(1), W(719));
}

int CaptureWindow::level(int sample) {
    const double v = VisualMath::nint(std::abs(sample) / 32768.0 * 2160.0);
    return VisualMath::inint(v * std::sin(v * 0.000727220521664304));
}

int CaptureWindow::bounceLift(int left, int right) {
    double v = left;
    if (std::abs(right) > std::abs(left)) v = std::abs(right);
    v = VisualMath::nint(v * std::sin(v * 3.14159265358979 / 65536.0));
    return v < 870 ? 0 : int(v);
}

void CaptureWindow::fillMono(float *mono) const {
    for (int k = 0; k < 512; ++k)
        mono[k] = float((W(1024 - 2 * k) + W(1023 - 2 * k)) / 65535.0);
}

void CaptureWindow::fillRaw(int16_t *raw) const {
    for (int k = 0; k < 1024; ++k)
        raw[k] = int16_t(W(1024 - k));
}
