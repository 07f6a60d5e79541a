// Take spools between processes: a second player neither moves nor removes a spool that a live
// one records into (its recovery and its TEMP clean-up at exit), and once that recorder is
// killed with SIGKILL the next start recovers everything it had appended.
#include "platform/app_paths.h"
#include "recording/take_file.h"
#include "temp_home.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QtEndian>
#include <csignal>
#include <gtest/gtest.h>

namespace {

// The last "written N" line the holder printed so far.
size_t lastWritten(QProcess &holder, size_t previous) {
    holder.waitForReadyRead(200);
    size_t last = previous;
    for (const QByteArray &line : holder.readAllStandardOutput().split('\n'))
        if (line.startsWith("written ")) last = line.mid(8).toULongLong();
    return last;
}

TEST(TakeSpoolProcesses, ASecondPlayerLeavesALiveSpoolAloneAndRecoversItAfterAKill) {
    TempHome home;
    const AppPaths paths = home.paths();
    paths.createFolders();
    const QString takes = paths.file(QStringLiteral("takes"));
    QProcess holder;
    holder.start(QStringLiteral(TAKE_SPOOL_HOLDER), {paths.temp()});
    ASSERT_TRUE(holder.waitForStarted(5000));
    size_t written = 0;
    for (int i = 0; i < 100 && written < 176400; ++i)
        written = lastWritten(holder, written);
    ASSERT_GE(written, 176400u) << "a second of take";
    const QStringList live = QDir(TakeSpool::folder(paths.temp())).entryList(QDir::Files);
    ASSERT_EQ(live.size(), 1);

    // The second player starts (recovery) and exits (TEMP emptied) while the first records.
    EXPECT_TRUE(TakeSpool::recoverOrphans(paths.temp(), takes).isEmpty());
    paths.emptyTemp();
    EXPECT_EQ(QDir(TakeSpool::folder(paths.temp())).entryList(QDir::Files), live);
    EXPECT_FALSE(QDir(takes).exists() && !QDir(takes).isEmpty());
    const size_t before = written;
    for (int i = 0; i < 50 && written < before + 17640; ++i)
        written = lastWritten(holder, written);
    EXPECT_GT(written, before) << "the first player goes on recording";

    ::kill(pid_t(holder.processId()), SIGKILL);
    ASSERT_TRUE(holder.waitForFinished(5000));
    written = lastWritten(holder, written);
    const QStringList kept = TakeSpool::recoverOrphans(paths.temp(), takes);
    ASSERT_EQ(kept.size(), 1);
    QFile take(kept[0]);
    ASSERT_TRUE(take.open(QIODevice::ReadOnly));
    const QByteArray bytes = take.readAll();
    // Everything the killed process had appended (its last print may trail its last append).
    ASSERT_GE(size_t(bytes.size()), 44 + written);
    ASSERT_LE(size_t(bytes.size()), 44 + written + 17640);
    EXPECT_EQ(qFromLittleEndian<quint32>(bytes.constData() + 40), quint32(bytes.size() - 44));
    const auto *samples = reinterpret_cast<const int16_t *>(bytes.constData() + 44);
    const size_t count = size_t(bytes.size() - 44) / 2;
    size_t wrong = 0;
    for (size_t k = 0; k < count; ++k)
        wrong += samples[k] != int16_t(k);
    EXPECT_EQ(wrong, 0u);
    EXPECT_TRUE(QDir(TakeSpool::folder(paths.temp())).entryList(QDir::Files).isEmpty());
}

} // namespace
