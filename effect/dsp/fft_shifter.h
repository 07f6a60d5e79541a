#pragma once
// The pitch shifter of one channel: a block of n real samples is transformed with a radix-2
// FFT, its bins are moved according to the mode, and the block is transformed back.
//
// The arithmetic is fixed to the last bit: the angle constant 6.2831852, twiddle factors
// advanced by the recurrence w' = w - (w*alpha +- w*beta) rather than computed with sin and
// cos, and the butterflies in the usual decimation-in-time order. Because the recurrence
// starts again at 1 in every group of a stage, the twiddles of a stage are computed once per
// call and shared by all groups and blocks; the butterflies then run on vectors of bins.
#include <cstdint>
#include <vector>

namespace lvx::fx::dsp {

// Everything that depends only on the block size and the mode; shared read-only by the
// shifters of all channels and threads of one call.
class FftPlan {
public:
    FftPlan(int32_t n, int16_t mode);

    int32_t size() const { return m_n; }

    // Twiddles of the stage whose butterflies span 2 * half points (half >= 1).
    const double *forwardRe(int32_t half) const { return m_forwardRe.data() + half - 1; }
    const double *forwardIm(int32_t half) const { return m_forwardIm.data() + half - 1; }
    const double *inverseRe(int32_t half) const { return m_inverseRe.data() + half - 1; }
    const double *inverseIm(int32_t half) const { return m_inverseIm.data() + half - 1; }

    // Input sample index for each bit-reversed position of the forward transform.
    const std::vector<uint32_t> &forwardGather() const { return m_forwardGather; }
    // Spectrum bin for each bit-reversed position of the inverse transform after the mode's
    // rewrite of the bins; n stands for a cleared bin.
    const std::vector<uint32_t> &inverseGather() const { return m_inverseGather; }

    // The mode's rewrite as a source bin per output bin (n for a cleared bin). Public so that
    // the mapping can be checked on its own.
    static std::vector<uint32_t> binSources(int32_t n, int16_t mode);

private:
    int32_t m_n;
    std::vector<double> m_forwardRe, m_forwardIm, m_inverseRe, m_inverseIm;
    std::vector<uint32_t> m_forwardGather, m_inverseGather;
};

class FftShifter {
public:
    explicit FftShifter(const FftPlan &plan);

    // The n samples of the block, written by the caller before process().
    double *input() { return m_input.data(); }
    // Shifts the block; afterwards output() holds n real values already divided by n.
    void process();
    const double *output() const { return m_output.data(); }

private:
    const FftPlan &m_plan;
    std::vector<double> m_input, m_output;
    std::vector<double> m_specRe, m_specIm; // forward result; one extra zero bin at n
    std::vector<double> m_workRe, m_workIm; // inverse transform in progress
};

} // namespace lvx::fx::dsp
