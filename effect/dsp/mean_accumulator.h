#pragma once
// Mean of a long run of values in double precision. The running sum is folded into a running
// mean whenever it grows past 7e8, so that no partial sum grows without bound.
#include <cstdint>

namespace lvx::fx::dsp {

class MeanAccumulator {
public:
    void add(double v) {
        m_sum += v;
        ++m_count;
        if (m_sum > kFoldAt || m_sum < -kFoldAt) fold();
    }

    double mean() const {
        const int64_t total = m_meanCount + m_count;
        return total > 0 ? (m_mean * double(m_meanCount) + m_sum) / double(total) : 0.0;
    }

private:
    static constexpr double kFoldAt = 7e8;

    void fold() {
        m_mean = mean();
        m_meanCount += m_count;
        m_sum = 0.0;
        m_count = 0;
    }

    double m_mean = 0.0;
    int64_t m_meanCount = 0;
    double m_sum = 0.0;
    int64_t m_count = 0;
};

} // namespace lvx::fx::dsp
