// Position keys, the line search of a tick, the late-tick rule and the values each hit sets.
#include "lyrics/lyric_numbers.h"
#include "lyrics/lyric_parser.h"
#include "lyrics/lyric_sync.h"
#include "lyrics/lyric_timeline.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace {

QString display(const char *utf8File) {
    return LyricParser::load(QString::fromUtf8(utf8File)).displayText;
}

TEST(LyricNumbers, PositionKeysAreCutToTenths) {
    EXPECT_EQ(LyricNumbers::positionKey(83.4567), QStringLiteral("83.4"));
    EXPECT_EQ(LyricNumbers::positionKey(83.96), QStringLiteral("83.9"));
    EXPECT_EQ(LyricNumbers::positionKey(7), QStringLiteral("7.0"));
    EXPECT_EQ(LyricNumbers::positionKey(12.0), QStringLiteral("12.0"));
    EXPECT_EQ(LyricNumbers::positionKey(0.00005), QStringLiteral("0.0"));
    EXPECT_EQ(LyricNumbers::positionKey(-0.45), QStringLiteral("-0.4"));
    EXPECT_EQ(LyricNumbers::positionKey(1e16), QStringLiteral("10000000000000000.0"));
    EXPECT_EQ(LyricNumbers::formatSeconds(60 + 23.45), QStringLiteral("83.45"));
    EXPECT_EQ(LyricNumbers::formatSeconds(0.1 + 0.2), QStringLiteral("0.3"));
    EXPECT_EQ(LyricNumbers::tenthsOfKey(u"83.4"), 834);
    EXPECT_EQ(LyricNumbers::tenthsOfKey(u"-0.4"), -4);
    EXPECT_FALSE(LyricNumbers::tenthsOfKey(u"083.4"));
    EXPECT_FALSE(LyricNumbers::tenthsOfKey(u"83.45"));
    EXPECT_EQ(LyricNumbers::toWholeNumber(u"2.5"), 2);
    EXPECT_EQ(LyricNumbers::toWholeNumber(u"3.5"), 4);
    EXPECT_EQ(LyricNumbers::toWholeNumber(u" -150 "), -150);
    EXPECT_FALSE(LyricNumbers::toWholeNumber(u"1e3"));
    EXPECT_FALSE(LyricNumbers::toWholeNumber(u"99999999999"));
}

// The index gives what a search of the text for "[" + key gives, on any text.
TEST(LyricTimeline, KeySearchEqualsTextSearch) {
    QRandomGenerator rng(7);
    const QString alphabet = QStringLiteral("[].0123-\nx");
    for (int round = 0; round < 200; ++round) {
        QString text;
        const int length = rng.bounded(80);
        for (int i = 0; i < length; ++i)
            text += alphabet[rng.bounded(alphabet.size())];
        LyricTimeline timeline;
        timeline.setText(text);
        for (int k = 0; k < 40; ++k) {
            const QString key =
                LyricNumbers::positionKey(rng.bounded(400) / 10.0 - 5.0 + rng.bounded(10) / 100.0);
            const qsizetype expected = text.indexOf(QLatin1Char('[') + key);
            const auto found = timeline.findKey(key);
            ASSERT_EQ(found ? found->tagStart : -1, expected)
                << qPrintable(text) << " key " << qPrintable(key);
        }
    }
}

TEST(LyricTimeline, OnTimeTicks) {
    LyricTimeline t;
    t.setText(display("[00:12.00]a\n[00:12.05]b\n[00:13.45]c\n[00:13.48]d\n[00:20]e\n[00:20]f\n"));
    EXPECT_FALSE(t.tick(11.95));
    auto a = t.tick(12.0); // the position 12.0 exactly has the key 12.0
    ASSERT_TRUE(a);
    EXPECT_EQ(a->text, QStringLiteral("a"));
    EXPECT_EQ(a->tagTime, QStringLiteral("12.0"));
    // [12.05] shares the tenth of [12.0]: the first line of the tenth wins, and the same line
    // is not found twice in one tenth.
    EXPECT_FALSE(t.tick(12.06));
    EXPECT_FALSE(t.tick(12.17));
    auto c = t.tick(13.4);
    ASSERT_TRUE(c);
    EXPECT_EQ(c->text, QStringLiteral("c")); // found before its exact time
    // After the hit the next tick is 110 ms later and reaches 13.5: [13.48] was in the tenth
    // already handled and stays unshown, as with the text search.
    EXPECT_FALSE(t.tick(13.51));
    auto e = t.tick(20.0);
    ASSERT_TRUE(e);
    // Equal times: the first in the display text ("f", the later line of the file).
    EXPECT_EQ(e->text, QStringLiteral("f"));
}

TEST(LyricTimeline, LateTickStillHighlightsTheSkippedLine) {
    LyricTimeline t;
    t.setText(display("[00:01.00]one\n[00:01.55]two\n[00:03.00]three\n"));
    ASSERT_TRUE(t.tick(1.02));
    // The tick after the hit comes late at 1.61: the tenth 1.5 was skipped.
    auto two = t.tick(1.61);
    ASSERT_TRUE(two);
    EXPECT_EQ(two->text, QStringLiteral("two"));
    // A long stall past a line highlights the line that belongs to the position.
    EXPECT_FALSE(t.tick(1.8));
    auto three = t.tick(3.4);
    ASSERT_TRUE(three);
    EXPECT_EQ(three->text, QStringLiteral("three"));
    EXPECT_FALSE(t.tick(3.5));
}

TEST(LyricTimeline, FirstTickAndBackwardMovesAreNotLate) {
    LyricTimeline t;
    t.setText(display("[00:01]one\n[00:05]two\n"));
    EXPECT_FALSE(t.tick(3.0)); // nothing before the first tick counts as skipped
    EXPECT_FALSE(t.tick(0.5));
    EXPECT_TRUE(t.tick(1.0));
    // Negative adjusted positions find nothing.
    t.resetTicks();
    EXPECT_FALSE(t.tick(-0.45));
}

TEST(LyricTimeline, LinesAndNextLines) {
    LyricTimeline t;
    const QString text = display("[ti:x]\n[00:01]one\n[00:02]\n[00:03]three");
    t.setText(text);
    const auto one = t.findKey(QStringLiteral("1.0"));
    ASSERT_TRUE(one);
    EXPECT_EQ(text.mid(one->textStart, one->textLength), QStringLiteral("one"));
    const auto next = t.nextLine(*one);
    ASSERT_TRUE(next);
    EXPECT_EQ(next->tagTime, QStringLiteral("2.0"));
    EXPECT_EQ(next->text, QStringLiteral(" "));
    const auto last = t.nextLine(*t.nextLine(*next));
    EXPECT_FALSE(last);
}

TEST(LyricSync, HitUpdatesLinesHighlightAndPainter) {
    LyricSync s;
    const QString text =
        display("[0:0]Title\n[00:01]short\n[00:02]a much longer line here\n[00:10]x\n");
    s.setText(text);
    EXPECT_EQ(s.LyricScrollX, 10);
    EXPECT_EQ(s.LyricScrollStep, 1);

    s.CurLineText = QStringLiteral("before");
    auto title = s.tick(0.0);
    ASSERT_TRUE(title);
    // The [0.0] title does not push the line before it into the previous line.
    EXPECT_TRUE(s.PrevLineText.isEmpty());
    EXPECT_EQ(s.CurLineText, QStringLiteral("Title"));
    EXPECT_EQ(title->oldStart, -1);
    EXPECT_EQ(text.mid(s.highlightStart, s.highlightLength), QStringLiteral("Title"));
    EXPECT_EQ(title->caret, s.highlightStart + s.highlightLength + 1);
    EXPECT_EQ(text.mid(title->caret, 6), QStringLiteral("[1.0]s"));

    auto first = s.tick(1.0);
    ASSERT_TRUE(first);
    // "short" has fewer than 6 letters: it stands still.
    EXPECT_EQ(s.PrevLineText, QStringLiteral("Title"));
    EXPECT_EQ(s.CurLineText, QStringLiteral("short"));
    EXPECT_EQ(s.NextLineText, QStringLiteral("a much longer line here"));
    EXPECT_EQ(s.NextTagTime, QStringLiteral("2.0"));
    EXPECT_EQ(s.LyricScrollStep, 0);
    EXPECT_EQ(s.LyricScrollX, 45 - 5 * 5);
    EXPECT_EQ(text.mid(first->oldStart, first->oldLength), QStringLiteral("Title"));

    ASSERT_TRUE(s.tick(2.05));
    EXPECT_EQ(s.PrevLineText, QStringLiteral("short"));
    // (19 letters + 6) \ round(10 - 2 + 1) = 25 \ 9 = 2.
    EXPECT_EQ(s.LyricScrollStep, 2);
    EXPECT_EQ(s.LyricScrollX, 40);
    EXPECT_EQ(s.LyricScrollLimit, (23 / 8) * 100 + 100);

    ASSERT_TRUE(s.tick(10.0));
    EXPECT_EQ(s.NextTagTime, QStringLiteral("0"));
    EXPECT_TRUE(s.NextLineText.isEmpty());

    EXPECT_FALSE(s.trackEnding(0.0, 10.0)); // a stream without length never ends
    EXPECT_FALSE(s.trackEnding(20.0, 16.9));
    EXPECT_TRUE(s.trackEnding(20.0, 17.1));
    s.showThanks();
    EXPECT_EQ(s.CurLineText, QStringLiteral("    谢谢使用！"));
    EXPECT_TRUE(s.PrevLineText.isEmpty());
}

TEST(LyricSync, NothingHighlightedNeverEnds) {
    LyricSync s;
    s.setText(display("no tags at all"));
    EXPECT_FALSE(s.tick(0.0));
    EXPECT_FALSE(s.trackEnding(20.0, 19.0));
}

TEST(LyricSync, StripBlanks) {
    LyricSync s;
    s.PrevLineText = QStringLiteral("……");
    s.CurLineText = QStringLiteral("  ");
    s.applyStripBlanks();
    EXPECT_EQ(s.PrevLineText, QStringLiteral("欢迎使用 Lyravox"));
    EXPECT_EQ(s.CurLineText, QStringLiteral("…"));
    EXPECT_EQ(s.NextLineText, QStringLiteral("…"));
    s.CurLineText = QStringLiteral("gone");
    s.moveCurrentToPrevious();
    EXPECT_EQ(s.PrevLineText, QStringLiteral("gone"));
    EXPECT_EQ(s.CurLineText, QStringLiteral("…"));
}

TEST(LyricStrips, ShortLinesStandCentredLongLinesScroll) {
    LyricStrips strips;
    strips.layoutLine(3000, 5000, QStringLiteral("1.0"), QStringLiteral("4.0"));
    EXPECT_EQ(strips.StripStep, 0);
    EXPECT_EQ(strips.StripX, 1000);

    // Wider than the area: enters at the middle; (2500 + 9000) \ 20 \ round(3 + 1) = 143.
    strips.layoutLine(9000, 5000, QStringLiteral("1.0"), QStringLiteral("4.0"));
    EXPECT_EQ(strips.StripX, 2500);
    EXPECT_EQ(strips.StripStep, 143);
    // Without a next line the divisor is not positive: the least step.
    strips.layoutLine(9000, 5000, QStringLiteral("30.0"), QStringLiteral("0"));
    EXPECT_EQ(strips.StripStep, 15);

    strips.StripX = -8999;
    EXPECT_FALSE(strips.hasLeft());
    strips.advance();
    EXPECT_TRUE(strips.hasLeft());
    strips.reenter(450, 5000);
    EXPECT_EQ(strips.StripX, 5000);
    EXPECT_EQ(strips.StripStep, 150);
}

TEST(LyricStrips, ShadeFadesDuringTheLastPartOfALongLine) {
    LyricStrips strips;
    strips.StripShade = 255;
    strips.updateShade(QStringLiteral("1.0"), QStringLiteral("5.0"), 4.0); // 1.0 s left
    EXPECT_EQ(strips.StripShade, 255);
    strips.updateShade(QStringLiteral("1.0"), QStringLiteral("5.0"), 4.3);
    EXPECT_EQ(strips.StripShade, 239);
    for (int i = 0; i < 20; ++i)
        strips.updateShade(QStringLiteral("1.0"), QStringLiteral("5.0"), 4.9);
    EXPECT_EQ(strips.StripShade, 0);
    // A line of two seconds or less never fades.
    strips.updateShade(QStringLiteral("1.0"), QStringLiteral("3.0"), 2.9);
    EXPECT_EQ(strips.StripShade, 255);
}

} // namespace
