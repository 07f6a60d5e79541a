// The real program playing a generated track through libmpv (null audio) with an LRC file
// beside it: --echo-lyrics prints every timed line once, in order, each at the first tick
// whose adjusted position reaches the tenth of a second of its tag; --echo-words prints the
// words of an enhanced LRC file in order as they light.
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

PlayerRun runPlayer(const TempHome &home, const QString &track,
                    const QString &echo = QStringLiteral("--echo-lyrics")) {
    QProcess p;
    p.setProcessEnvironment(PlayerProcess::environment(home));
    p.start(qEnvironmentVariable("LYRAVOX_BIN_DIR") + QStringLiteral("/lyravox"),
            {echo, QStringLiteral("--exit-after-track"), track});
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

TEST(LyricsEcho, WordsLightInOrderAtTheirTimes) {
    TempHome home;
    const QString track = home.file(QStringLiteral("words.wav"));
    ASSERT_TRUE(TestMedia::writeWav(track, 6.0));
    // Both forms, a plain line between them, a word time out of order (raised to the word
    // before it) and a tag without a word.
    home.write(QStringLiteral("words.lrc"),
               "[ti:Words]\r\n[00:00.50]<00:00.50>Sing <00:01.00>a<00:01.30>long<00:01.80>\r\n"
               "[00:02.20]plain line\r\n"
               "[00:03.00]one [00:03.40]two [00:03.20]three [00:04.10][00:04.50]four\r\n");
    const PlayerRun run = runPlayer(home, track, QStringLiteral("--echo-words"));
    ASSERT_TRUE(run.finished);
    struct Expected {
        const char *time;
        const char *word;
    };
    const Expected expected[] = {{"0.5", "Sing"}, {"1.0", "a"},     {"1.3", "long"}, {"3.0", "one"},
                                 {"3.4", "two"},  {"3.4", "three"}, {"4.5", "four"}};
    ASSERT_EQ(run.lines.size(), std::size(expected)) << qPrintable(run.output);
    for (size_t i = 0; i < run.lines.size(); ++i) {
        const Echo &e = run.lines[i];
        SCOPED_TRACE(qPrintable(e.text));
        EXPECT_EQ(e.tag, QLatin1String(expected[i].time));
        EXPECT_EQ(e.text, QString::fromUtf8(expected[i].word));
        // Not before the word's time (the position is printed in hundredths); within a tick
        // after a hit (110 ms) and some room for a loaded machine after it.
        EXPECT_GE(e.position + 0.006, e.tag.toDouble());
        EXPECT_LT(e.position, e.tag.toDouble() + 0.11 + 0.15);
        if (i > 0) {
            EXPECT_GE(e.position, run.lines[i - 1].position);
        }
    }
}

} // namespace
