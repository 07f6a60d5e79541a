#pragma once
// File names built from other names: Linux file names hold at most 255 bytes of UTF-8.
#include <QString>

namespace FileNames {

constexpr qsizetype kMaxBytes = 255;

// The end of `name`: at most `maxChars` UTF-16 units and at most `maxBytes` bytes in UTF-8,
// never starting inside a character.
QString tail(const QString &name, qsizetype maxChars, qsizetype maxBytes);

} // namespace FileNames
