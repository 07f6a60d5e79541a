#include "platform/text_file.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

namespace TextFile {

QString decode(const QByteArray &bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError()) {
        if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
        return text;
    }
    QStringDecoder gb("GB18030");
    if (gb.isValid()) return gb.decode(bytes);
    return QString::fromLatin1(bytes);
}

std::optional<QByteArray> readBytes(const QString &path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return std::nullopt;
    if (!f.isSequential() && f.size() > kMaxBytes) return std::nullopt;
    // A pipe or device tells no size: read one byte past the limit to know. A file is read at
    // its own size (the buffer asked for is allocated whole).
    QByteArray bytes = f.read(f.isSequential() ? kMaxBytes + 1 : f.size() + 1);
    if (f.error() != QFileDevice::NoError || bytes.size() > kMaxBytes) return std::nullopt;
    return bytes;
}

std::optional<QString> read(const QString &path) {
    const std::optional<QByteArray> bytes = readBytes(path);
    if (!bytes) return std::nullopt;
    return decode(*bytes);
}

QStringList splitLines(const QString &text) {
    QStringList lines;
    const qsizetype n = text.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            lines << text.mid(start, i - start);
            if (c == QLatin1Char('\r') && i + 1 < n && text.at(i + 1) == QLatin1Char('\n')) ++i;
            start = i + 1;
        }
    }
    if (start < n) lines << text.mid(start);
    return lines;
}

bool writeBytes(const QString &path, const QByteArray &bytes) {
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return false;
    if (f.write(bytes) != bytes.size()) {
        f.cancelWriting();
        return false;
    }
    return f.commit();
}

bool write(const QString &path, const QString &text) {
    return writeBytes(path, text.toUtf8());
}

bool writeLines(const QString &path, const QStringList &lines) {
    QByteArray bytes;
    for (const QString &line : lines) {
        bytes += line.toUtf8();
        bytes += "\r\n";
    }
    return writeBytes(path, bytes);
}

} // namespace TextFile
