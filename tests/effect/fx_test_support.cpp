#include "fx_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <iterator>
#include <mutex>
#include <poll.h>

namespace fxtest {

lvx_variant i2(int16_t v) {
    lvx_variant r;
    r.vt = LVX_I2;
    r.v.i2 = v;
    return r;
}

lvx_variant i4(int32_t v) {
    lvx_variant r;
    r.vt = LVX_I4;
    r.v.i4 = v;
    return r;
}

lvx_variant r8(double v) {
    lvx_variant r;
    r.vt = LVX_R8;
    r.v.r8 = v;
    return r;
}

lvx_variant str(const char *s) {
    lvx_variant r;
    r.vt = LVX_STR;
    r.v.str = s;
    return r;
}

namespace {
void collect(void *ctx, int dispid, int arg) {
    static_cast<Fx *>(ctx)->events.push_back({dispid, arg});
}
} // namespace

Fx::Fx() : m_fx(lvx_effect_create()) {}

Fx::~Fx() {
    lvx_effect_destroy(m_fx);
}

int Fx::invokeRaw(int dispid, int kind, std::vector<lvx_variant> args, lvx_variant *result) {
    return lvx_effect_invoke(m_fx, dispid, kind, args.data(), static_cast<int>(args.size()),
                             result);
}

int Fx::call(int dispid, std::vector<lvx_variant> args) {
    lvx_variant r;
    r.vt = LVX_EMPTY;
    const int status = invokeRaw(dispid, LVX_METHOD, std::move(args), &r);
    EXPECT_EQ(status, 0) << "dispid " << dispid;
    if (r.vt == LVX_I2) return r.v.i2;
    if (r.vt == LVX_I4) return r.v.i4;
    return 0;
}

bool Fx::inAction() {
    lvx_variant r;
    EXPECT_EQ(invokeRaw(LVX_DISPID_IN_ACTION, LVX_PROPGET, {}, &r), 0);
    EXPECT_EQ(r.vt, LVX_BOOL);
    return r.v.b != 0;
}

int Fx::deliver() {
    return lvx_effect_deliver_events(m_fx, collect, this);
}

bool Fx::fdReadable(int timeoutMs) const {
    pollfd p{lvx_effect_event_fd(m_fx), POLLIN, 0};
    return poll(&p, 1, timeoutMs) == 1 && (p.revents & POLLIN);
}

bool Fx::waitForEnd(int code, double seconds) {
    return waitForEnds(code, 1, seconds);
}

bool Fx::waitForEnds(int code, size_t count, double seconds) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(int(seconds * 1000));
    auto seen = [&] {
        const std::vector<int> e = ends();
        return size_t(std::count(e.begin(), e.end(), code)) >= count;
    };
    while (!seen()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        fdReadable(static_cast<int>(std::min<long long>(left.count(), 200)));
        deliver();
    }
    return true;
}

std::vector<int> Fx::ends() const {
    std::vector<int> out;
    for (const Event &e : events)
        if (e.dispid == LVX_EVENT_END_OF_ACTION) out.push_back(e.arg);
    return out;
}

std::vector<int> Fx::positions() const {
    std::vector<int> out;
    for (const Event &e : events)
        if (e.dispid == LVX_EVENT_ACTION_POSITION) out.push_back(e.arg);
    return out;
}

int Fx::load(const std::string &path) {
    const std::vector<int> e = ends();
    const size_t before = size_t(std::count(e.begin(), e.end(), LVX_END_LOAD));
    const int r = call(LVX_DISPID_INPUT_FILE_OPEN, {str(path.c_str())});
    EXPECT_TRUE(waitForEnds(LVX_END_LOAD, before + 1)) << path;
    return r;
}

struct Messages::State {
    std::mutex mutex;
    std::vector<std::string> texts;
};

Messages::Messages() : m_state(new State) {
    lvx_effect_set_message_sink(onMessage, m_state);
}

Messages::~Messages() {
    lvx_effect_set_message_sink(nullptr, nullptr);
    delete m_state;
}

std::vector<std::string> Messages::texts() const {
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->texts;
}

void Messages::onMessage(void *ctx, const char *text) {
    auto *s = static_cast<State *>(ctx);
    std::lock_guard<std::mutex> lock(s->mutex);
    s->texts.emplace_back(text);
}

TempDir::TempDir() {
    char pattern[] = "/tmp/lvxfx-XXXXXX";
    m_path = mkdtemp(pattern);
    const char *old = std::getenv("XDG_CONFIG_HOME");
    m_hadConfig = old != nullptr;
    if (old) m_oldConfig = old;
    setenv("XDG_CONFIG_HOME", path("config").c_str(), 1);
}

TempDir::~TempDir() {
    if (m_hadConfig)
        setenv("XDG_CONFIG_HOME", m_oldConfig.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
    const std::string command = "rm -rf '" + m_path + "'";
    if (std::system(command.c_str()) != 0) ADD_FAILURE() << "could not remove " << m_path;
}

std::vector<uint8_t> readFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> listFolder(const std::string &path) {
    std::vector<std::string> names;
    if (DIR *d = opendir(path.c_str())) {
        while (const dirent *e = readdir(d)) {
            const std::string name = e->d_name;
            if (name != "." && name != "..") names.push_back(name);
        }
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

void writeFile(const std::string &path, const std::vector<uint8_t> &bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
}

namespace {
void put(std::vector<uint8_t> &v, uint32_t value, int bytes, bool bigEndian = false) {
    for (int i = 0; i < bytes; ++i) {
        const int shift = bigEndian ? 8 * (bytes - 1 - i) : 8 * i;
        v.push_back(static_cast<uint8_t>(value >> shift));
    }
}
void put(std::vector<uint8_t> &v, const char *text) {
    v.insert(v.end(), text, text + 4);
}
} // namespace

std::vector<uint8_t> chunk(const char id[4], const std::vector<uint8_t> &body) {
    std::vector<uint8_t> c;
    put(c, id);
    put(c, static_cast<uint32_t>(body.size()), 4);
    c.insert(c.end(), body.begin(), body.end());
    if (body.size() % 2) c.push_back(0);
    return c;
}

std::vector<uint8_t> wavFile(int channels, int bytesPerSample, int rate,
                             const std::vector<uint8_t> &data,
                             const std::vector<uint8_t> &chunksBeforeData,
                             const std::vector<uint8_t> &chunksBeforeFmt) {
    std::vector<uint8_t> fmt;
    put(fmt, 1, 2);
    put(fmt, channels, 2);
    put(fmt, rate, 4);
    put(fmt, rate * channels * bytesPerSample, 4);
    put(fmt, channels * bytesPerSample, 2);
    put(fmt, 8 * bytesPerSample, 2);
    std::vector<uint8_t> body;
    put(body, "WAVE");
    body.insert(body.end(), chunksBeforeFmt.begin(), chunksBeforeFmt.end());
    const auto f = chunk("fmt ", fmt);
    body.insert(body.end(), f.begin(), f.end());
    body.insert(body.end(), chunksBeforeData.begin(), chunksBeforeData.end());
    const auto d = chunk("data", data);
    body.insert(body.end(), d.begin(), d.end());
    std::vector<uint8_t> file;
    put(file, "RIFF");
    put(file, static_cast<uint32_t>(body.size()), 4);
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

std::vector<uint8_t> auFile(uint32_t encoding, int rate, int channels,
                            const std::vector<uint8_t> &data, uint32_t offset,
                            int64_t declaredSize) {
    std::vector<uint8_t> file;
    put(file, ".snd");
    put(file, offset, 4, true);
    put(file, declaredSize < 0 ? uint32_t(data.size()) : uint32_t(declaredSize), 4, true);
    put(file, encoding, 4, true);
    put(file, rate, 4, true);
    put(file, channels, 4, true);
    while (file.size() < offset)
        file.push_back(0);
    file.insert(file.end(), data.begin(), data.end());
    return file;
}

std::vector<uint8_t> noise(size_t bytes, uint32_t seed) {
    std::vector<uint8_t> out(bytes);
    uint32_t x = seed * 2654435761u + 1;
    for (uint8_t &b : out) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<uint8_t>(x >> 7);
    }
    return out;
}

std::vector<uint8_t> pcm16(const std::vector<int16_t> &samples) {
    std::vector<uint8_t> out;
    for (int16_t s : samples)
        put(out, static_cast<uint16_t>(s), 2);
    return out;
}

} // namespace fxtest

// libpulse publishes lazily created mutexes and pooled receive buffers through its own
// atomics, which ThreadSanitizer cannot see into. The same list as tsan.supp, which the
// programs the tests start are given.
extern "C" const char *__tsan_default_suppressions() {
    return "race:pa_mutex_lock\nrace:pa_iochannel_read_with_ancil_data\n";
}
