#include "effect_settings.h"

#include <cctype>
#include <cstdlib>
#include <fstream>

namespace lvx::fx {
namespace {

std::string trim(const std::string &s) {
    size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b])))
        ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1])))
        --e;
    return s.substr(b, e - b);
}

bool sameText(const std::string &a, const char *b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return i == a.size() && !b[i];
}

// Like the profile functions: leading digits of the value, an optional sign; no digits is 0.
int64_t profileInt(const std::string &value) {
    const char *p = value.c_str();
    bool negative = false;
    if (*p == '-' || *p == '+') negative = *p++ == '-';
    int64_t v = 0;
    while (std::isdigit(static_cast<unsigned char>(*p)) && v < (int64_t(1) << 40))
        v = v * 10 + (*p++ - '0');
    return negative ? -v : v;
}

} // namespace

std::string effectSettingsPath() {
    std::string base;
    if (const char *xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/') {
        base = xdg;
    } else {
        const char *home = std::getenv("HOME");
        base = std::string(home ? home : "") + "/.config";
    }
    return base + "/lyravox/effect.ini";
}

EffectSettings readEffectSettings(const std::string &path,
                                  const std::function<int()> &countDevices) {
    int64_t bufferSize = 1024;
    int64_t device = 0;
    std::ifstream in(path);
    std::string line, section;
    while (std::getline(in, line)) {
        line = trim(line);
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line.front() == '[') {
            const size_t close = line.find(']');
            section = trim(line.substr(1, close == std::string::npos ? line.npos : close - 1));
            continue;
        }
        const size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = trim(line.substr(0, eq));
        const std::string value = trim(line.substr(eq + 1));
        if (sameText(section, "BUFFER SIZES") && sameText(key, "File_Playback"))
            bufferSize = profileInt(value);
        else if (sameText(section, "RTDSP") && sameText(key, "Output_Device"))
            device = profileInt(value);
    }

    EffectSettings s;
    const bool powerOfTwo = bufferSize > 0 && (bufferSize & (bufferSize - 1)) == 0;
    s.filePlaybackSize = powerOfTwo && bufferSize >= 256 && bufferSize <= 32768
                             ? static_cast<int32_t>(bufferSize)
                             : 1024;
    // Compared as unsigned, so a negative number is out of range too.
    if (device > 0 && device < countDevices()) s.outputDevice = static_cast<int32_t>(device);
    return s;
}

} // namespace lvx::fx
