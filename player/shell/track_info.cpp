#include "shell/track_info.h"

#include <QDateTime>
#include <QFileInfo>

namespace TrackInfo {

QString sizeText(qint64 bytes, const QLocale &locale) {
    QLocale plain = locale;
    plain.setNumberOptions(QLocale::OmitGroupSeparator);
    return plain.toString(double(bytes) / 1048576.0, 'f', 2) + QStringLiteral(" MB (") +
           locale.toString(bytes) + QStringLiteral(" 字节)");
}

std::array<QString, 9> fields(const TrackInfoSource &source, const QLocale &locale) {
    std::array<QString, 9> f;
    f[0] = source.fileName;
    f[1] = source.title;
    f[2] = source.author;
    f[3] = source.copyright;
    f[4] = QString::number(source.duration, 'g', 15) + QStringLiteral(" 秒");
    // Size and dates only for a file on disk; a stream address has none.
    const QFileInfo file(source.fileName);
    if (!source.fileName.isEmpty() && file.isFile()) {
        f[5] = sizeText(file.size(), locale);
        const QDateTime created = file.birthTime();
        if (created.isValid()) f[6] = locale.toString(created, QLocale::ShortFormat);
        const QDateTime modified = file.lastModified();
        if (modified.isValid()) f[7] = locale.toString(modified, QLocale::ShortFormat);
    }
    f[8] = source.description;
    for (QString &text : f)
        if (text.isEmpty()) text = QStringLiteral("-");
    return f;
}

} // namespace TrackInfo
