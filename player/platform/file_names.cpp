#include "platform/file_names.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cstdio>

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

namespace FileNames {

bool replaceFile(const QString &source, const QString &target) {
    // A short name beside the target: the target's own name may already fill 255 bytes.
    const QString partial = QFileInfo(target).absolutePath() + QStringLiteral("/.lyravox-") +
                            QString::number(QRandomGenerator::global()->generate64(), 16) +
                            QStringLiteral(".part");
    QFile::remove(partial);
    if (!QFile::copy(source, partial)) return false;
    if (std::rename(QFile::encodeName(partial).constData(),
                    QFile::encodeName(target).constData()) == 0)
        return true;
    QFile::remove(partial);
    return false;
}

QString unusedName(const QString &folder, const QString &name) {
    const QString first = folder + QLatin1Char('/') + name;
    if (!QFileInfo::exists(first)) return first;
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot > 0 ? name.left(dot) : name;
    const QString ext = dot > 0 ? name.mid(dot) : QString();
    for (int k = 2;; ++k) {
        const QString candidate =
            folder + QLatin1Char('/') + stem + QLatin1Char('_') + QString::number(k) + ext;
        if (!QFileInfo::exists(candidate)) return candidate;
    }
}

} // namespace FileNames
