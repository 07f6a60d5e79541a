// Every sound operation with random arguments on a random short sound: none may crash, hang
// or touch memory outside the sound. The sound's buffer is exactly byteCount bytes, so any
// access past its end is caught by the address sanitizer.
#include "effects.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <atomic>
#include <cstdint>
#include <vector>

using namespace lvx::fx;
namespace dsp = lvx::fx::dsp;

namespace {

class FuzzContext : public ActionContext {
public:
    explicit FuzzContext(int stopAfter) : m_stopAfter(stopAfter) {}
    bool stopRequested() const override { return m_stopAfter >= 0 && m_tests++ >= m_stopAfter; }
    void progress(int percent) override {
        if (percent < 0 || percent > 100) __builtin_trap(); // never outside 0...100
        if (percent > m_last) m_last = percent;
    }
    void resetProgress() override { m_last = 0; }

private:
    int m_stopAfter;
    mutable std::atomic<int> m_tests{0};
    int m_last = 0;
};

int16_t shortArg(FuzzedDataProvider &in) {
    return in.ConsumeIntegral<int16_t>();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider in(data, size);
    Sound s;
    s.bytesPerSample = in.ConsumeBool() ? 2 : 1;
    s.channels = in.ConsumeBool() ? 2 : 1;
    switch (in.ConsumeIntegralInRange(0, 3)) {
    case 0:
        s.sampleRate = 44100;
        break;
    case 1:
        s.sampleRate = 8000;
        break;
    case 2:
        s.sampleRate = in.ConsumeIntegralInRange<int32_t>(0, 400);
        break;
    default:
        s.sampleRate = in.ConsumeIntegral<int32_t>();
        break;
    }
    const int method = in.ConsumeIntegralInRange(0, 13);
    const int stopAfter = in.ConsumeIntegralInRange(-1, 8);

    // Arguments first, then the rest of the input is the sound.
    const int16_t a = shortArg(in), b = shortArg(in);
    const int32_t size32 =
        in.ConsumeBool() ? (1 << in.ConsumeIntegralInRange(0, 16)) : in.ConsumeIntegral<int32_t>();
    dsp::ChorusParams chorus{shortArg(in), shortArg(in), in.ConsumeFloatingPoint<float>(),
                             shortArg(in), shortArg(in), shortArg(in),
                             shortArg(in), shortArg(in), shortArg(in)};
    if (in.ConsumeBool()) chorus.rate = in.ConsumeFloatingPointInRange<float>(-2.0f, 20.0f);
    dsp::DistortionParams distortion{shortArg(in), shortArg(in), shortArg(in), shortArg(in),
                                     shortArg(in)};
    dsp::EqParams eq{};
    for (int16_t &g : eq.gains)
        g = shortArg(in);
    eq.filterDry = shortArg(in);
    const double factor = in.ConsumeFloatingPoint<double>();
    const int32_t workLength = in.ConsumeIntegral<int32_t>();
    const int32_t playStart = in.ConsumeIntegral<int32_t>();
    const int32_t playEnd = in.ConsumeIntegral<int32_t>();
    const bool wildRanges = in.ConsumeBool();

    std::vector<uint8_t> bytes = in.ConsumeRemainingBytes<uint8_t>();
    if (bytes.size() > 8192) bytes.resize(8192);
    s.byteCount = int32_t(bytes.size());
    s.samples = bytes.empty() ? std::vector<uint8_t>(1, 0) : bytes;
    s.workLength = wildRanges ? workLength : s.byteCount;
    s.playStart = wildRanges ? playStart : 0;
    s.playEnd = wildRanges ? playEnd : s.byteCount;

    FuzzContext ctx(stopAfter);
    switch (method) {
    case 0:
        // The control refuses other sizes before calling; the operation must not rely on it.
        dsp::shifting(s, a, dsp::validShiftSize(size32) ? size32 : size32 & 0xFFFF, ctx);
        break;
    case 1:
        dsp::echo(s, a, b, ctx);
        break;
    case 2:
        dsp::reverb(s, a, b, ctx);
        break;
    case 3:
        dsp::chorus(s, chorus, ctx);
        break;
    case 4:
        dsp::distortion(s, distortion, ctx);
        break;
    case 5:
        dsp::eq(s, eq, ctx);
        break;
    case 6:
        dsp::cfilter(s, a, ctx);
        break;
    case 7:
        dsp::amplitude(s, ctx);
        break;
    case 8:
        dsp::invert(s, ctx);
        break;
    case 9:
        dsp::pegel(s, factor, ctx);
        break;
    case 10:
        dsp::average(s);
        break;
    case 11:
        dsp::fadeIn(s, a);
        break;
    case 12:
        dsp::fadeOut(s, a);
        break;
    default:
        dsp::shifting(s, a, 32, ctx);
        break;
    }
    if (s.samples.size() < size_t(s.byteCount)) __builtin_trap(); // the buffer never shrinks
    return 0;
}
