#pragma once
// A helper thread that works on the second channel of a stereo walk in step with the calling
// thread: the caller hands it a run of frames, works on the first channel itself, and waits
// until the partner is done before the next run. Channel states stay on their own threads,
// so the results are those of one thread walking frame by frame.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

namespace lvx::fx::dsp {

class ChannelPartner {
public:
    using Work = std::function<void(int64_t first, int64_t end)>;

    // Starts the thread; when no thread can be started, start() runs the work itself.
    explicit ChannelPartner(Work work);
    ~ChannelPartner(); // joins the thread

    ChannelPartner(const ChannelPartner &) = delete;
    ChannelPartner &operator=(const ChannelPartner &) = delete;

    void start(int64_t first, int64_t end);
    void wait();

private:
    void loop();

    Work m_work;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int64_t m_first = 0;
    int64_t m_end = 0;
    uint64_t m_posted = 0;
    uint64_t m_finished = 0;
    bool m_quit = false;
    std::thread m_thread;
};

} // namespace lvx::fx::dsp
