#pragma once
// The nine fields of the track information dialog, from what the media player reports and what
// the file system says about the file.
#include <QLocale>
#include <QString>
#include <array>

struct TrackInfoSource {
    QString fileName; // FileName of the media player: a path or a stream address
    QString title, author, copyright, description;
    double duration = 0; // seconds
};

namespace TrackInfo {

// "1.00 MB (1,048,576 字节)": megabytes with two decimals and the byte count with the
// locale's digit grouping.
QString sizeText(qint64 bytes, const QLocale &locale);
// Text1 ... Text9 in order; a field that cannot be filled (no file on disk, no such entry)
// is "-".
std::array<QString, 9> fields(const TrackInfoSource &source, const QLocale &locale = QLocale());

} // namespace TrackInfo
