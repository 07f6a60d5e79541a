// The real program playing a generated track through libmpv (null audio) with an LRC file
// beside it: --echo-lyrics prints every timed line once, in order, each at the first tick
// whose adjusted position reaches the tenth of a second of its tag.
#include "player_process.h"
#include "test_media.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <cmath>
#include <gtest/gtest.h>

namespace {

struct Echo {
    double position;
    QString tag;
    QString text;
};

struct PlayerRun {
    std::vector<Echo> lines;
    QString output;
    bool finished = false;
};

PlayerRun runPlayer(const TempHome &home, const QString &track) {
    QProcess p;
    p.setProcessEnvironment(PlayerProcess::environment(home));
    p.start(qEnvironmentVariable("LYRAVOX_BIN_DIR") + QStringLiteral("/lyravox"),
            {QStringLiteral("--echo-lyrics"), QStringLiteral("--exit-after-track"), track});
    PlayerRun run;
    run.finished = p.waitForFinished(90000);
    if (!run.finished) p.kill();
    run.output = QString::fromUtf8(p.readAllStandardOutput());
    const QStringList lines = run.output.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &line : lines) {
        const QStringList fields = line.split(QLatin1Char('\t'));
        if (fields.size() != 3) continue;
        run.lines.push_back({fields[0].toDouble(), fields[1], fields[2]});
    }
    return run;
}

// The tenth of a second a tag time lies in.
double tenthOf(const QString &tag) {
    return std::floor(tag.toDouble() * 10 + 1e-9) / 10;
}

void expectTimedLines(const PlayerRun &run, const QStringList &tags, const QStringList &texts,
                      double offsetSeconds) {
    ASSERT_TRUE(run.finished);
    ASSERT_EQ(run.lines.size(), size_t(tags.size())) << qPrintable(run.output);
    for (size_t i = 0; i < run.lines.size(); ++i) {
        SCOPED_TRACE(qPrintable(tags[int(i)]));
        const Echo &e = run.lines[i];
        EXPECT_EQ(e.tag, tags[int(i)]);
        EXPECT_EQ(e.text, texts[int(i)]);
        const double adjusted = e.position + offsetSeconds;
        // Never before the tag's tenth; at most one tick (110 ms after a hit) after it, with
        // a little room for a loaded machine.
        EXPECT_GE(adjusted + 1e-6, tenthOf(e.tag));
        EXPECT_LT(adjusted, tenthOf(e.tag) + 0.1 + 0.11 + 0.15);
    }
}

TEST(LyricsEcho, EveryTimedLineInOrderOnTime) {
    TempHome home;
    const QString track = home.file(QStringLiteral("echo.wav"));
    ASSERT_TRUE(TestMedia::writeWav(track, 8.0));
    home.write(QStringLiteral("echo.lrc"),
               "[ti:Echo]\r\n[00:00.50]one\r\n[00:01.25][00:05.05]two\r\n[00:02.00]three\r\n"
               "[00:03.47]\xE5\x9B\x9B\r\n[00:06.90]five\r\n");
    const PlayerRun run = runPlayer(home, track);
    expectTimedLines(run,
                     {QStringLiteral("0.5"), QStringLiteral("1.25"), QStringLiteral("2.0"),
                      QStringLiteral("3.47"), QStringLiteral("5.05"), QStringLiteral("6.9")},
                     {QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three"),
                      QStringLiteral("四"), QStringLiteral("two"), QStringLiteral("five")},
                     0.0);
}

TEST(LyricsEcho, OffsetTagMovesTheLinesEarlier) {
    TempHome home;
    const QString track = home.file(QStringLiteral("offset.wav"));
    ASSERT_TRUE(TestMedia::writeWav(track, 6.0));
    // GBK text and an offset of 700 ms: the lines appear 0.7 s before their tags.
    home.write(QStringLiteral("offset.lrc"),
               "[offset:700]\n[00:01.00]\xD2\xBB\n[00:02.50]\xB6\xFE\n[00:04.00]\xC8\xFD\n");
    const PlayerRun run = runPlayer(home, track);
    expectTimedLines(run, {QStringLiteral("1.0"), QStringLiteral("2.5"), QStringLiteral("4.0")},
                     {QStringLiteral("一"), QStringLiteral("二"), QStringLiteral("三")}, 0.7);
    for (const Echo &e : run.lines)
        EXPECT_LT(e.position, e.tag.toDouble() - 0.35);
}

} // namespace
