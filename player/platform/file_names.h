#pragma once
// File names built from other names: Linux file names hold at most 255 bytes of UTF-8.
#include <QString>

namespace FileNames {

constexpr qsizetype kMaxBytes = 255;

// The end of `name`: at most `maxChars` UTF-16 units and at most `maxBytes` bytes in UTF-8,
// never starting inside a character.
QString tail(const QString &name, qsizetype maxChars, qsizetype maxBytes);

// Copies `source` over `target` through a file beside it, so that `target` is replaced in one
// step and stays as it was when the copy fails.
bool replaceFile(const QString &source, const QString &target);

// `folder` + "/" + `name`, or with "_2", "_3" ... before the extension when that file exists.
QString unusedName(const QString &folder, const QString &name);

} // namespace FileNames
