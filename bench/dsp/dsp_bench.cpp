// Times the effect operations on a ten-minute 44.1 kHz 16-bit stereo sound, as the player and
// lyravox-fx run them. The sound is a mix of tones and noise made here, or the data chunk of
// the WAV file named by LYRAVOX_BENCH_WAV (compare.sh passes the file it gives the other
// tools). Each iteration works on a fresh copy made outside the timed part.
#include "effects.h"
#include "fft_shifter.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

using namespace lvx::fx;
namespace dsp = lvx::fx::dsp;

namespace {

class QuietContext : public ActionContext {
public:
    bool stopRequested() const override { return false; }
    void progress(int) override {}
    void resetProgress() override {}
};

uint32_t le32(const uint8_t *p) {
    return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24;
}

// The data chunk of a 16-bit PCM WAV file, or an empty sound when it cannot be read.
Sound readWav(const char *path) {
    Sound s;
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), {});
    size_t pos = 12;
    while (file.size() >= 12 && pos + 8 <= file.size()) {
        const uint32_t size = le32(&file[pos + 4]);
        if (std::memcmp(&file[pos], "fmt ", 4) == 0 && pos + 24 <= file.size()) {
            s.channels = uint16_t(file[pos + 10] | file[pos + 11] << 8);
            s.sampleRate = int32_t(le32(&file[pos + 12]));
            s.bytesPerSample = (file[pos + 22] | file[pos + 23] << 8) / 8;
        } else if (std::memcmp(&file[pos], "data", 4) == 0) {
            const size_t bytes = std::min<size_t>(size, file.size() - pos - 8);
            s.samples.assign(file.begin() + long(pos + 8), file.begin() + long(pos + 8 + bytes));
            s.byteCount = int32_t(bytes);
            break;
        }
        pos += 8 + size + (size & 1);
    }
    return s;
}

Sound makeTenMinutes() {
    if (const char *path = std::getenv("LYRAVOX_BENCH_WAV")) {
        Sound s = readWav(path);
        if (s.byteCount > 0) return s;
        std::fprintf(stderr, "cannot read %s, using a generated sound\n", path);
    }
    Sound s;
    s.channels = 2;
    s.bytesPerSample = 2;
    s.sampleRate = 44100;
    const size_t frames = 600u * 44100u;
    s.byteCount = int32_t(frames * 4);
    s.samples.resize(size_t(s.byteCount));
    std::mt19937 rng(1);
    std::normal_distribution<double> noise(0.0, 1500.0);
    for (size_t f = 0; f < frames; ++f) {
        const double t = double(f) / 44100.0;
        for (int c = 0; c < 2; ++c) {
            const double v = 6000 * std::sin(2 * M_PI * (220 + 110 * c) * t) +
                             3000 * std::sin(2 * M_PI * 1234.5 * t) + noise(rng);
            const int16_t x = int16_t(std::lround(std::clamp(v, -32768.0, 32767.0)));
            std::memcpy(&s.samples[(f * 2 + size_t(c)) * 2], &x, 2);
        }
    }
    return s;
}

void finish(Sound &s) {
    s.workLength = s.byteCount;
    s.playStart = 0;
    s.playEnd = s.byteCount;
}

const Sound &tenMinutes() {
    static Sound s = [] {
        Sound t = makeTenMinutes();
        finish(t);
        return t;
    }();
    return s;
}

template <class Op> void runOn(benchmark::State &state, Op op) {
    const Sound &original = tenMinutes();
    Sound s = original;
    QuietContext ctx;
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(s.samples.data(), original.samples.data(), original.samples.size());
        state.ResumeTiming();
        benchmark::DoNotOptimize(op(s, ctx));
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * original.byteCount);
}

void BM_Shifting(benchmark::State &state) {
    runOn(state, [&](Sound &s, QuietContext &c) {
        return dsp::shifting(s, int16_t(state.range(0)), int32_t(state.range(1)), c);
    });
}
BENCHMARK(BM_Shifting)
    ->Args({0, 2048})
    ->Args({-5, 2048})
    ->Args({0, 8192})
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

// One block of one channel: the two transforms and the bin move, on one core.
void BM_ShifterBlock(benchmark::State &state) {
    const dsp::FftPlan plan(int32_t(state.range(0)), 0);
    dsp::FftShifter shifter(plan);
    std::mt19937 rng(2);
    for (int32_t j = 0; j < plan.size(); ++j)
        shifter.input()[j] = double(int16_t(rng()));
    for (auto _ : state) {
        shifter.process();
        benchmark::DoNotOptimize(shifter.output()[0]);
    }
}
BENCHMARK(BM_ShifterBlock)->Arg(2048)->Arg(8192);

void BM_Eq(benchmark::State &state) {
    const dsp::EqParams p{{100, 80, 60, 40, 20, 40, 60, 80, 100}, 0};
    runOn(state, [&](Sound &s, QuietContext &c) { return dsp::eq(s, p, c); });
}
BENCHMARK(BM_Eq)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

void BM_Echo(benchmark::State &state) {
    runOn(state, [](Sound &s, QuietContext &c) { return dsp::echo(s, 100, 30, c); });
}
BENCHMARK(BM_Echo)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

void BM_Reverb(benchmark::State &state) {
    runOn(state, [](Sound &s, QuietContext &c) { return dsp::reverb(s, 100, 30, c); });
}
BENCHMARK(BM_Reverb)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

void BM_Chorus(benchmark::State &state) {
    const dsp::ChorusParams p{55, 2, 0.25f, int16_t(state.range(0)), 100, 100, 1, 1, 40};
    runOn(state, [&](Sound &s, QuietContext &c) { return dsp::chorus(s, p, c); });
}
BENCHMARK(BM_Chorus)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

void BM_Distortion(benchmark::State &state) {
    const dsp::DistortionParams p{46, 560, 3, 10, 0};
    runOn(state, [&](Sound &s, QuietContext &c) { return dsp::distortion(s, p, c); });
}
BENCHMARK(BM_Distortion)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

void BM_LevelOperations(benchmark::State &state) {
    runOn(state, [&](Sound &s, QuietContext &c) {
        switch (state.range(0)) {
        case 0:
            return dsp::amplitude(s, c);
        case 1:
            return dsp::pegel(s, -1.0, c);
        case 2:
            return dsp::invert(s, c);
        case 3:
            return dsp::cfilter(s, 5, c);
        default:
            return dsp::average(s) >= 0;
        }
    });
}
BENCHMARK(BM_LevelOperations)
    ->DenseRange(0, 4)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

} // namespace

BENCHMARK_MAIN();
