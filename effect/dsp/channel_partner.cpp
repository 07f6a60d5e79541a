#include "channel_partner.h"

#include <system_error>

namespace lvx::fx::dsp {

ChannelPartner::ChannelPartner(Work work) : m_work(std::move(work)) {
    try {
        m_thread = std::thread([this] { loop(); });
    } catch (const std::system_error &) {
        // No thread: start() does the work on the caller's thread.
    }
}

ChannelPartner::~ChannelPartner() {
    if (!m_thread.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_quit = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void ChannelPartner::start(int64_t first, int64_t end) {
    if (!m_thread.joinable()) {
        m_work(first, end);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_first = first;
        m_end = end;
        ++m_posted;
    }
    m_changed.notify_all();
}

void ChannelPartner::wait() {
    if (!m_thread.joinable()) return;
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return m_finished == m_posted; });
}

void ChannelPartner::loop() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_quit || m_finished != m_posted; });
        if (m_finished == m_posted) return; // quit with nothing left to do
        const int64_t first = m_first;
        const int64_t end = m_end;
        lock.unlock();
        m_work(first, end);
        lock.lock();
        ++m_finished;
        m_changed.notify_all();
    }
}

} // namespace lvx::fx::dsp
