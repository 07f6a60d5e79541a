#include "platform/file_names.h"

namespace FileNames {

namespace {
qsizetype utf8Length(QChar c) {
    const char16_t u = c.unicode();
    if (u < 0x80) return 1;
    if (u < 0x800) return 2;
    if (QChar::isSurrogate(u)) return 2; // half of a four-byte sequence
    return 3;
}
} // namespace

QString tail(const QString &name, qsizetype maxChars, qsizetype maxBytes) {
    qsizetype start = std::max<qsizetype>(0, name.size() - maxChars);
    qsizetype bytes = 0;
    for (qsizetype i = name.size() - 1; i >= start; --i) {
        bytes += utf8Length(name[i]);
        if (bytes > maxBytes) {
            start = i + 1;
            break;
        }
    }
    if (start < name.size() && name[start].isLowSurrogate()) ++start;
    return name.mid(start);
}

} // namespace FileNames
