#pragma once
// Sounds and an action context for calling the effect operations directly.
#include "sound.h"

#include <atomic>
#include <cmath>
#include <cstdint>
#include <mutex>
#include <random>
#include <vector>

namespace lvx::fx::dsp::test {

// Records what a container would see: only rising percentages, -1 where a new walk starts.
// Can ask the operation to stop after a number of stop tests.
class TestContext : public ActionContext {
public:
    explicit TestContext(long stopAfterTests = -1) : m_stopAfter(stopAfterTests) {}

    bool stopRequested() const override {
        if (m_stop.load()) return true;
        if (m_stopFromWalk > 0 && m_walks.load() >= m_stopFromWalk) return true;
        return m_stopAfter >= 0 && m_tests.fetch_add(1) >= m_stopAfter;
    }
    void progress(int percent) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (percent > m_last) {
            m_last = percent;
            m_posted.push_back(percent);
        }
    }
    void resetProgress() override {
        ++m_walks;
        std::lock_guard<std::mutex> lock(m_mutex);
        m_last = 0;
        m_posted.push_back(-1);
    }
    void requestStop() { m_stop = true; }
    // StopEffect pressed as walk number `walk` (1 = the first) starts.
    void stopFromWalk(int walk) { m_stopFromWalk = walk; }

    // Posted percentages of the walk `index` (0 = the first walk).
    std::vector<int> walk(int index) const {
        std::vector<int> out;
        int w = -1;
        for (int p : m_posted) {
            if (p == -1)
                ++w;
            else if (w == index)
                out.push_back(p);
        }
        return out;
    }
    int walks() const {
        int n = 0;
        for (int p : m_posted)
            n += p == -1;
        return n;
    }

private:
    long m_stopAfter;
    mutable std::atomic<long> m_tests{0};
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_walks{0};
    int m_stopFromWalk = 0;
    std::mutex m_mutex;
    int m_last = 0;
    std::vector<int> m_posted;
};

inline Sound makeSound(int bytesPerSample, int channels, int sampleRate, size_t values) {
    Sound s;
    s.bytesPerSample = bytesPerSample;
    s.channels = uint16_t(channels);
    s.sampleRate = sampleRate;
    s.byteCount = int32_t(values * size_t(bytesPerSample));
    s.samples.assign(std::max<size_t>(1, size_t(s.byteCount)), bytesPerSample == 1 ? 127 : 0);
    s.workLength = s.byteCount;
    s.playStart = 0;
    s.playEnd = s.byteCount;
    s.durationSeconds =
        sampleRate > 0 ? int16_t(values / size_t(channels) / size_t(sampleRate)) : 0;
    return s;
}

inline int32_t value16(const Sound &s, size_t i) {
    return int16_t(uint16_t(s.samples[2 * i] | (s.samples[2 * i + 1] << 8)));
}

inline void setValue16(Sound &s, size_t i, int32_t v) {
    s.samples[2 * i] = uint8_t(v & 0xFF);
    s.samples[2 * i + 1] = uint8_t((v >> 8) & 0xFF);
}

inline std::vector<int32_t> values16(const Sound &s) {
    std::vector<int32_t> out(size_t(s.byteCount) / 2);
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = value16(s, i);
    return out;
}

inline Sound makeSound16(int channels, int sampleRate, const std::vector<int32_t> &values) {
    Sound s = makeSound(2, channels, sampleRate, values.size());
    for (size_t i = 0; i < values.size(); ++i)
        setValue16(s, i, values[i]);
    return s;
}

inline Sound randomSound16(int channels, int sampleRate, size_t values, uint32_t seed,
                           int32_t range = 30000) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int32_t> dist(-range, range);
    std::vector<int32_t> v(values);
    for (auto &x : v)
        x = dist(rng);
    return makeSound16(channels, sampleRate, v);
}

// A tone of `cycles` whole cycles per `period` values, mono.
inline std::vector<int32_t> tone(size_t values, double cycles, size_t period, double amplitude) {
    std::vector<int32_t> v(values);
    for (size_t i = 0; i < values; ++i)
        v[i] = int32_t(
            std::lround(amplitude * std::sin(2 * M_PI * cycles * double(i) / double(period))));
    return v;
}

// Magnitude of DFT bin k over values [first, first + n).
inline double binMagnitude(const std::vector<int32_t> &v, size_t first, size_t n, size_t k) {
    double re = 0, im = 0;
    for (size_t j = 0; j < n; ++j) {
        const double a = 2 * M_PI * double(k) * double(j) / double(n);
        re += v[first + j] * std::cos(a);
        im -= v[first + j] * std::sin(a);
    }
    return std::sqrt(re * re + im * im);
}

} // namespace lvx::fx::dsp::test
