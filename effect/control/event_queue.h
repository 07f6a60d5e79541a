#pragma once
// The events waiting for one control instance. Workers and the playback thread post; the
// container's thread takes them. An eventfd tells a poll loop that events wait.
#include <deque>
#include <mutex>
#include <utility>

namespace lvx::fx {

class EventQueue {
public:
    struct Event {
        int dispid;
        int arg;
    };

    EventQueue();
    ~EventQueue();
    EventQueue(const EventQueue &) = delete;
    EventQueue &operator=(const EventQueue &) = delete;

    int fd() const { return m_fd; }
    // Any thread.
    void post(int dispid, int arg);
    // Takes every waiting event and drains the descriptor.
    std::deque<Event> takeAll();

private:
    std::mutex m_mutex;
    std::deque<Event> m_events;
    int m_fd = -1;
};

} // namespace lvx::fx
