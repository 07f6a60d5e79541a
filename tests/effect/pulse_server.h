#pragma once
// A private PulseAudio daemon with null sinks for the playback tests. PULSE_SERVER points at
// it while it lives; nothing touches a system or session daemon.
#include <string>
#include <sys/types.h>
#include <vector>

namespace fxtest {

class PulseServer {
public:
    // Starts the daemon with one null sink per name (44 100 Hz, 16-bit stereo).
    explicit PulseServer(const std::vector<std::string> &sinks = {"lvxnull"});
    ~PulseServer();
    PulseServer(const PulseServer &) = delete;
    PulseServer &operator=(const PulseServer &) = delete;

    bool running() const { return m_ready; }
    // Kills the daemon at once (SIGKILL), as a crash would.
    void kill();
    // Starts the daemon again on the same socket with the same sinks; true once it answers.
    bool restart();
    pid_t pid() const { return m_pid; }
    const std::string &server() const { return m_server; }
    std::string log() const;
    // Output of `pactl ARGS` against this server.
    std::string pactl(const std::string &args) const;

private:
    void launch();

    std::vector<std::string> m_sinks;
    std::string m_dir;
    std::string m_server;
    pid_t m_pid = -1;
    bool m_ready = false;
};

// Records raw 16-bit stereo 44 100 Hz from `source` on a thread until stop().
class MonitorRecorder {
public:
    MonitorRecorder(const std::string &server, const std::string &source);
    ~MonitorRecorder();
    bool started() const;
    // Stereo frames read so far (a time stamp into what stop() returns).
    size_t frames() const;
    std::vector<int16_t> stop();

private:
    struct State;
    State *m_state;
};

} // namespace fxtest
