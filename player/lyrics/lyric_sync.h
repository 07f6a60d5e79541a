#pragma once
// The state one lyric tick works on, without widgets: which line is highlighted, the previous,
// current and next line texts of the graphic modes, and the speed values of the lyric painter.
#include "lyrics/lyric_timeline.h"
#include "lyrics/lyric_words.h"

#include <QString>
#include <optional>
#include <vector>

class LyricSync {
public:
    struct Hit {
        LyricTimeline::Line line;
        // The range highlighted before (to be given the normal colour); start -1 when none.
        qsizetype oldStart = -1;
        qsizetype oldLength = 0;
        // Caret after the hit: the first character of the following line.
        qsizetype caret = 0;
        // The next line exists.
        bool hasNext = false;
    };

    // New display text (a lyric lookup): clears the line texts and the highlight; the painter
    // starts at x 10 with step 1.
    void setText(const QString &displayText);
    const LyricTimeline &timeline() const { return m_timeline; }
    // Word times of the display text (after setText(), which forgets them).
    void setWords(LyricWordTimes words) { m_words = std::move(words); }

    // The wipe of the current line at the last tick's position; inactive when the line has no
    // word times. Views compare its text with the line they show.
    WordWipe wipe() const { return WordWipe(m_wordLine, m_lineWords, m_position); }
    // The current line's words that have started since the last call, in order.
    std::vector<LyricWord> takeStartedWords();
    // The text of the line the words belong to.
    const QString &wordLine() const { return m_wordLine; }

    // Forget the last tick, e.g. when the lyric movement was paused by the user.
    void resetTicks() { m_timeline.resetTicks(); }

    // Finds the line of the adjusted position (seconds) and updates the line texts, the
    // highlight and the painter values. nullopt when no line starts now.
    std::optional<Hit> tick(double adjustedSeconds);

    // Near the end of the track: less than 3 s left of a track with a duration, after a line
    // was highlighted. Positions without the compensation.
    bool trackEnding(double durationSeconds, double positionSeconds) const;
    // The goodbye state: no previous or next line, "    谢谢使用！" as the current line.
    void showThanks();

    // Mode 2 strips: blank previous line -> the welcome text, blank current and next -> "…".
    void applyStripBlanks();
    void moveCurrentToPrevious(); // the current strip left the area

    // Raises LyricScrollLimit to 100 when below (after every tick).
    void clampScrollLimit();

    QString PrevLineText, CurLineText, NextLineText;
    QString CurTagTime, NextTagTime = QStringLiteral("0");
    qsizetype highlightStart = -1; // 0-based, -1: nothing highlighted yet
    qsizetype highlightLength = 0;
    int LyricScrollX = 10;
    int LyricScrollStep = 1;
    int LyricScrollLimit = 100;

private:
    void updatePainterSpeed();

    LyricTimeline m_timeline;
    LyricWordTimes m_words;
    const LyricLineWords *m_lineWords = nullptr; // of the current line
    QString m_wordLine;
    size_t m_wordsTaken = 0;
    double m_position = 0.0;
};

// Moves the current-line strip of mode 2. Sizes in twips (15 per pixel), as the strip rules
// are written: a long line enters at the middle of the area and leaves at the left edge about
// when the next line starts; a short one stands centred.
class LyricStrips {
public:
    // A new current line of width `stripWidth` in an area `areaWidth` wide.
    // A long line moves at least `minStep` twips a tick.
    void layoutLine(int stripWidth, int areaWidth, const QString &curTagTime,
                    const QString &nextTagTime, int minStep = 15);
    // The strip has left the area completely (its right edge is left of 0).
    bool hasLeft() const { return StripX < -StripWidth; }
    // A new current line enters from the right edge at 150 twips per tick.
    void reenter(int stripWidth, int areaWidth);
    void advance() { StripX -= StripStep; }
    // The current line fades from white to black during the last 0.8 s before the next line
    // when the line lasts more than 2 s.
    void updateShade(const QString &curTagTime, const QString &nextTagTime, double adjustedSeconds);
    // Centred and white (the goodbye text).
    void centre(int stripWidth, int areaWidth);

    int StripX = 0;
    int StripWidth = 0;
    int StripStep = 0;
    int StripShade = 255;
};
