#include "recording/take_mixer.h"

#include "recording/peak_limiter.h"
#include "recording/take_file.h"

#include <QSaveFile>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace TakeMixer {

namespace {

// Walks the points along the voice frames in order.
class Placement {
public:
    Placement(const std::vector<AlignPoint> &points, int64_t accompanimentFrames, int rate)
        : m_points(points), m_frames(accompanimentFrames),
          m_gap(int64_t(std::lround(kGapSeconds * rate))) {}

    int64_t frameAt(int64_t voice) {
        if (m_points.empty()) return -1;
        while (m_i + 1 < m_points.size() && m_points[m_i + 1].voice <= voice)
            ++m_i;
        while (m_i > 0 && m_points[m_i].voice > voice)
            --m_i;
        const AlignPoint &p = m_points[m_i];
        const int64_t frame = p.accompaniment + (voice - p.voice);
        if (frame < 0 || frame >= m_frames) return -1;
        // Past the next point's start by more than drift: the accompaniment had stopped.
        if (m_i + 1 < m_points.size() && frame >= m_points[m_i + 1].accompaniment + m_gap)
            return -1;
        return frame;
    }

private:
    const std::vector<AlignPoint> &m_points;
    int64_t m_frames;
    int64_t m_gap;
    size_t m_i = 0;
};

float sampleAt(const char *data, size_t index, int bits) {
    if (bits == 8) return (float(uint8_t(data[index])) - 128.0f) * 256.0f;
    int16_t v;
    std::memcpy(&v, data + index * 2, 2);
    return float(v);
}

void putSample(char *data, size_t index, int bits, float value) {
    if (bits == 8) value /= 256.0f;
    // Rounded half away from zero, then held in range.
    const long rounded = long(value >= 0.0f ? value + 0.5f : value - 0.5f);
    if (bits == 8) {
        data[index] = char(uint8_t(std::clamp<long>(rounded, -128, 127) + 128));
        return;
    }
    const auto s = int16_t(std::clamp<long>(rounded, -32768, 32767));
    std::memcpy(data + index * 2, &s, 2);
}

} // namespace

int64_t accompanimentFrame(const std::vector<AlignPoint> &points, int64_t voice,
                           int64_t accompanimentFrames, int rate) {
    return Placement(points, accompanimentFrames, rate).frameAt(voice);
}

bool mix(const AudioFormat &format, const char *voice, size_t voiceBytes, const char *accompaniment,
         size_t accompanimentBytes, const std::vector<AlignPoint> &points,
         const std::function<bool(const char *, size_t)> &out) {
    const size_t channels = size_t(std::max(0, format.channels));
    const size_t frameBytes = size_t(format.blockAlign());
    if (frameBytes == 0 || channels < 1) return false;
    const int64_t voiceFrames = int64_t(voiceBytes / frameBytes);
    Placement place(points, int64_t(accompanimentBytes / frameBytes), format.rate);
    PeakLimiter limiter(int(channels), format.rate);

    constexpr size_t kBlockFrames = 4096;
    std::vector<float> sums(kBlockFrames * channels), limited(sums.size());
    std::vector<char> bytes(kBlockFrames * frameBytes);
    // Converts `frames` limited frames and hands them on.
    auto emit = [&](size_t frames) {
        for (size_t k = 0; k < frames * channels; ++k)
            putSample(bytes.data(), k, format.bits, limited[k]);
        return frames == 0 || out(bytes.data(), frames * frameBytes);
    };
    for (int64_t start = 0; start < voiceFrames; start += int64_t(kBlockFrames)) {
        const size_t n = size_t(std::min<int64_t>(int64_t(kBlockFrames), voiceFrames - start));
        for (size_t k = 0; k < n; ++k) {
            const int64_t a = place.frameAt(start + int64_t(k));
            const size_t v = (size_t(start) + k) * channels;
            for (size_t c = 0; c < channels; ++c) {
                float s = sampleAt(voice, v + c, format.bits);
                if (a >= 0) s += sampleAt(accompaniment, size_t(a) * channels + c, format.bits);
                sums[k * channels + c] = s;
            }
        }
        if (!emit(limiter.process(sums.data(), n, limited.data()))) return false;
    }
    size_t held = 0;
    while (limiter.flush(&limited[held * channels]))
        if (++held == kBlockFrames) {
            if (!emit(held)) return false;
            held = 0;
        }
    return emit(held);
}

bool writeWav(const QString &path, const AudioFormat &format, const char *voice, size_t voiceBytes,
              const char *accompaniment, size_t accompanimentBytes,
              const std::vector<AlignPoint> &points) {
    const size_t frameBytes = size_t(format.blockAlign());
    const size_t bytes = frameBytes > 0 ? voiceBytes / frameBytes * frameBytes : 0;
    if (bytes > 0xFFFFFFFFu - 36) return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    const QByteArray header = TakeFile::wavHeader(format, uint32_t(bytes));
    if (file.write(header) != header.size()) return false;
    const bool ok = mix(
        format, voice, bytes, accompaniment, accompanimentBytes, points,
        [&file](const char *data, size_t n) { return file.write(data, qint64(n)) == qint64(n); });
    return ok && file.commit();
}

} // namespace TakeMixer
