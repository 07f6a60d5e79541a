// Enhanced LRC: word tags of both forms leave the display text and become the word times of
// their line; the wipe of a line grows through its words in step with the time.
#include "lyrics/lyric_parser.h"

#include <QStringList>
#include <gtest/gtest.h>
#include <vector>

namespace {

struct Word {
    const char *text;
    double time;
    double end;
};

struct Line {
    const char *tag; // the display line's tag, "[1.0]"
    std::vector<Word> words;
};

struct Case {
    const char *name;
    const char *file;
    const char *display;
    std::vector<Line> lines; // the lines with word times, in display order
};

const Case kCases[] = {
    {"angle tags before words, the last tag ends the last word",
     "[00:01.00]<00:01.00>Hel<00:01.50>lo <00:02.00>world<00:03.00>\n",
     "\n[1.0]Hello world\n\n",
     {{"[1.0]", {{"Hel", 1.0, 1.5}, {"lo ", 1.5, 2.0}, {"world", 2.0, 3.0}}}}},
    {"time tags after the first text; the line's own text starts at the line time",
     "[00:01.00]Hello [00:01.80]world [00:02.50]\r\n",
     "\n[1.0]Hello world \n\n",
     {{"[1.0]", {{"Hello ", 1.0, 1.8}, {"world ", 1.8, 2.5}}}}},
    {"plain lines around a word line stay as they were; an open last word stops at the next line",
     "[ti:Mixed]\n[00:00.50]plain [chorus]\n[00:01.00]<00:01.00>a <00:01.40>b\n[00:01.90]after\n",
     "\n标题：Mixed \n[0.5]plain ［chorus］ \n[1.0]a b\n[1.9]after\n\n",
     {{"[1.0]", {{"a ", 1.0, 1.4}, {"b", 1.4, 1.9}}}}},
    {"out-of-order times are raised to the word before, so the wipe never runs back",
     "[00:05.00]<00:05.00>one <00:04.00>two <00:06.00>three\n",
     "\n[5.0]one two three\n\n",
     {{"[5.0]", {{"one ", 5.0, 5.0}, {"two ", 5.0, 6.0}, {"three", 6.0, 7.0}}}}},
    {"a word time before its line is the line's time",
     "[00:02.00]<00:01.00>early <00:02.50>late\n[00:09.00]next\n",
     "\n[2.0]early late\n[9.0]next\n\n",
     {{"[2.0]", {{"early ", 2.0, 2.5}, {"late", 2.5, 3.5}}}}},
    {"time tags side by side after the text stay in their line: a pause, then the next word",
     "[00:03.00]one [00:03.40]two[00:04.10][00:04.50]four\n",
     "\n[3.0]one twofour\n\n",
     {{"[3.0]", {{"one ", 3.0, 3.4}, {"two", 3.4, 4.1}, {"four", 4.5, 5.5}}}}},
    {"a tag with no word ends the word before it",
     "[00:02.00]<00:02.00>go <00:02.50><00:03.00>on\n",
     "\n[2.0]go on\n\n",
     {{"[2.0]", {{"go ", 2.0, 2.5}, {"on", 3.0, 4.0}}}}},
    {"milliseconds and minutes",
     "[01:00.000]Oh <01:00.500>yeah <01:01.250>\n",
     "\n[60.0]Oh yeah \n\n",
     {{"[60.0]", {{"Oh ", 60.0, 60.5}, {"yeah ", 60.5, 61.25}}}}},
    {"a shared line sings its words from each of its times",
     "[00:10.00][00:50.00]<00:10.20>cho<00:10.80>rus\n",
     "\n[10.0]chorus\n[50.0]chorus\n\n",
     {{"[10.0]", {{"cho", 10.2, 10.8}, {"rus", 10.8, 11.8}}},
      {"[50.0]", {{"cho", 50.2, 50.8}, {"rus", 50.8, 51.8}}}}},
    {"malformed tags stay text",
     "[00:01.00]<0x:01.00>a <00:02.00 b [00:0x]c <>d <1.5>e <1:2:3:4>f\n",
     "\n[1.0]<0x:01.00>a <00:02.00 b ［00:0x］c <>d <1.5>e <1:2:3:4>f\n\n",
     {}},
    {"tags in seconds after the text are line tags, as they always were",
     "[00:01.00]verse [2] and[3.5][4]more\n",
     "\n[1.0]verse [2] and[3.5]more\n[2] and[3.5]more\n[3.5]more\n[4]more\n\n",
     {}},
    {"word tags in a line without a time stay text",
     "<00:01.00>no line time\n[00:02.00]timed\n",
     "\n<00:01.00>no line time\n[2.0]timed\n\n",
     {}},
};

TEST(LyricWords, ParseTable) {
    for (const Case &c : kCases) {
        SCOPED_TRACE(c.name);
        const LyricParseResult r = LyricParser::load(QString::fromUtf8(c.file));
        EXPECT_EQ(r.displayText, QString::fromUtf8(c.display));
        ASSERT_EQ(r.words.size(), c.lines.size());
        for (size_t k = 0; k < c.lines.size(); ++k) {
            const auto &[tagStart, words] = r.words.lines()[k];
            const Line &expected = c.lines[k];
            const QString tag = QString::fromUtf8(expected.tag);
            ASSERT_EQ(r.displayText.mid(tagStart, tag.size()), tag);
            const qsizetype textStart = tagStart + tag.size();
            ASSERT_EQ(words.size(), expected.words.size()) << expected.tag;
            for (size_t w = 0; w < words.size(); ++w) {
                EXPECT_EQ(r.displayText.mid(textStart + words[w].start, words[w].length),
                          QString::fromUtf8(expected.words[w].text));
                EXPECT_DOUBLE_EQ(words[w].time, expected.words[w].time) << expected.words[w].text;
                EXPECT_DOUBLE_EQ(words[w].end, expected.words[w].end) << expected.words[w].text;
            }
        }
    }
}

TEST(LyricWords, WipeGrowsThroughEachWordInProportion) {
    const LyricParseResult r =
        LyricParser::load(QStringLiteral("[00:01.00]<00:01.00>Hel<00:01.50>lo <00:02.00>world\n"));
    ASSERT_EQ(r.words.size(), size_t(1));
    const auto &[tagStart, words] = r.words.lines().front();
    const QString text = QStringLiteral("Hello world");
    struct Step {
        double position;
        double chars;
    };
    // "Hel" 1.0-1.5, "lo " 1.5-2.0, "world" 2.0-3.0 (open: one second).
    const Step steps[] = {{0.5, 0.0}, {1.0, 0.0}, {1.25, 1.5}, {1.5, 3.0},  {1.75, 4.5},
                          {2.0, 6.0}, {2.5, 8.5}, {2.9, 10.5}, {3.0, 11.0}, {40.0, 11.0}};
    for (const Step &s : steps) {
        const WordWipe wipe(text, &words, s.position);
        EXPECT_NEAR(wipe.litCharacters(), s.chars, 1e-9) << s.position;
        EXPECT_EQ(wipe.litLength(), qsizetype(s.chars)) << s.position;
        // Ten pixels a character: the width follows the characters.
        EXPECT_NEAR(wipe.litWidth([](qsizetype n) { return 10.0 * double(n); }), 10 * s.chars, 1e-9)
            << s.position;
    }
    EXPECT_FALSE(WordWipe().active());
    EXPECT_FALSE(WordWipe(text, nullptr, 2.0).active());
}

} // namespace
