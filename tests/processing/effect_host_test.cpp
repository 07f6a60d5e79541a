// The player's host of the real effect control: a save leaves the UI thread answering, and every
// event carries the id of the action it belongs to, so one of an abandoned action is never taken
// for the next one's.
#include "codec.h"
#include "lyravox/effect.h"
#include "processing/effect_host.h"
#include "processing/processed_copy_job.h"
#include "test_media.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

struct Event {
    int action, code;
};

// Reads the pipe `path` in small pieces with pauses until its writer closes it.
std::thread slowReader(const QString &path, std::atomic<long long> &received) {
    return std::thread([path, &received] {
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
        if (fd < 0) return;
        std::vector<char> piece(64 * 1024);
        for (ssize_t n; (n = ::read(fd, piece.data(), piece.size())) > 0;) {
            received += n;
            std::this_thread::sleep_for(std::chrono::milliseconds(15));
        }
        ::close(fd);
    });
}

class EffectHostTest : public ::testing::Test {
protected:
    EffectHostTest() {
        QObject::connect(&host, &EffectHost::endOfAction, [this](int action, int code) {
            ends.push_back({action, code});
        });
    }
    QString tone(const char *name, double seconds) {
        const QString path = dir.filePath(QLatin1String(name));
        EXPECT_TRUE(TestMedia::writeWav(path, seconds));
        return path;
    }
    // Waits until an end of the action `id` has arrived.
    bool ended(int id) {
        return QTest::qWaitFor(
            [&] {
                for (const Event &e : ends)
                    if (e.action == id) return true;
                return false;
            },
            60000);
    }
    int endsOf(int id) const {
        int n = 0;
        for (const Event &e : ends)
            n += e.action == id;
        return n;
    }

    QTemporaryDir dir;
    EffectHost host;
    std::vector<Event> ends;
};

TEST_F(EffectHostTest, TheWindowAnswersWhileALongSoundIsSaved) {
    const QString wav = tone("long.wav", 30.0);
    ASSERT_EQ(host.inputFileOpen(wav), 0);
    ASSERT_TRUE(ended(host.lastAction()));
    ASSERT_TRUE(host.soundLoaded());

    // A slow reader at the other end of a pipe makes the save take more than a second.
    const QString pipe = dir.filePath(QStringLiteral("slow.pipe"));
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    std::atomic<long long> received{0};
    std::thread reader = slowReader(pipe, received);

    QElapsedTimer clock, sinceTick;
    qint64 longestGap = 0;
    int ticks = 0;
    QTimer timer;
    timer.setInterval(10);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, sinceTick.restart());
        ++ticks;
    });
    QSignalSpy saved(&host, &EffectHost::saved);
    clock.start();
    sinceTick.start();
    timer.start();
    ASSERT_TRUE(host.startSave(pipe));
    EXPECT_TRUE(host.saving());
    EXPECT_FALSE(host.startSave(pipe)) << "one save at a time";
    ASSERT_TRUE(saved.wait(60000));
    const qint64 took = clock.elapsed();
    timer.stop();
    reader.join();

    EXPECT_TRUE(saved.first().at(0).toBool());
    EXPECT_EQ(received.load(), 44 + 30LL * 44100 * 4) << "the whole file went through the pipe";
    EXPECT_GT(took, 1000) << "the reader was not slow enough to tell";
    EXPECT_LT(longestGap, 250) << "the UI thread stood still during the save";
    EXPECT_GT(ticks, took / 40);
    EXPECT_FALSE(host.saving());
}

TEST_F(EffectHostTest, ASaveThatCannotWriteSaysSo) {
    ASSERT_EQ(host.inputFileOpen(tone("short.wav", 1.0)), 0);
    ASSERT_TRUE(ended(host.lastAction()));
    QSignalSpy saved(&host, &EffectHost::saved);
    ASSERT_TRUE(host.startSave(dir.filePath(QStringLiteral("missing/folder/out.wav"))));
    ASSERT_TRUE(saved.wait(10000));
    EXPECT_FALSE(saved.first().at(0).toBool());
}

TEST_F(EffectHostTest, EveryEventCarriesItsOwnActionsId) {
    const QString a = tone("a.wav", 20.0), b = tone("b.wav", 2.0);
    struct Case {
        const char *what;
        bool stopFirstShift; // the first shift is abandoned at once
    };
    const Case cases[] = {{"two shifts in a row", false}, {"a stopped shift, then another", true}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ends.clear();
        // Two loads in a row, the first abandoned: each end goes to its own load.
        ASSERT_EQ(host.inputFileOpen(a), 0);
        const int loadA = host.lastAction();
        ASSERT_TRUE(ended(loadA));
        ASSERT_EQ(host.inputFileOpen(b), 0);
        const int loadB = host.lastAction();
        ASSERT_TRUE(ended(loadB));
        EXPECT_NE(loadA, loadB);
        EXPECT_EQ(endsOf(loadA), 1);
        EXPECT_EQ(endsOf(loadB), 1);

        ASSERT_EQ(host.inputFileOpen(a), 0);
        ASSERT_TRUE(ended(host.lastAction()));
        ASSERT_EQ(host.shifting(2, 2048), 1);
        const int first = host.lastAction();
        if (c.stopFirstShift) host.stopEffect();
        // The second shift starts once the first has let the sound go.
        int second = 0;
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                if (host.shifting(-2, 2048) != 1) return false;
                second = host.lastAction();
                return true;
            },
            60000));
        ASSERT_TRUE(ended(second));
        QTest::qWait(50); // anything late of the first would be here by now
        EXPECT_EQ(endsOf(second), 1);
        if (!c.stopFirstShift) {
            EXPECT_EQ(endsOf(first), 1) << "an end not stopped comes";
        }
        EXPECT_LE(endsOf(first), 1);
        for (const Event &e : ends) {
            EXPECT_NE(e.action, 0) << "an end of nobody's: code " << e.code;
            if (e.action == first || e.action == second) {
                EXPECT_EQ(e.code, LVX_END_SHIFTING);
            }
        }
        // Once the second shift has ended nothing more arrives for the first.
        const auto secondEnd = std::find_if(ends.begin(), ends.end(),
                                            [&](const Event &e) { return e.action == second; });
        EXPECT_TRUE(
            std::none_of(secondEnd, ends.end(), [&](const Event &e) { return e.action == first; }));
    }
}

TEST_F(EffectHostTest, TheKeyShiftJobsBarFollowsTheDecodeAndTheShift) {
    const QString mp3 = dir.filePath(QStringLiteral("song.mp3"));
    ASSERT_TRUE(TestMedia::writeMp3(mp3, 60.0));
    ProcessedCopyJob::Request request;
    request.source = mp3;
    request.output = dir.filePath(QStringLiteral("out.wav"));
    request.tempWav = dir.filePath(QStringLiteral("3.wav"));
    request.shiftMode = 2;
    ProcessedCopyJob job(host, request);
    QList<int> bar;
    int atLoadEnd = -1;
    QObject::connect(&job, &ProcessedCopyJob::progress, [&](int v) { bar << v; });
    QObject::connect(&host, &EffectHost::endOfAction, [&](int, int code) {
        if (code == LVX_END_LOAD) atLoadEnd = bar.size();
    });
    QSignalSpy finished(&job, &ProcessedCopyJob::finished);
    job.start();
    ASSERT_TRUE(finished.wait(60000));
    ASSERT_TRUE(finished.first().at(0).toBool()) << finished.first().at(1).toString().toStdString();
    ASSERT_GT(atLoadEnd, 0);
    EXPECT_TRUE(std::is_sorted(bar.begin(), bar.end()));
    // The decode moves the bar on its own; the shift, the longest step, moves the most of it.
    EXPECT_GE(atLoadEnd, 5) << "the decode's steps";
    EXPECT_LE(bar[atLoadEnd - 1], 40) << "the bar when the shift starts";
    EXPECT_GE(bar.size() - atLoadEnd, 10) << "the shift's steps";
    EXPECT_GE(bar.last() - bar[atLoadEnd - 1], 45);
}

TEST_F(EffectHostTest, AnAbandonedJobsSaveRunsOutAndTheNextJobWaitsForIt) {
    const QString pipe = dir.filePath(QStringLiteral("slow.pipe"));
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    std::atomic<long long> received{0};
    std::thread reader = slowReader(pipe, received);
    ProcessedCopyJob::Request first;
    first.source = tone("first.wav", 20.0);
    first.output = pipe;
    first.tempWav = dir.filePath(QStringLiteral("3a.wav"));
    first.shiftMode = 1;
    auto abandoned = std::make_unique<ProcessedCopyJob>(host, first);
    abandoned->start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return host.saving(); }, 60000));
    abandoned.reset();

    ProcessedCopyJob::Request next = first;
    next.source = tone("next.wav", 2.0);
    next.output = dir.filePath(QStringLiteral("next-out.wav"));
    next.tempWav = dir.filePath(QStringLiteral("3b.wav"));
    ProcessedCopyJob job(host, next);
    QSignalSpy finished(&job, &ProcessedCopyJob::finished);
    job.start();
    EXPECT_TRUE(host.saving()) << "the copy is still being written when the next job starts";
    ASSERT_TRUE(finished.wait(60000));
    reader.join();
    EXPECT_TRUE(finished.first().at(0).toBool()) << finished.first().at(1).toString().toStdString();
    EXPECT_EQ(received.load(), 44 + 20LL * 44100 * 4) << "the abandoned copy was written whole";
    codec::WavInfo info;
    ASSERT_TRUE(codec::wavInfo(QFile::encodeName(next.output).toStdString(), info));
    EXPECT_EQ(info.frames, 2LL * 44100) << "the next job shifted its own sound";
}

TEST_F(EffectHostTest, ARefusedActionHasNoId) {
    QFile broken(dir.filePath(QStringLiteral("broken.wav")));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("not a sound at all");
    broken.close();
    EXPECT_NE(host.inputFileOpen(broken.fileName()), 0);
    EXPECT_EQ(host.lastAction(), 0);
    EXPECT_NE(host.inputFileOpen(dir.filePath(QStringLiteral("nothing.wav"))), 0);
    EXPECT_EQ(host.lastAction(), 0);
}

} // namespace
