#pragma once
// The playlist file formats. A ".lvx" file is one double-quoted value per line, CR LF after
// each: an optional index line ">" + CurrentIndex, then one path or address per item. M3U files
// and the default playlist are read by the same rule: quotes removed, blank lines and "#" lines
// skipped, ">" lines taken as the index line, every other line is an item.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

namespace PlaylistFile {

struct Contents {
    QStringList items;
    // Value of the last index line whose rest (after removing ">") is a number; the index
    // lines themselves never become items.
    std::optional<int> index;
};

// Parses decoded text. When `baseFolder` is not empty, relative paths are resolved against
// it (absolute paths and addresses such as "http://..." stay as written).
Contents parseText(const QString &text, const QString &baseFolder = QString());
// Decodes bytes (UTF-8 or GB18030) and parses them as parseText().
Contents parse(const QByteArray &bytes, const QString &baseFolder = QString());
// Reads a list file, resolving relative paths against its folder; nullopt when it cannot be
// read (missing, a folder, no permission).
std::optional<Contents> read(const QString &path);

// The bytes of a ".lvx" file: the index line when `index` is given, then the items.
QByteArray format(const QStringList &items, std::optional<int> index);
// Writes format() atomically; false when the file cannot be written (the old file then stays).
bool write(const QString &path, const QStringList &items, std::optional<int> index);
// Adds one quoted line at the end of a list file (created when missing). The old lines are
// kept as they are; the file is rewritten as UTF-8 with CR LF, atomically.
bool appendItem(const QString &path, const QString &item);

// True for names ending in ".lvx" or ".m3u", in any case.
bool isListFile(const QString &path);
// The export name: every ".lvx" removed from the chosen file name (case-sensitive), then
// ".lvx" appended, so "a.lvx.lvx" gives "a.lvx" and "c.LVX" gives "c.LVX.lvx". The folder
// part of the path is left alone.
QString exportName(const QString &chosen);
// True when `item` is an address with a scheme ("http://", "mms://", ...).
bool isAddress(const QString &item);
// `item` resolved against `folder` when it is a relative local path, else unchanged.
QString resolve(const QString &item, const QString &folder);

} // namespace PlaylistFile
