#pragma once
// The player's text files: read as UTF-8 (with or without BOM) when the bytes are valid UTF-8,
// otherwise as GB18030; written as UTF-8 without BOM through a temporary file renamed into place.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

namespace TextFile {

// Files read whole (settings, playlists, lyric files) are never larger than this; a larger
// file is refused rather than read into memory.
constexpr qint64 kMaxBytes = 64 * 1024 * 1024;

// Reads a whole file of at most kMaxBytes; nullopt when it cannot be read or is larger.
std::optional<QByteArray> readBytes(const QString &path);
// Decodes bytes as described above.
QString decode(const QByteArray &bytes);
// Reads and decodes a whole file; nullopt when it cannot be read or is larger than kMaxBytes.
std::optional<QString> read(const QString &path);
// Splits text into lines at CR LF, lone CR or lone LF. A final line end adds no empty line.
QStringList splitLines(const QString &text);
// Writes bytes atomically (temporary file in the same folder, then rename). False on failure;
// the old file is then untouched.
bool writeBytes(const QString &path, const QByteArray &bytes);
// Encodes as UTF-8 and writes atomically.
bool write(const QString &path, const QString &text);
// Joins lines with CR LF after each line and writes atomically.
bool writeLines(const QString &path, const QStringList &lines);

} // namespace TextFile
