#include "recording/take_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QtEndian>

#include <algorithm>
#include <atomic>
#include <sys/file.h>

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

namespace {

// The notes of takes keep() moved at exit, for the next start's message.
QString notesPath(const QString &tempFolder) {
    return TakeSpool::folder(tempFolder) + QStringLiteral("/kept.txt");
}

// Held until the file is closed, or the process ends; never waits.
bool lockExclusive(QFile &file) {
    return ::flock(file.handle(), LOCK_EX | LOCK_NB) == 0;
}

QString freeTarget(const QString &takesFolder, const QDateTime &when) {
    const QString base = takesFolder + QLatin1Char('/') + TakeFile::proposedName(when);
    QString target = base + QStringLiteral(".wav");
    for (int k = 2; QFile::exists(target); ++k)
        target = base + QStringLiteral("-%1.wav").arg(k);
    return target;
}

bool writeAt(QFile &file, qint64 at, const char *data, qint64 n) {
    return file.seek(at) && file.write(data, n) == n;
}

bool writeSizes(QFile &file, uint32_t dataBytes) {
    char riff[4], data[4];
    qToLittleEndian<quint32>(36 + dataBytes, riff);
    qToLittleEndian<quint32>(dataBytes, data);
    return writeAt(file, 4, riff, 4) && writeAt(file, 40, data, 4);
}

// A spool of a dead player, open and locked: its sizes from its length, cut to whole frames.
// False when it holds no frames of a WAV take.
bool mendOrphan(QFile &spool) {
    const QByteArray header = spool.read(44);
    const qint64 data = spool.size() - 44;
    const bool wav = header.size() == 44 && header.startsWith("RIFF") && header.mid(8, 4) == "WAVE";
    const uint16_t blockAlign = wav ? qFromLittleEndian<quint16>(header.constData() + 32) : 0;
    const qint64 frames = blockAlign > 0 && data > 0 ? data / blockAlign : 0;
    if (frames == 0 || data > qint64(0xFFFFFFFFu - 36)) return false;
    const qint64 bytes = frames * blockAlign;
    return writeSizes(spool, uint32_t(bytes)) && spool.resize(44 + bytes) && spool.flush();
}

} // namespace

bool TakeSpool::open(const QString &tempFolder, const AudioFormat &format, const QString &kind) {
    discard();
    const QString dir = folder(tempFolder);
    QDir().mkpath(dir);
    static std::atomic<int> serial{0};
    m_file.setFileName(dir + QStringLiteral("/%1-%2-%3-%4.wav")
                                 .arg(kind)
                                 .arg(QCoreApplication::applicationPid())
                                 .arg(QDateTime::currentMSecsSinceEpoch())
                                 .arg(++serial));
    m_format = format;
    m_written = 0;
    if (!m_file.open(QIODevice::ReadWrite | QIODevice::NewOnly)) {
        m_file.setFileName(QString());
        return false;
    }
    if (!lockExclusive(m_file) || m_file.write(TakeFile::wavHeader(format, 0)) != 44 ||
        !m_file.flush()) {
        discard();
        return false;
    }
    return true;
}

bool TakeSpool::append(const char *data, size_t upTo) {
    if (!m_file.isOpen() || upTo <= m_written) return m_file.isOpen();
    if (upTo > 0xFFFFFFFFu - 36) return false;
    const qint64 n = qint64(upTo - m_written);
    if (!writeAt(m_file, 44 + qint64(m_written), data + m_written, n)) return false;
    m_written = upTo;
    // Whole frames only in the sizes: a file cut here is a valid WAV file as it stands.
    const size_t align = size_t(std::max(1, m_format.blockAlign()));
    return writeSizes(m_file, uint32_t(m_written - m_written % align)) && m_file.flush();
}

void TakeSpool::discard() {
    if (!m_file.fileName().isEmpty()) {
        m_file.close();
        QFile::remove(m_file.fileName());
        m_file.setFileName(QString());
    }
    m_written = 0;
}

QString TakeSpool::keep(const QString &tempFolder, const QString &takesFolder) {
    const size_t align = size_t(std::max(1, m_format.blockAlign()));
    if (!m_file.isOpen() || m_written < align || !QDir().mkpath(takesFolder)) {
        discard();
        return QString();
    }
    const QString target = freeTarget(takesFolder, QDateTime::currentDateTime());
    const bool ok = m_file.resize(44 + qint64(m_written - m_written % align)) && m_file.flush() &&
                    QFile::rename(m_file.fileName(), target);
    m_file.close();
    m_file.setFileName(QString());
    m_written = 0;
    if (!ok) return QString();
    QFile notes(notesPath(tempFolder));
    if (notes.open(QIODevice::Append)) notes.write(target.toUtf8() + '\n');
    return target;
}

QStringList TakeSpool::keptAtExit(const QString &tempFolder) {
    // Claimed by a rename first, so that two starting players never both report one note.
    const QString claimed =
        notesPath(tempFolder) + QStringLiteral(".%1").arg(QCoreApplication::applicationPid());
    if (!QFile::rename(notesPath(tempFolder), claimed)) return {};
    QFile notes(claimed);
    QStringList kept;
    if (notes.open(QIODevice::ReadOnly))
        for (const QByteArray &line : notes.readAll().split('\n'))
            if (!line.isEmpty() && QFile::exists(QString::fromUtf8(line)))
                kept << QString::fromUtf8(line);
    notes.remove();
    return kept;
}

QStringList TakeSpool::recoverOrphans(const QString &tempFolder, const QString &takesFolder) {
    const QDir dir(folder(tempFolder));
    QStringList kept;
    for (const QString &name : dir.entryList({QStringLiteral("*.wav")}, QDir::Files)) {
        QFile spool(dir.filePath(name));
        if (!spool.open(QIODevice::ReadWrite)) continue;
        if (!lockExclusive(spool)) continue; // a live player records into it
        const QDateTime when = QFileInfo(spool).lastModified();
        // What a dead window captured beside its take is no take of its own.
        if (!name.startsWith(QStringLiteral("take-")) || !mendOrphan(spool)) {
            spool.remove();
            continue;
        }
        // Moved while still locked: no other player can take it in between.
        if (!QDir().mkpath(takesFolder)) continue;
        const QString target = freeTarget(takesFolder, when);
        if (QFile::rename(spool.fileName(), target)) kept << target;
    }
    return kept;
}
