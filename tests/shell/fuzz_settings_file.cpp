// Any bytes as SetLog.ini: never a crash, and what is read writes back as a well-formed line.
#include "shell/settings.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    Settings s;
    SettingsFile::parse(QByteArray(reinterpret_cast<const char *>(data), int(size)), s);
    const QByteArray line = SettingsFile::format(s);
    if (!line.endsWith("\r\n")) std::abort();
    Settings again;
    SettingsFile::parse(line, again);
    if (SettingsFile::format(again) != line && !s.SkinFile.contains(QLatin1Char('"'))) std::abort();
    return 0;
}
