#include "playlist/playlist_file.h"

#include "platform/text_file.h"

#include <QDir>
#include <QFileInfo>
#include <cmath>
#include <limits>

namespace PlaylistFile {

namespace {

const QChar kQuote = QLatin1Char('"');
const QChar kIndexMark = QLatin1Char('>');

// The index line's value: an integer, or a decimal number rounded to the nearest integer;
// values beyond the 32-bit range are clamped. Anything else is no index.
std::optional<int> indexValue(QString text) {
    text.remove(kIndexMark);
    text = text.trimmed();
    if (text.isEmpty()) return std::nullopt;
    bool ok = false;
    const int whole = text.toInt(&ok);
    if (ok) return whole;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value)) return std::nullopt;
    if (value >= double(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
    if (value <= double(std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
    return int(std::lround(value));
}

bool isBlank(const QString &line) {
    for (QChar c : line)
        if (!c.isSpace()) return false;
    return true;
}

} // namespace

bool isAddress(const QString &item) {
    // A scheme of two or more characters before "://" ("C:" is a drive, not a scheme).
    const int colon = int(item.indexOf(QLatin1String("://")));
    if (colon < 2) return false;
    if (!item.at(0).isLetter() || item.at(0).unicode() > 0x7f) return false;
    for (int i = 1; i < colon; ++i) {
        const QChar c = item.at(i);
        const bool ok = (c.unicode() < 0x80 && c.isLetterOrNumber()) || c == QLatin1Char('+') ||
                        c == QLatin1Char('-') || c == QLatin1Char('.');
        if (!ok) return false;
    }
    return true;
}

QString resolve(const QString &item, const QString &folder) {
    if (folder.isEmpty() || item.isEmpty() || isAddress(item)) return item;
    // Absolute here, or written for another system ("C:\...", "\\server\..."), or relative to
    // the user's home: nothing in the list's folder can make them right, so they stay.
    if (item.startsWith(QLatin1Char('/')) || item.startsWith(QLatin1Char('\\')) ||
        item.startsWith(QLatin1Char('~')))
        return item;
    if (item.size() >= 2 && item.at(1) == QLatin1Char(':') && item.at(0).unicode() < 0x80 &&
        item.at(0).isLetter())
        return item;
    return QDir::cleanPath(folder + QLatin1Char('/') + item);
}

Contents parseText(const QString &text, const QString &baseFolder) {
    Contents contents;
    const QStringList lines = TextFile::splitLines(text);
    contents.items.reserve(lines.size());
    bool first = true;
    for (QString line : lines) {
        if (first && line.startsWith(QChar(0xfeff))) line.remove(0, 1);
        first = false;
        line.remove(kQuote);
        // A line of blanks is as empty as an empty one: it names no file.
        if (line.isEmpty() || isBlank(line)) continue;
        const QChar lead = line.at(0);
        if (lead == QLatin1Char('#')) continue;
        if (lead == kIndexMark) {
            if (std::optional<int> value = indexValue(line)) contents.index = value;
            continue;
        }
        contents.items.append(resolve(line, baseFolder));
    }
    return contents;
}

Contents parse(const QByteArray &bytes, const QString &baseFolder) {
    return parseText(TextFile::decode(bytes), baseFolder);
}

std::optional<Contents> read(const QString &path) {
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile()) return std::nullopt;
    std::optional<QString> text = TextFile::read(path);
    if (!text) return std::nullopt;
    return parseText(*text, info.absolutePath());
}

QByteArray format(const QStringList &items, std::optional<int> index) {
    QString text;
    qsizetype size = 16;
    for (const QString &item : items)
        size += item.size() + 4;
    text.reserve(size);
    const QLatin1String lineEnd("\r\n");
    if (index) {
        text += kQuote;
        text += kIndexMark;
        text += QString::number(*index);
        text += kQuote;
        text += lineEnd;
    }
    for (const QString &item : items) {
        text += kQuote;
        text += item;
        text += kQuote;
        text += lineEnd;
    }
    return text.toUtf8();
}

bool write(const QString &path, const QStringList &items, std::optional<int> index) {
    return TextFile::writeBytes(path, format(items, index));
}

bool appendItem(const QString &path, const QString &item) {
    // Re-encoding the old lines keeps a GB18030 file readable after a UTF-8 line is added.
    QStringList lines;
    if (std::optional<QString> old = TextFile::read(path)) lines = TextFile::splitLines(*old);
    lines.append(kQuote + item + kQuote);
    return TextFile::writeLines(path, lines);
}

bool isListFile(const QString &path) {
    return path.endsWith(QLatin1String(".lvx"), Qt::CaseInsensitive) ||
           path.endsWith(QLatin1String(".m3u"), Qt::CaseInsensitive);
}

QString exportName(const QString &chosen) {
    const int slash = chosen.lastIndexOf(QLatin1Char('/'));
    const QString folder = chosen.left(slash + 1);
    QString name = chosen.mid(slash + 1);
    name.remove(QLatin1String(".lvx"), Qt::CaseSensitive);
    return folder + name + QLatin1String(".lvx");
}

} // namespace PlaylistFile
