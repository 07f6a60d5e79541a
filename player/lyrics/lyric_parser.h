#pragma once
// Turns an LRC file into the text of the lyric box: header tags become readable labels, time
// tags become "[" + seconds + "]", a text with several leading time tags becomes one line per
// tag, and the timed lines are sorted by time.
//
// Line ends inside the player are "\n" (one per line, as the lyric box's document counts
// characters); the file may use LF or CR LF (a lone CR also ends a line).
// Enhanced LRC: in a line that starts with a time tag, "<mm:ss.xx>" tags anywhere and time tags
// after the first text are word times of that line. They leave the display text and come back
// as the line's word times; a tag that does not read as a time stays text.
//
// Every step runs in time linear in the text (plus sorting the timed lines).
#include "lyrics/lyric_words.h"

#include <QString>
#include <cstdint>
#include <vector>

struct LyricParseResult {
    // The text the lyric box shows. When the text has no time tag it cannot be sorted: the
    // box then shows the normalised text with its tags as written and `sorted` is false.
    QString displayText;
    bool sorted = false;
    // Value of the "[offset:" tag nearest the start of the file, in milliseconds; 0 without one.
    int32_t offsetMs = 0;
    // Number of time tags in the display text.
    int timeTagCount = 0;
    // Word times of the display lines that have them.
    LyricWordTimes words;
};

class LyricParser {
public:
    // The working copy of a file's text before parsing: every line end one "\n"; a tag at the
    // end of its line gets one trailing blank; "][" is split onto two lines (except after the
    // text of a line that starts with a time tag: word times there); one line end
    // before and after the whole text; upper-case header tags lower-cased; "·" becomes ".".
    static QString normalise(const QString &fileText);

    // Parses a normalised text into the display text.
    static LyricParseResult parse(const QString &normalised);

    // normalise() then parse().
    static LyricParseResult load(const QString &fileText) { return parse(normalise(fileText)); }

    // The lyric texts of a display text, which the box shows in the text colour: on each line
    // from the character after its first "]" to the line end (header lines have none).
    struct TextRange {
        qsizetype start;
        qsizetype length;
    };
    static std::vector<TextRange> lyricTextRanges(const QString &displayText);

    // True when `content` (the text between "[" and "]") is a time tag: with its colons
    // removed it is a number.
    static bool isTimeTagContent(QStringView content);
};
