#pragma once
// The time compensation of a lyric file: the ±50 ms steps and the "[offset:" tag that keeps it
// in the file across runs.
#include <QString>
#include <cstdint>

class LyricOffset {
public:
    static constexpr int32_t kStepMs = 50;
    static constexpr int32_t kLimitMs = 600000;

    // +50 ms while below 600000; -50 ms while at least -599999.
    static int32_t stepUp(int32_t offsetMs);
    static int32_t stepDown(int32_t offsetMs);

    // The editor's text of a lyric file: line ends made "\n", as the editor counts characters.
    static QString editorText(const QString &fileText);
    // The editor's text for the file form again: CR LF line ends.
    static QString fileText(const QString &editorText);

    struct Rewrite {
        QString text;
        qsizetype caret = -1; // -1: leave the caret where it is
    };
    // Writes `offsetMs` into an editor text: an "[offset:" tag with a readable value that
    // differs is rewritten (every identical tag), the caret before its "]"; without a tag a
    // non-zero value gets a tag line at the top. A tag whose value is no number stays.
    static Rewrite writeOffset(const QString &text, int32_t offsetMs);
};
