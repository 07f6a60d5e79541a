// Fuzzes the list file reader: any bytes must parse without a fault, and what is read must
// survive a write and a second read unchanged.
#include "playlist/playlist_file.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const PlaylistFile::Contents first = PlaylistFile::parse(bytes, QStringLiteral("/base"));
    for (const QString &item : first.items) {
        if (item.isEmpty() || item.contains(QLatin1Char('"')) || item.contains(QLatin1Char('\r')) ||
            item.contains(QLatin1Char('\n')))
            std::abort();
    }
    const int index = first.index.value_or(-1);
    const PlaylistFile::Contents second =
        PlaylistFile::parse(PlaylistFile::format(first.items, index), QStringLiteral("/base"));
    if (second.items != first.items || second.index != index) std::abort();
    return 0;
}
