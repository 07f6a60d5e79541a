// The lyric parse: header labels, time tags in seconds, shared lines, sorting, odd files.
#include "lyrics/lyric_parser.h"
#include "reference_parser.h"

#include <QRandomGenerator>
#include <QStringList>
#include <gtest/gtest.h>
#include <set>

namespace {

QStringList displayLines(const LyricParseResult &r) {
    return r.displayText.split(QLatin1Char('\n'));
}

TEST(LyricParser, FiveLineExampleGivesEightDisplayLines) {
    const QString file = QStringLiteral("[ti:Song]\r\n[ar:Singer]\r\n[offset:500]\r\n"
                                        "[00:05.50]Two\r\n[00:01.00][00:09.00]One\r\n");
    const LyricParseResult r = LyricParser::load(file);
    EXPECT_TRUE(r.sorted);
    EXPECT_EQ(r.offsetMs, 500);
    EXPECT_EQ(r.timeTagCount, 3);
    EXPECT_EQ(r.displayText, QStringLiteral("\n标题：Song \n艺人：Singer \n时间补偿：500毫秒 \n"
                                            "[1.0]One\n[5.5]Two\n[9.0]One\n\n"));
    // The eight display lines of the box (the last line end closes the last, empty, line).
    QStringList shown = displayLines(r);
    shown.removeLast();
    EXPECT_EQ(shown.size(), 8);
}

TEST(LyricParser, BareLfAndLoneCrReadLikeCrLf) {
    const QString crlf = QStringLiteral("[ti:A]\r\n[00:02.00]two\r\n[00:01.00]one\r\n");
    QString lf = crlf;
    lf.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    QString cr = crlf;
    cr.replace(QLatin1String("\r\n"), QLatin1String("\r"));
    const QString expected = LyricParser::load(crlf).displayText;
    EXPECT_EQ(LyricParser::load(lf).displayText, expected);
    EXPECT_EQ(LyricParser::load(cr).displayText, expected);
    EXPECT_EQ(expected, QStringLiteral("\n标题：A \n[1.0]one\n[2.0]two\n\n"));
}

struct Case {
    const char *name;
    QString file;
    QString display;
    int offset;
    int count;
    bool sorted;
};

TEST(LyricParser, OddFiles) {
    const Case cases[] = {
        {"unsorted tags are sorted by time",
         QStringLiteral("[01:00.00]c\n[00:30.00]b\n[00:00.50]a\n"),
         QStringLiteral("\n[0.5]a\n[30.0]b\n[60.0]c\n\n"), 0, 3, true},
        {"several tags before one text",
         QStringLiteral("[00:10.00][00:50.00][01:30]chorus\n[00:20]verse\n"),
         QStringLiteral("\n[10.0]chorus\n[20.0]verse\n[50.0]chorus\n[90.0]chorus\n\n"), 0, 4, true},
        {"mixed-case header is bracket text, upper case is a header",
         QStringLiteral("[Ti:Song]\n[TI:Real]\n[AR:Who]\n[00:01]x\n"),
         QStringLiteral("\n［Ti:Song］ \n标题：Real \n艺人：Who \n[1.0]x\n\n"), 0, 1, true},
        {"all header labels, key and track time",
         QStringLiteral("[al:Album]\n[by:Me]\n[key:xyz]\n[t_time:(03:20)]\n[00:00]t\n"),
         QStringLiteral(
             "\n专辑：Album \n歌词编辑：Me \n*加密编码* \n匹配曲目时间：(03:20) \n[0.0]t\n\n"),
         0, 1, true},
        {"no time tags: normalised text, tags as written, offset still read",
         QStringLiteral("[ti:Plain]\r\n[offset:-250]\r\njust words"),
         QStringLiteral("\n[ti:Plain] \n[offset:-250] \njust words\n"), -250, 0, false},
        {"equal times come out in reverse text order",
         QStringLiteral("[00:05]first\n[00:05]second\n[00:01]zero\n"),
         QStringLiteral("\n[1.0]zero\n[5.0]second\n[5.0]first\n\n"), 0, 3, true},
        {"a tag alone on its line keeps one blank", QStringLiteral("[00:03]\n[00:01]a\n"),
         QStringLiteral("\n[1.0]a\n[3.0] \n\n"), 0, 2, true},
        {"other bracket text becomes full-width", QStringLiteral("[00:01]hello [chorus] world\n"),
         QStringLiteral("\n[1.0]hello ［chorus］ world\n\n"), 0, 1, true},
        {"middle dot becomes a full stop", QStringLiteral("[00:01]a·b\n"),
         QStringLiteral("\n[1.0]a.b\n\n"), 0, 1, true},
        {"seconds-only tags stay as written", QStringLiteral("[12.5]b\n[3]a\n"),
         QStringLiteral("\n[3]a\n[12.5]b\n\n"), 0, 2, true},
        {"minutes without fraction and hundredths after a second colon",
         QStringLiteral("[1:2]a\n[01:02:50]b\n[0:0]c\n"),
         QStringLiteral("\n[0.0]c\n[62.0]a\n[62.5]b\n\n"), 0, 3, true},
        {"the offset nearest the start wins; halves round to even",
         QStringLiteral("[offset:2.5]\n[offset:700]\n[00:01]x\n"),
         QStringLiteral("\n时间补偿：2毫秒 \n时间补偿：700毫秒 \n[1.0]x\n\n"), 2, 1, true},
        {"an unreadable offset is shown as text and the file keeps its timing",
         QStringLiteral("[offset:abc]\n[00:01]x\n"),
         QStringLiteral("\n［offset:abc］ \n[1.0]x\n\n"), 0, 1, true},
        {"text between timed lines is dropped, text after them stays",
         QStringLiteral("intro\n[00:02]b\nnoise\n[00:01]a\n[re:tool]\n"),
         QStringLiteral("\nintro\n[1.0]a\n[2.0]b\n［re:tool］ \n\n"), 0, 2, true},
        {"unreadable minutes are bracket text", QStringLiteral("[:05]a\n[00:01]b\n"),
         QStringLiteral("\n［:05］a\n[1.0]b\n\n"), 0, 1, true},
        {"an empty file", QString(), QStringLiteral("\n\n"), 0, 0, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const LyricParseResult r = LyricParser::load(c.file);
        EXPECT_EQ(r.displayText, c.display);
        EXPECT_EQ(r.offsetMs, c.offset);
        EXPECT_EQ(r.timeTagCount, c.count);
        EXPECT_EQ(r.sorted, c.sorted);
    }
}

// A tag shared by two lines must not add its text to another line of the same time.
TEST(LyricParser, SharedTextGoesOnlyToItsOwnTag) {
    const LyricParseResult r =
        LyricParser::load(QStringLiteral("[00:10][00:50]chorus\n[00:10]other\n"));
    EXPECT_EQ(r.displayText, QStringLiteral("\n[10.0]other\n[10.0]chorus\n[50.0]chorus\n\n"));
}

TEST(LyricParser, LyricTextRangesSkipHeaderLines) {
    const QString text = QStringLiteral("\n标题：A \n[1.0]one\n[2.0]\n[3.0]three\n");
    const auto ranges = LyricParser::lyricTextRanges(text);
    ASSERT_EQ(ranges.size(), 2u);
    EXPECT_EQ(text.mid(ranges[0].start, ranges[0].length), QStringLiteral("one"));
    EXPECT_EQ(text.mid(ranges[1].start, ranges[1].length), QStringLiteral("three"));
}

// Random well-formed files: the linear parser gives exactly the text of the literal
// replace-all procedure.
TEST(LyricParser, MatchesReplaceAllProcedureOnGeneratedFiles) {
    QRandomGenerator rng(20261209);
    const QStringList words = {QStringLiteral("la"),    QStringLiteral("星星"),
                               QStringLiteral(" [oh]"), QStringLiteral("a·b"),
                               QStringLiteral(" "),     QStringLiteral("you & me")};
    const QStringList headers = {QStringLiteral("[ti:T]"),          QStringLiteral("[AR:A]"),
                                 QStringLiteral("[Al:x]"),          QStringLiteral("[offset:-120]"),
                                 QStringLiteral("[KEY:k]"),         QStringLiteral("[by:b]"),
                                 QStringLiteral("[t_time:(1:00)]"), QStringLiteral("[xx]")};
    for (int round = 0; round < 300; ++round) {
        SCOPED_TRACE(round);
        std::set<int> sharedTimes;
        QStringList file;
        const int headerCount = rng.bounded(4);
        for (int i = 0; i < headerCount; ++i)
            file << headers[rng.bounded(headers.size())];
        const int lineCount = rng.bounded(12);
        for (int i = 0; i < lineCount; ++i) {
            const int tagCount = 1 + (rng.bounded(4) == 0 ? rng.bounded(3) : 0);
            QString line;
            for (int t = 0; t < tagCount; ++t) {
                // Shared tags get odd tenths, each once; single tags even tenths, maybe repeated.
                int tenths = 2 * rng.bounded(40);
                if (tagCount > 1) {
                    do
                        tenths = 2 * rng.bounded(400) + 1;
                    while (!sharedTimes.insert(tenths).second);
                }
                const int m = tenths / 600, s = tenths % 600;
                line += rng.bounded(2) ? QString::asprintf("[%02d:%02d.%d0]", m, s / 10, s % 10)
                                       : QString::asprintf("[%d:%d.%d]", m, s / 10, s % 10);
            }
            const int wordCount = rng.bounded(3);
            for (int w = 0; w < wordCount; ++w)
                line += words[rng.bounded(words.size())];
            file << line;
        }
        const QString text =
            file.join(rng.bounded(2) ? QStringLiteral("\r\n") : QStringLiteral("\n"));
        const QString normalised = LyricParser::normalise(text);
        const LyricParseResult fast = LyricParser::parse(normalised);
        const ReferenceParse slow = referenceParse(normalised);
        ASSERT_EQ(fast.displayText, slow.displayText) << qPrintable(text);
        EXPECT_EQ(fast.offsetMs, slow.offsetMs);
        EXPECT_EQ(fast.timeTagCount, slow.timeTagCount);
        EXPECT_EQ(fast.sorted, slow.sorted);
    }
}

TEST(LyricParser, TimeTagContent) {
    EXPECT_TRUE(LyricParser::isTimeTagContent(u"01:23.45"));
    EXPECT_TRUE(LyricParser::isTimeTagContent(u"83.45"));
    EXPECT_TRUE(LyricParser::isTimeTagContent(u"1:2:3"));
    EXPECT_FALSE(LyricParser::isTimeTagContent(u"ti:x"));
    EXPECT_FALSE(LyricParser::isTimeTagContent(u""));
    EXPECT_FALSE(LyricParser::isTimeTagContent(u":"));
}

} // namespace
