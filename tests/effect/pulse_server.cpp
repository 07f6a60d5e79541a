#include "pulse_server.h"

#include <pulse/error.h>
#include <pulse/simple.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <mutex>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fxtest {

PulseServer::PulseServer(const std::vector<std::string> &sinks) : m_sinks(sinks) {
    char pattern[] = "/tmp/lvxpulse-XXXXXX";
    m_dir = mkdtemp(pattern);
    m_server = "unix:" + m_dir + "/native";
    setenv("PULSE_SERVER", m_server.c_str(), 1);
    launch();
}

void PulseServer::kill() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        int status = 0;
        waitpid(m_pid, &status, 0);
    }
    m_pid = -1;
    m_ready = false;
}

bool PulseServer::restart() {
    kill();
    launch();
    return m_ready;
}

void PulseServer::launch() {
    const std::vector<std::string> &sinks = m_sinks;
    std::vector<std::string> args = {"pulseaudio",
                                     "-n",
                                     "--daemonize=no",
                                     "--exit-idle-time=-1",
                                     "--use-pid-file=no",
                                     "--disable-shm=yes",
                                     "--log-target=stderr",
                                     "-L",
                                     "module-native-protocol-unix socket=" + m_dir +
                                         "/native auth-anonymous=1"};
    // Without rewinds the monitor hears a new stream from its first sample.
    for (const std::string &sink : sinks) {
        args.push_back("-L");
        args.push_back("module-null-sink sink_name=" + sink +
                       " rate=44100 format=s16le channels=2 norewinds=1");
    }
    const std::string logPath = m_dir + "/log";
    m_ready = false;
    m_pid = fork();
    if (m_pid == 0) {
        setenv("HOME", m_dir.c_str(), 1);
        setenv("XDG_RUNTIME_DIR", m_dir.c_str(), 1);
        setenv("PULSE_RUNTIME_PATH", m_dir.c_str(), 1);
        setenv("XDG_CONFIG_HOME", m_dir.c_str(), 1);
        std::FILE *log = std::fopen(logPath.c_str(), "w");
        if (log) {
            dup2(fileno(log), 1);
            dup2(fileno(log), 2);
        }
        std::vector<char *> argv;
        for (std::string &a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    for (int i = 0; i < 100 && !m_ready; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        m_ready = pactl("info").find("Server Name") != std::string::npos;
    }
}

PulseServer::~PulseServer() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGCONT); // a test may have stopped it
        ::kill(m_pid, SIGTERM);
        int status = 0;
        waitpid(m_pid, &status, 0);
    }
    unsetenv("PULSE_SERVER");
    const std::string command = "rm -rf '" + m_dir + "'";
    if (std::system(command.c_str()) != 0)
        std::fprintf(stderr, "could not remove %s\n", m_dir.c_str());
}

std::string PulseServer::log() const {
    std::ifstream in(m_dir + "/log");
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string PulseServer::pactl(const std::string &args) const {
    const std::string command = "PULSE_SERVER='" + m_server + "' pactl " + args + " 2>&1";
    std::string out;
    if (std::FILE *p = popen(command.c_str(), "r")) {
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0)
            out.append(buffer, n);
        pclose(p);
    }
    return out;
}

struct MonitorRecorder::State {
    pa_simple *stream = nullptr;
    std::atomic<bool> stop{false};
    std::mutex mutex;
    std::vector<int16_t> samples;
    std::thread thread;
};

MonitorRecorder::MonitorRecorder(const std::string &server, const std::string &source)
    : m_state(new State) {
    const pa_sample_spec spec{PA_SAMPLE_S16LE, 44100, 2};
    pa_buffer_attr attr;
    attr.maxlength = uint32_t(-1);
    attr.fragsize = 1024; // 256 frames: a time stamp (frames()) to within 6 ms
    attr.tlength = attr.prebuf = attr.minreq = uint32_t(-1);
    int error = 0;
    m_state->stream = pa_simple_new(server.c_str(), "lyravox test", PA_STREAM_RECORD,
                                    source.c_str(), "monitor", &spec, nullptr, &attr, &error);
    if (!m_state->stream) return;
    m_state->thread = std::thread([s = m_state] {
        std::vector<int16_t> block(512);
        while (!s->stop.load()) {
            if (pa_simple_read(s->stream, block.data(), block.size() * 2, nullptr) < 0) break;
            std::lock_guard<std::mutex> lock(s->mutex);
            s->samples.insert(s->samples.end(), block.begin(), block.end());
        }
    });
}

MonitorRecorder::~MonitorRecorder() {
    stop();
    if (m_state->stream) pa_simple_free(m_state->stream);
    delete m_state;
}

bool MonitorRecorder::started() const {
    return m_state->stream != nullptr;
}

size_t MonitorRecorder::frames() const {
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->samples.size() / 2;
}

std::vector<int16_t> MonitorRecorder::stop() {
    m_state->stop.store(true);
    if (m_state->thread.joinable()) m_state->thread.join();
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->samples;
}

} // namespace fxtest
