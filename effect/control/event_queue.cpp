#include "event_queue.h"

#include <cstdint>
#include <sys/eventfd.h>
#include <unistd.h>

namespace lvx::fx {

EventQueue::EventQueue() : m_fd(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

EventQueue::~EventQueue() {
    if (m_fd >= 0) ::close(m_fd);
}

void EventQueue::post(int dispid, int arg) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_events.push_back({dispid, arg});
    const uint64_t one = 1;
    // The counter only says "something waits"; a full counter is as good as a write.
    if (m_fd >= 0 && ::write(m_fd, &one, sizeof one) < 0) {
    }
}

std::deque<EventQueue::Event> EventQueue::takeAll() {
    std::lock_guard<std::mutex> lock(m_mutex);
    uint64_t count = 0;
    if (m_fd >= 0 && ::read(m_fd, &count, sizeof count) < 0) {
    }
    std::deque<Event> taken;
    taken.swap(m_events);
    return taken;
}

} // namespace lvx::fx
