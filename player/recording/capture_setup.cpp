#include "recording/capture_setup.h"

#include <cmath>

namespace CaptureSetup {

bool chooseFormat(const std::function<bool(const AudioFormat &)> &supported, AudioFormat &out) {
    for (int channels : {2, 1})
        for (int rate : {44100, 22050, 11025})
            for (int bits : {16, 8}) {
                const AudioFormat f{rate, channels, bits};
                if (supported(f)) {
                    out = f;
                    return true;
                }
            }
    return false;
}

Plan plan(double requested, double storedSeconds, int maxMinutes, const AudioFormat &format) {
    Plan p;
    const double max = double(maxMinutes) * 60.0;
    if (storedSeconds > max || requested > max) {
        requested = max;
        p.warnings << Warning::OverMaximum;
    }
    if (!(storedSeconds > 0) || !(requested > 0)) {
        requested = max;
        p.warnings << Warning::NotPositive;
    }
    p.seconds = requested;
    // Rounded to the nearest byte, halves to even (the default rounding mode).
    const double bytes = std::nearbyint((requested + kReserveSeconds) * format.bytesPerSecond());
    p.bytes = bytes > 0 ? size_t(bytes) : 0;
    return p;
}

QString warningText(Warning warning, int maxMinutes) {
    const QString m = QString::number(maxMinutes);
    const QString tail = QStringLiteral("如果电脑内存不足或录音时间超过") + m +
                         QStringLiteral("分钟，录音均可能无效！");
    if (warning == Warning::OverMaximum)
        return QStringLiteral("录音开始时间距离曲目结束时间超过程序最大录音缓存时间设置：") + m +
               QStringLiteral("分钟。\r\n") + tail;
    return QStringLiteral("程序的最大录音缓存时间设置为") + m + QStringLiteral("分钟。\r\n") + tail;
}

QString warningTitle() {
    return QStringLiteral("DirectSoundCapture 录音提示");
}

} // namespace CaptureSetup
