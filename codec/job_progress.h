#pragma once
// Progress and cancellation of one codec job, as its loops report and ask.
#include "codec.h"

#include <algorithm>

namespace codec {

class JobProgress {
public:
    JobProgress(const JobControl &control, long long total) : m_control(control), m_total(total) {}

    bool cancelled() const {
        return m_control.cancel && m_control.cancel->load(std::memory_order_relaxed);
    }
    // `more` frames done; reports each new percent below 100 (the end reports 100).
    void advance(long long more) {
        m_done += more;
        if (!m_control.progress || m_total <= 0) return;
        const int percent = int(std::min<long long>(99, m_done * 100 / m_total));
        if (percent > m_reported) m_control.progress(m_reported = percent);
    }
    void finished() const {
        if (m_control.progress) m_control.progress(100);
    }

private:
    const JobControl &m_control;
    long long m_total;
    long long m_done = 0;
    int m_reported = -1;
};

} // namespace codec
