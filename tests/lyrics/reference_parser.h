#pragma once
// A literal, slow rendering of the lyric parse for comparison: every tag text is replaced in the
// whole buffer at once, scanning from the end. Used only to check that the linear parser gives
// the same display text on well-formed files.
#include <QString>

struct ReferenceParse {
    QString displayText;
    int offsetMs = 0;
    int timeTagCount = 0;
    bool sorted = false;
};

ReferenceParse referenceParse(const QString &normalised);
