#pragma once
// The lines of --echo-lyrics and --echo-words: the media position in seconds, a tab, the tag
// time, a tab, the text; flushed at once so that a reader sees each as it lights.
#include "lyrics/lyric_words.h"

#include <QString>
#include <cstdio>

class LyricEcho {
public:
    void setStream(std::FILE *stream) { m_stream = stream; }
    void setLines(bool on) { m_lines = on; }
    void setWords(bool on) { m_words = on; }
    bool words() const { return m_words && m_stream; }

    // A line that is highlighted now.
    void line(double position, const QString &tagTime, const QString &text);
    // A word of `lineText` that starts to light now; its blanks are left out.
    void word(double position, const LyricWord &word, const QString &lineText);

private:
    void write(double position, const QString &time, QStringView text);

    std::FILE *m_stream = stdout;
    bool m_lines = false;
    bool m_words = false;
};
