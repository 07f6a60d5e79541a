// lyravox-fx: runs one method of the effect control on a sound file from the shell.
//   lyravox-fx IN OUT METHOD [ARG ...]   load IN, call METHOD, save the result as OUT (WAV)
//   lyravox-fx IN METHOD [ARG ...]       the same without OUT, for a method that leaves the
//                                        sound as it is (GetTotalTime, Average, SaveFromTo ...)
//   lyravox-fx info IN                   print the format of IN
//   lyravox-fx play IN                   play IN on the configured output device
//   lyravox-fx IN OUT RemoveVocals       the voice panned to the centre of a stereo IN
//                                        removed, bass and the sides kept (no effect control)
// IN may also be an MP3 or a WAV of another sample format, OUT an MP3 (by its extension:
// --bitrate BIT/S and --rate HZ set the encoding, 128000 and 44100 by default).
// Only the library's public C interface is used.
#include "codec_files.h"
#include "lyravox/effect.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// What a member's result is: a result code, a plain value, or a value unless it is one of
// the refusals 900 and 903.
enum class Answer { Code, Value, ValueOrRefusal };

struct Member {
    const char *name;
    int dispid;
    const char *args; // s short, l long, f float, d double, S string
    int endCode;      // the EndOfAction that ends its worker, 0 when it runs in the call
    bool changesSound;
    Answer answer = Answer::Code;
    bool savesItself = false; // writes its own file: no OUT
};

// The methods of the dispatch interface, in dispatch order.
const Member kMembers[] = {
    {"InputFileOpen", LVX_DISPID_INPUT_FILE_OPEN, "S", LVX_END_LOAD, true},
    {"Play", LVX_DISPID_PLAY, "", LVX_END_PLAYBACK, false},
    {"InputFileSave", LVX_DISPID_INPUT_FILE_SAVE, "S", 0, false, Answer::Code, true},
    {"Shifting", LVX_DISPID_SHIFTING, "sl", LVX_END_SHIFTING, true},
    {"Echo", LVX_DISPID_ECHO, "ss", LVX_END_ECHO, true},
    {"Reverb", LVX_DISPID_REVERB, "ss", LVX_END_REVERB, true},
    {"Chorus", LVX_DISPID_CHORUS, "ssfssssss", LVX_END_CHORUS, true},
    {"Distortion", LVX_DISPID_DISTORTION, "sssss", LVX_END_DISTORTION, true},
    {"Eq", LVX_DISPID_EQ, "ssssssssss", LVX_END_EQ, true},
    {"Stop", LVX_DISPID_STOP, "", 0, false},
    {"PreView", LVX_DISPID_PRE_VIEW, "s", 0, false},
    {"GetDevParam", LVX_DISPID_GET_DEV_PARAM, "s", 0, false, Answer::Value},
    {"FadeIn", LVX_DISPID_FADE_IN, "s", 0, true},
    {"FadeOut", LVX_DISPID_FADE_OUT, "s", 0, true},
    {"PlayFromTo", LVX_DISPID_PLAY_FROM_TO, "ss", LVX_END_PLAYBACK, false},
    {"SaveFromTo", LVX_DISPID_SAVE_FROM_TO, "Sss", 0, false, Answer::Code, true},
    {"SetVolume", LVX_DISPID_SET_VOLUME, "ss", 0, false},
    {"Invert", LVX_DISPID_INVERT, "", LVX_END_INVERT, true},
    {"Pegel", LVX_DISPID_PEGEL, "d", LVX_END_PEGEL, true},
    {"ReadFromTo", LVX_DISPID_READ_FROM_TO, "ss", LVX_END_LOAD, true},
    {"frequency", LVX_DISPID_FREQUENCY, "d", 0, false, Answer::Value},
    {"GetVersion", LVX_DISPID_GET_VERSION, "", 0, false, Answer::Value},
    {"GetTotalTime", LVX_DISPID_GET_TOTAL_TIME, "", 0, false, Answer::Value},
    // A level in percent, 0 ... 100.
    {"Average", LVX_DISPID_AVERAGE, "", 0, false, Answer::ValueOrRefusal},
    {"CFilter", LVX_DISPID_C_FILTER, "s", LVX_END_C_FILTER, true},
    // The mean the previous run found: in a run of its own, 0.
    {"Amplitude", LVX_DISPID_AMPLITUDE, "", LVX_END_AMPLITUDE, true, Answer::ValueOrRefusal},
    {"StopEffect", LVX_DISPID_STOP_EFFECT, "", 0, false},
    {"AboutBox", LVX_DISPID_ABOUT_BOX, "", 0, false},
};

const Member *findMember(const char *name) {
    for (const Member &m : kMembers)
        if (std::strcmp(m.name, name) == 0) return &m;
    return nullptr;
}

// Seconds a wait for an end event may go without any event before it gives up: no action
// goes that long without a progress report, and a load of the largest sound takes less.
constexpr double kIdleLimitSeconds = 120;
// Beyond the length of what is played.
constexpr double kPlaybackMarginSeconds = 10;

const char *meaning(int code) {
    switch (code) {
    case LVX_E_BUSY:
        return "an action is running";
    case LVX_E_OPEN:
        return "the file cannot be opened";
    case LVX_E_FORMAT:
        return "the file is not a readable WAV or AU file";
    case LVX_E_NOT_LOADED:
        return "no sound is loaded";
    case LVX_E_DEV_ALLOCATED:
        return "the output device is busy";
    case LVX_E_DEV_NO_DRIVER:
        return "no sound server or no such output device";
    case LVX_E_DEV_NO_MEMORY:
        return "not enough memory for the output device";
    case LVX_E_DEV_BAD_FORMAT:
        return "the output device cannot play this format";
    case LVX_E_NOT_PLAYING:
        return "nothing is playing";
    case LVX_E_BEYOND_END:
        return "the end second lies beyond the sound";
    default:
        return "unknown result";
    }
}

void printMessage(void *, const char *text) {
    std::fprintf(stderr, "lyravox-fx: %s\n", text);
}

struct Waiter {
    const char *label = "";
    int endCode = 0;
    bool ended = false;
    bool progressShown = false;
};

void onEvent(void *ctx, int event, int arg) {
    auto *w = static_cast<Waiter *>(ctx);
    if (event == LVX_EVENT_ACTION_POSITION) {
        // One line redrawn on a terminal; every tenth percent on its own line elsewhere.
        if (isatty(STDERR_FILENO)) {
            std::fprintf(stderr, "\r%s: %3d%%", w->label, arg);
            w->progressShown = true;
        } else if (arg % 10 == 0) {
            std::fprintf(stderr, "%s: %d%%\n", w->label, arg);
        }
    } else if (event == LVX_EVENT_END_OF_ACTION && arg == w->endCode) {
        w->ended = true;
    }
}

// One for the whole run: the control fires some events directly, through the sink and
// context it was last given.
Waiter g_waiter;

void expect(const char *label, int endCode) {
    g_waiter = Waiter();
    g_waiter.label = label;
    g_waiter.endCode = endCode;
}

using Clock = std::chrono::steady_clock;

// Delivers events until EndOfAction(endCode) has arrived. Gives up, saying what it waited
// for, after `idleSeconds` without any event or `totalSeconds` in all (0: no total limit).
bool waitFor(lvx_effect *fx, const char *label, int endCode, double idleSeconds,
             double totalSeconds = 0) {
    expect(label, endCode);
    Waiter &w = g_waiter;
    pollfd p{lvx_effect_event_fd(fx), POLLIN, 0};
    const auto start = Clock::now();
    auto lastEvent = start;
    auto seconds = [](Clock::duration d) { return std::chrono::duration<double>(d).count(); };
    bool timedOut = false;
    while (!w.ended) {
        const auto now = Clock::now();
        double left = idleSeconds - seconds(now - lastEvent);
        if (totalSeconds > 0) left = std::min(left, totalSeconds - seconds(now - start));
        if (left <= 0) {
            timedOut = true;
            break;
        }
        const int ready = poll(&p, 1, static_cast<int>(std::ceil(left * 1000)));
        if (ready < 0 && errno != EINTR) break;
        if (lvx_effect_deliver_events(fx, onEvent, &w) > 0) lastEvent = Clock::now();
    }
    if (w.progressShown) std::fputc('\n', stderr);
    if (!w.ended)
        std::fprintf(stderr, "lyravox-fx: %s: no EndOfAction(%d) %s %.0f s\n", label, endCode,
                     timedOut ? "within" : "after", seconds(Clock::now() - start));
    return w.ended;
}

int call(lvx_effect *fx, int dispid, std::vector<lvx_variant> args, lvx_variant &result) {
    result.vt = LVX_EMPTY;
    return lvx_effect_invoke(fx, dispid, LVX_METHOD, args.data(), static_cast<int>(args.size()),
                             &result);
}

lvx_variant text(const char *s) {
    lvx_variant v;
    v.vt = LVX_STR;
    v.v.str = s;
    return v;
}

bool isCode(int value) {
    return value >= LVX_E_BUSY && value <= LVX_E_BEYOND_END;
}

bool failed(const char *what, int code) {
    if (!isCode(code)) return false;
    std::fprintf(stderr, "lyravox-fx: %s: %s (%d)\n", what, meaning(code), code);
    return true;
}

// Whether a member's result says it failed; the reason is printed.
bool memberFailed(const Member &m, int result) {
    switch (m.answer) {
    case Answer::Value:
        return false;
    case Answer::ValueOrRefusal:
        return (result == LVX_E_BUSY || result == LVX_E_NOT_LOADED) && failed(m.name, result);
    case Answer::Code:
        // Invert answers 900 while its worker runs, which is how it says "started".
        if (m.dispid == LVX_DISPID_INVERT && result == LVX_E_BUSY) return false;
        return failed(m.name, result);
    }
    return false;
}

bool load(lvx_effect *fx, const char *path) {
    lvx_variant r;
    call(fx, LVX_DISPID_INPUT_FILE_OPEN, {text(path)}, r);
    if (failed(path, r.v.i2)) return false;
    if (!waitFor(fx, "load", LVX_END_LOAD, kIdleLimitSeconds)) return false;
    if (!lvx_effect_get_format(fx, nullptr, nullptr, nullptr, nullptr)) {
        std::fprintf(stderr, "lyravox-fx: %s: %s\n", path, meaning(LVX_E_FORMAT));
        return false;
    }
    return true;
}

// Seconds of sound in `bytes` of the loaded sound's format.
double soundSeconds(lvx_effect *fx, double bytes) {
    int channels = 0, bits = 0;
    int32_t rate = 0;
    if (!lvx_effect_get_format(fx, &channels, &bits, &rate, nullptr) || rate <= 0) return 0;
    return bytes / (double(channels) * (bits / 8) * rate);
}

int32_t soundBytes(lvx_effect *fx) {
    int32_t bytes = 0;
    lvx_effect_get_format(fx, nullptr, nullptr, nullptr, &bytes);
    return bytes;
}

bool parseArg(char type, const char *s, lvx_variant &v) {
    char *end = nullptr;
    errno = 0;
    if (type == 'S') {
        v = text(s);
        return true;
    }
    if (type == 'f' || type == 'd') {
        const double d = std::strtod(s, &end);
        if (type == 'f') {
            v.vt = LVX_R4;
            v.v.r4 = static_cast<float>(d);
        } else {
            v.vt = LVX_R8;
            v.v.r8 = d;
        }
    } else {
        const long n = std::strtol(s, &end, 10);
        const long low = type == 's' ? -32768 : INT32_MIN, high = type == 's' ? 32767 : INT32_MAX;
        if (n < low || n > high) return false;
        if (type == 's') {
            v.vt = LVX_I2;
            v.v.i2 = static_cast<int16_t>(n);
        } else {
            v.vt = LVX_I4;
            v.v.i4 = static_cast<int32_t>(n);
        }
    }
    return errno == 0 && end != s && *end == '\0';
}

int usage() {
    std::fprintf(stderr, "usage: lyravox-fx [--bitrate BIT/S] [--rate HZ] IN OUT METHOD [ARG ...]\n"
                         "       lyravox-fx IN METHOD [ARG ...]   (a method that does not "
                         "change the sound)\n"
                         "       lyravox-fx info IN\n"
                         "       lyravox-fx play IN\n"
                         "       lyravox-fx IN OUT RemoveVocals   (removes the voice from the "
                         "centre of a\n"
                         "                                         stereo sound; bass and the "
                         "sides stay)\n"
                         "methods:");
    for (const Member &m : kMembers)
        std::fprintf(stderr, " %s", m.name);
    std::fputc('\n', stderr);
    return 2;
}

constexpr const char *kRemoveVocals = "RemoveVocals";

CodecFiles g_files;

// Loads `path`, decoding or converting it first when the effect control cannot read it.
bool loadAny(lvx_effect *fx, const char *path) {
    const std::string file = g_files.input(path);
    return !file.empty() && load(fx, file.c_str());
}

int info(lvx_effect *fx, const char *path) {
    if (!loadAny(fx, path)) return 1;
    int channels = 0, bits = 0;
    int32_t rate = 0, bytes = 0;
    lvx_effect_get_format(fx, &channels, &bits, &rate, &bytes);
    lvx_variant r;
    call(fx, LVX_DISPID_GET_TOTAL_TIME, {}, r);
    std::printf("%s: %d channel%s, %d-bit, %d Hz, %d bytes, %d s\n", path, channels,
                channels == 1 ? "" : "s", bits, rate, bytes, r.v.i2);
    return 0;
}

int play(lvx_effect *fx, const char *path) {
    if (!loadAny(fx, path)) return 1;
    lvx_variant r;
    call(fx, LVX_DISPID_PLAY, {}, r);
    if (failed("Play", r.v.i2)) return 1;
    const double limit = soundSeconds(fx, soundBytes(fx)) + kPlaybackMarginSeconds;
    return waitFor(fx, "play", LVX_END_PLAYBACK, limit, limit) ? 0 : 1;
}

// Refuses a save that would write no samples: an empty file is not a result.
bool refuseEmptySave(lvx_effect *fx, const char *file, bool emptyRange = false) {
    if (soundBytes(fx) > 0 && !emptyRange) return false;
    std::fprintf(stderr, "lyravox-fx: %s: no samples to write; nothing saved\n", file);
    return true;
}

// Whether the seconds given to SaveFromTo hold no samples (seconds beyond the sound are the
// method's own error, 909).
bool emptySeconds(const Member &m, const std::vector<lvx_variant> &args) {
    return m.dispid == LVX_DISPID_SAVE_FROM_TO && args[2].v.i2 <= std::max<int>(args[1].v.i2, 0);
}

// Seconds EndOfAction may take to arrive for the member just called with `args`.
double endLimit(lvx_effect *fx, const Member &m, const std::vector<lvx_variant> &args) {
    if (m.dispid == LVX_DISPID_PLAY)
        return soundSeconds(fx, soundBytes(fx)) + kPlaybackMarginSeconds;
    if (m.dispid == LVX_DISPID_PLAY_FROM_TO)
        return std::max(args[1].v.i2 - std::max<int>(args[0].v.i2, 0), 0) + kPlaybackMarginSeconds;
    return kIdleLimitSeconds;
}

// RemoveVocals: the codec library's centre remover, from any input lyravox-fx takes to any
// output it writes.
int removeVocals(int argc, char **argv) {
    if (argc != 4) {
        std::fprintf(stderr, "lyravox-fx: %s takes IN and OUT and no argument\n", kRemoveVocals);
        return 2;
    }
    const std::string in = g_files.input(argv[1]);
    if (in.empty()) return 1;
    const std::string out = g_files.output(argv[2]);
    if (out.empty()) return 1;
    Waiter &w = g_waiter;
    w = Waiter();
    w.label = kRemoveVocals;
    codec::JobControl control;
    control.progress = [](int percent) { onEvent(&g_waiter, LVX_EVENT_ACTION_POSITION, percent); };
    const codec::Result r = codec::removeCentreSpectral(in, out, control);
    if (w.progressShown) std::fputc('\n', stderr);
    if (!r.ok) {
        std::fprintf(stderr, "lyravox-fx: %s: %s\n", kRemoveVocals, r.error.c_str());
        return 1;
    }
    return g_files.finish() ? 0 : 1;
}

int run(lvx_effect *fx, int argc, char **argv) {
    if (argc >= 3 && std::strcmp(argv[2], kRemoveVocals) == 0) {
        std::fprintf(stderr, "lyravox-fx: %s changes the sound: give OUT to save it\n",
                     kRemoveVocals);
        return 2;
    }
    if (argc >= 4 && std::strcmp(argv[3], kRemoveVocals) == 0) return removeVocals(argc, argv);
    // IN OUT METHOD ..., or IN METHOD ... when the second word names a method.
    const char *in = argv[1];
    const char *out = nullptr;
    int first = 3;
    const Member *member = findMember(argv[2]);
    if (!member) {
        if (argc < 4) return usage();
        out = argv[2];
        first = 4;
        member = findMember(argv[3]);
        if (!member) {
            std::fprintf(stderr, "lyravox-fx: unknown method %s\n", argv[3]);
            return usage();
        }
    }
    const char *name = member->name;
    if (out && member->savesItself) {
        std::fprintf(stderr, "lyravox-fx: %s writes its own file: give no OUT\n", name);
        return 2;
    }
    if (!out && member->changesSound) {
        std::fprintf(stderr, "lyravox-fx: %s changes the sound: give OUT to save it\n", name);
        return 2;
    }
    const int nargs = argc - first;
    if (nargs != static_cast<int>(std::strlen(member->args))) {
        std::fprintf(stderr, "lyravox-fx: %s takes %zu argument(s)\n", name,
                     std::strlen(member->args));
        return 2;
    }
    std::vector<lvx_variant> args(nargs);
    for (int i = 0; i < nargs; ++i) {
        if (!parseArg(member->args[i], argv[first + i], args[i])) {
            std::fprintf(stderr, "lyravox-fx: %s: bad argument %s\n", name, argv[first + i]);
            return 2;
        }
    }
    if (!loadAny(fx, in)) return 1;
    if (member->savesItself && refuseEmptySave(fx, args[0].v.str, emptySeconds(*member, args)))
        return 1;

    lvx_variant r;
    expect(name, member->endCode);
    if (call(fx, member->dispid, args, r) != 0) {
        std::fprintf(stderr, "lyravox-fx: %s: invalid arguments\n", name);
        return 2;
    }
    const int result = r.vt == LVX_I2 ? r.v.i2 : r.vt == LVX_I4 ? r.v.i4 : 0;
    if (memberFailed(*member, result)) return 1;
    if (member->endCode != 0) {
        const double limit = endLimit(fx, *member, args);
        const bool playback = member->endCode == LVX_END_PLAYBACK;
        if (!waitFor(fx, name, member->endCode, limit, playback ? limit : 0)) return 1;
    }
    if (member->savesItself) {
        // EndOfAction(8) was posted before the call returned, only if the file is whole.
        expect(name, LVX_END_WAV_WRITTEN);
        lvx_effect_deliver_events(fx, onEvent, &g_waiter);
        if (!g_waiter.ended) {
            std::fprintf(stderr, "lyravox-fx: %s: not written\n", args[0].v.str);
            return 1;
        }
    }
    if (r.vt != LVX_EMPTY && !member->changesSound) std::printf("%s: %d\n", name, result);
    if (!out) return 0;

    if (refuseEmptySave(fx, out)) return 1;
    const std::string saved = g_files.output(out);
    if (saved.empty()) return 1;
    expect("save", LVX_END_WAV_WRITTEN);
    call(fx, LVX_DISPID_INPUT_FILE_SAVE, {text(saved.c_str())}, r);
    if (failed(out, r.v.i2)) return 1;
    lvx_effect_deliver_events(fx, onEvent, &g_waiter);
    if (!g_waiter.ended) {
        std::fprintf(stderr, "lyravox-fx: %s: not written\n", out);
        return 1;
    }
    return g_files.finish() ? 0 : 1;
}

} // namespace

// Takes --bitrate and --rate out of the arguments; false on a bad value.
bool takeOptions(int &argc, char **argv) {
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const bool bitrate = std::strcmp(argv[i], "--bitrate") == 0;
        if ((bitrate || std::strcmp(argv[i], "--rate") == 0)) {
            char *end = nullptr;
            const long value = i + 1 < argc ? std::strtol(argv[i + 1], &end, 10) : 0;
            if (!end || *end != '\0' || value <= 0 || value > 1000000) return false;
            (bitrate ? g_files.options.bitRate : g_files.options.sampleRate) = int(value);
            ++i;
            continue;
        }
        argv[kept++] = argv[i];
    }
    argc = kept;
    return true;
}

int main(int argc, char **argv) {
    if (!takeOptions(argc, argv)) return usage();
    const bool infoOrPlay =
        argc == 3 && (std::strcmp(argv[1], "info") == 0 || std::strcmp(argv[1], "play") == 0);
    if (!infoOrPlay && argc < 3) return usage();
    lvx_effect_set_message_sink(printMessage, nullptr);
    lvx_effect *fx = lvx_effect_create();
    int status;
    if (infoOrPlay)
        status = argv[1][0] == 'i' ? info(fx, argv[2]) : play(fx, argv[2]);
    else
        status = run(fx, argc, argv);
    lvx_effect_destroy(fx);
    return status;
}
