#pragma once
// Helpers for the effect control's tests: an instance wrapper over the C interface that
// records the events it is given, sound file builders and a temporary folder.
#include "lyravox/effect.h"

#include <cstdint>
#include <string>
#include <vector>

namespace fxtest {

struct Event {
    int dispid;
    int arg;
    bool operator==(const Event &o) const { return dispid == o.dispid && arg == o.arg; }
};

lvx_variant i2(int16_t v);
lvx_variant i4(int32_t v);
lvx_variant r8(double v);
lvx_variant str(const char *s);

// One control instance. Every event reaching its sink is appended to `events`.
class Fx {
public:
    Fx();
    ~Fx();
    Fx(const Fx &) = delete;
    Fx &operator=(const Fx &) = delete;

    lvx_effect *handle() const { return m_fx; }
    // Calls a method and returns its short (or long) result; fails the test on -1.
    int call(int dispid, std::vector<lvx_variant> args = {});
    int invokeRaw(int dispid, int kind, std::vector<lvx_variant> args, lvx_variant *result);
    bool inAction();

    // Delivers what waits now.
    int deliver();
    // Delivers events until EndOfAction(code) has arrived or `seconds` have passed.
    bool waitForEnd(int code, double seconds = 20.0);
    // ... until `count` EndOfAction(code) have arrived in all.
    bool waitForEnds(int code, size_t count, double seconds = 20.0);
    bool fdReadable(int timeoutMs = 0) const;
    std::vector<int> ends() const;      // EndOfAction codes in arrival order
    std::vector<int> positions() const; // OnActionPosition values in arrival order

    // Loads a file and waits for its EndOfAction(1); returns InputFileOpen's result.
    int load(const std::string &path);

    std::vector<Event> events;

private:
    lvx_effect *m_fx;
};

// Collects the control's messages while it lives (process-wide sink).
class Messages {
public:
    Messages();
    ~Messages();
    std::vector<std::string> texts() const;

private:
    static void onMessage(void *ctx, const char *text);
    struct State;
    State *m_state;
};

// A fresh folder under /tmp, removed afterwards; XDG_CONFIG_HOME points into it meanwhile.
class TempDir {
public:
    TempDir();
    ~TempDir();
    std::string path(const std::string &name) const { return m_path + "/" + name; }

private:
    std::string m_path;
    std::string m_oldConfig;
    bool m_hadConfig;
};

std::vector<uint8_t> readFile(const std::string &path);
// Names in a folder, sorted, without "." and "..".
std::vector<std::string> listFolder(const std::string &path);
void writeFile(const std::string &path, const std::vector<uint8_t> &bytes);

// RIFF WAV file around `data`; `chunksBeforeFmt`/`chunksBeforeData` are inserted verbatim.
std::vector<uint8_t> wavFile(int channels, int bytesPerSample, int rate,
                             const std::vector<uint8_t> &data,
                             const std::vector<uint8_t> &chunksBeforeData = {},
                             const std::vector<uint8_t> &chunksBeforeFmt = {});
std::vector<uint8_t> chunk(const char id[4], const std::vector<uint8_t> &body);
// Sun AU file: header of `offset` bytes (annotation zero-filled), then `data`.
std::vector<uint8_t> auFile(uint32_t encoding, int rate, int channels,
                            const std::vector<uint8_t> &data, uint32_t offset = 24,
                            int64_t declaredSize = -1);
// Deterministic noise, `frames` × channels × bytesPerSample bytes.
std::vector<uint8_t> noise(size_t bytes, uint32_t seed = 1);
// 16-bit little-endian samples as bytes.
std::vector<uint8_t> pcm16(const std::vector<int16_t> &samples);

} // namespace fxtest
