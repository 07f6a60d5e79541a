#pragma once
// The word tags of enhanced LRC lines, taken out of the text during the parse.
//
// A line that starts with a time tag (in seconds, as the parse has converted it) may carry word
// times: "<m:s>" tags anywhere after it, and time tags after its first text. Each tag starts a
// word that runs to the next tag; text before the first tag is a word at the line's own time.
// A tag with only blanks after it is no word, but its time still ends the word before it.
// Word times never run backwards: a time earlier than the word before it is raised to it, and
// none lies before its line, so the wipe always moves forward through the text.
#include "lyrics/lyric_words.h"

#include <QHash>
#include <QString>
#include <QStringView>
#include <vector>

namespace LyricWordTags {

struct Pass {
    QString text; // the text without word tags
    // Words of each line with word tags, by lineKey(): times after the start of the line
    // (after the first of the lines when tags without text share it, "[10][50]<00:10.5>a");
    // end < 0 for a last word that has no tag after it.
    QHash<QString, LyricLineWords> lines;
};

// Takes the word tags out of a text whose time tags are in seconds ("[12.5]"). Of the time
// tags after a line's text only those at `minuteTags` (positions of their "[", in order: the
// tags the file wrote with minutes) are word times; "[12]" there stays as it always was.
Pass extract(const QString &text, const std::vector<qsizetype> &minuteTags);

// The key of a line: its tag's text and the line's text after the "]".
QString lineKey(QStringView tagTime, QStringView lineText);

// Absolute word times of a line at `lineTime` whose next line starts at `nextLineTime` (no
// next line: infinity). A last word without an end lasts a second, but not into the next line.
LyricLineWords place(const LyricLineWords &relative, double lineTime, double nextLineTime);

} // namespace LyricWordTags
