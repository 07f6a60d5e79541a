#include "recording/take_file.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QtEndian>

namespace TakeFile {

QString proposedName(const QDateTime &when) {
    return QStringLiteral("Rec") + when.toString(QStringLiteral("yyMMddhhmmss"));
}

QString savePath(const QString &chosen) {
    QString path = chosen;
    const QString ext = QStringLiteral(".wav");
    const int slash = int(path.lastIndexOf(QLatin1Char('/')));
    while (path.endsWith(ext) && path.size() - int(ext.size()) > slash + 1)
        path.chop(ext.size());
    return path + ext;
}

namespace {
void put32(QByteArray &b, uint32_t v) {
    char c[4];
    qToLittleEndian<quint32>(v, c);
    b.append(c, 4);
}
void put16(QByteArray &b, uint16_t v) {
    char c[2];
    qToLittleEndian<quint16>(v, c);
    b.append(c, 2);
}
} // namespace

QByteArray wavHeader(const AudioFormat &format, uint32_t dataBytes) {
    QByteArray h;
    h.reserve(44);
    h.append("RIFF", 4);
    put32(h, 36 + dataBytes);
    h.append("WAVEfmt ", 8);
    put32(h, 16);
    put16(h, 1);
    put16(h, uint16_t(format.channels));
    put32(h, uint32_t(format.rate));
    put32(h, uint32_t(format.bytesPerSecond()));
    put16(h, uint16_t(format.blockAlign()));
    put16(h, uint16_t(format.bits));
    h.append("data", 4);
    put32(h, dataBytes);
    return h;
}

bool writeWav(const QString &path, const AudioFormat &format, const char *data, size_t bytes) {
    if (bytes > 0xFFFFFFFFu - 36) return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    const QByteArray header = wavHeader(format, uint32_t(bytes));
    if (file.write(header) != header.size()) return false;
    if (bytes > 0 && file.write(data, qint64(bytes)) != qint64(bytes)) return false;
    return file.commit();
}

} // namespace TakeFile

bool TakeSpool::open(const QString &tempFolder, const AudioFormat &format, const QString &name) {
    discard();
    QDir().mkpath(tempFolder);
    m_file.setFileName(tempFolder + QLatin1Char('/') + name);
    m_format = format;
    m_written = 0;
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    return m_file.write(TakeFile::wavHeader(format, 0)) == 44 && m_file.flush();
}

bool TakeSpool::append(const char *data, size_t upTo) {
    if (!m_file.isOpen() || upTo <= m_written) return m_file.isOpen();
    const qint64 n = qint64(upTo - m_written);
    if (!m_file.seek(44 + qint64(m_written)) || m_file.write(data + m_written, n) != n)
        return false;
    m_written = upTo;
    // The header keeps its zero sizes: recoverOrphan mends them from the file's length.
    return m_file.flush();
}

void TakeSpool::discard() {
    if (!m_file.fileName().isEmpty()) {
        m_file.close();
        QFile::remove(m_file.fileName());
        m_file.setFileName(QString());
    }
    m_written = 0;
}

QString TakeSpool::recoverOrphan(const QString &tempFolder, const QString &takesFolder) {
    const QString path = tempFolder + QLatin1Char('/') + fileName();
    QFile spool(path);
    if (!spool.exists()) return QString();
    if (!spool.open(QIODevice::ReadWrite)) return QString();
    const QByteArray header = spool.read(44);
    const qint64 data = spool.size() - 44;
    const bool wav = header.size() == 44 && header.startsWith("RIFF") && header.mid(8, 4) == "WAVE";
    const uint16_t blockAlign = wav ? qFromLittleEndian<quint16>(header.constData() + 32) : 0;
    const qint64 frames = blockAlign > 0 && data > 0 ? data / blockAlign : 0;
    if (frames == 0 || data > qint64(0xFFFFFFFFu - 36)) {
        spool.close();
        spool.remove();
        return QString();
    }
    const qint64 bytes = frames * blockAlign;
    // The sizes the dead player could not write any more, from what reached the disk.
    QByteArray fixed = header;
    qToLittleEndian<quint32>(quint32(36 + bytes), fixed.data() + 4);
    qToLittleEndian<quint32>(quint32(bytes), fixed.data() + 40);
    const bool ok = spool.seek(0) && spool.write(fixed) == 44 && spool.resize(44 + bytes);
    const QDateTime when = QFileInfo(spool).lastModified();
    spool.close();
    if (!ok || !QDir().mkpath(takesFolder)) return QString();
    QString target =
        takesFolder + QLatin1Char('/') + TakeFile::proposedName(when) + QStringLiteral(".wav");
    for (int k = 2; QFile::exists(target); ++k)
        target = takesFolder + QLatin1Char('/') + TakeFile::proposedName(when) +
                 QStringLiteral("-%1.wav").arg(k);
    return QFile::rename(path, target) ? target : QString();
}
