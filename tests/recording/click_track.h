#pragma once
// A click track for the take tests, and what they measure on a take: where clicks begin, and
// the lag at which two signals line up best.
#include "recording/take_file.h"

#include <QString>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace ClickTrack {

constexpr int kRate = 44100;
constexpr double kBeat = 0.5;

// Clicks of 3 ms (a decaying 2 kHz burst at 0.4 of full scale) on every beat.
inline bool writeClickTrack(const QString &path, double seconds) {
    const size_t frames = size_t(seconds * kRate);
    std::vector<int16_t> pcm(frames * 2, 0);
    const size_t beat = size_t(kBeat * kRate), length = size_t(0.003 * kRate);
    for (size_t start = beat / 2; start + length < frames; start += beat)
        for (size_t k = 0; k < length; ++k) {
            const double t = double(k) / kRate;
            const auto v = int16_t(13000.0 * std::exp(-t / 0.001) * std::sin(2 * M_PI * 2000 * t));
            pcm[(start + k) * 2] = pcm[(start + k) * 2 + 1] = v;
        }
    return TakeFile::writeWav(path, AudioFormat{kRate, 2, 16},
                              reinterpret_cast<const char *>(pcm.data()), pcm.size() * 2);
}

// Where clicks begin: the first sample over a threshold after 50 ms of quiet.
inline std::vector<size_t> onsets(const std::vector<int> &s) {
    std::vector<size_t> found;
    size_t quietSince = 0;
    for (size_t k = 0; k < s.size(); ++k) {
        if (std::abs(s[k]) < 1500) continue;
        if (found.empty() || k - quietSince > size_t(0.05 * kRate)) found.push_back(k);
        quietSince = k;
    }
    return found;
}

// The lag (frames, within ±`range`) at which `b` lines up best with `a`: the cross-correlation
// peak, summed over the samples where `a` is not silent.
inline long correlationPeak(const std::vector<int> &a, const std::vector<int> &b, long range) {
    std::vector<size_t> loud;
    for (size_t k = 0; k < a.size(); ++k)
        if (std::abs(a[k]) > 100) loud.push_back(k);
    long best = 0;
    double bestSum = -1;
    for (long lag = -range; lag <= range; ++lag) {
        double sum = 0;
        for (size_t k : loud) {
            const long j = long(k) + lag;
            if (j >= 0 && j < long(b.size())) sum += double(a[k]) * b[size_t(j)];
        }
        if (sum > bestSum) {
            bestSum = sum;
            best = lag;
        }
    }
    return best;
}

// The voice (`voice`) and what the mix adds to it (the accompaniment as placed), first channel.
struct Parts {
    std::vector<int> sung, played, heard;
};
inline Parts split(const std::vector<int16_t> &mix, const std::vector<int16_t> &voice) {
    Parts p;
    for (size_t k = 0; k < mix.size() && k < voice.size(); ++k) {
        p.sung.push_back(voice[k]);
        p.played.push_back(int(mix[k]) - int(voice[k]));
        p.heard.push_back(mix[k]);
    }
    return p;
}

} // namespace ClickTrack
