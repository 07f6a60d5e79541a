// Fuzzes the recovery of a take left in TEMP: any file there must be either removed or kept as
// a WAV file whose sizes match its length, never a fault.
#include "recording/take_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static QTemporaryDir dir;
    const QString temp = dir.path() + QStringLiteral("/TEMP");
    const QString takes = dir.path() + QStringLiteral("/takes");
    QDir().mkpath(TakeSpool::folder(temp));
    QFile spool(TakeSpool::folder(temp) + QStringLiteral("/take-fuzz.wav"));
    if (!spool.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
    spool.write(reinterpret_cast<const char *>(data), qint64(size));
    spool.close();

    const QStringList recovered = TakeSpool::recoverOrphans(temp, takes);
    if (QFile::exists(spool.fileName()) || recovered.size() > 1) std::abort();
    if (recovered.isEmpty()) return 0;
    const QString kept = recovered.front();
    QFile take(kept);
    if (!take.open(QIODevice::ReadOnly)) std::abort();
    const QByteArray b = take.readAll();
    take.close();
    QFile::remove(kept);
    if (b.size() < 44) std::abort();
    const quint32 riff = qFromLittleEndian<quint32>(b.constData() + 4);
    const quint32 bytes = qFromLittleEndian<quint32>(b.constData() + 40);
    const quint16 align = qFromLittleEndian<quint16>(b.constData() + 32);
    if (riff != bytes + 36 || qint64(bytes) + 44 != b.size() || align == 0 || bytes % align != 0)
        std::abort();
    return 0;
}
