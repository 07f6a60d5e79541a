#pragma once
// A libpulse threaded main loop with a connected context, and the waits on it, each bounded by
// one deadline set when connecting.
#include <pulse/pulseaudio.h>

#include <string>
#include <vector>

namespace lvx::fx {

class PulseConnection {
public:
    PulseConnection() = default;
    ~PulseConnection() { close(); }
    PulseConnection(const PulseConnection &) = delete;
    PulseConnection &operator=(const PulseConnection &) = delete;

    // Starts the loop and connects (never spawning a server). Returns 0 with the loop LOCKED,
    // or a PA_ERR_* code with the loop unlocked.
    int open(int timeoutMs);
    // Sinks in index order. Loop locked.
    std::vector<std::string> sinkNames();
    // Waits for a signal of the loop; false once the deadline has passed. Loop locked.
    bool wait();
    void disarmDeadline();
    void lock() {
        if (m_running) pa_threaded_mainloop_lock(m_loop);
    }
    void unlock() {
        if (m_running) pa_threaded_mainloop_unlock(m_loop);
    }
    void signal() { pa_threaded_mainloop_signal(m_loop, 0); }
    // Disconnects and stops the loop thread. Loop NOT locked; never from the loop's thread.
    void close();

    pa_context *context() const { return m_context; }
    bool timedOut() const { return m_timedOut; }

private:
    int connectLocked(int timeoutMs);
    static void onContextState(pa_context *, void *self);
    static void onDeadline(pa_mainloop_api *, pa_time_event *, const struct timeval *, void *self);

    pa_threaded_mainloop *m_loop = nullptr;
    pa_context *m_context = nullptr;
    pa_time_event *m_deadline = nullptr;
    bool m_timedOut = false;
    bool m_running = false;
};

} // namespace lvx::fx
