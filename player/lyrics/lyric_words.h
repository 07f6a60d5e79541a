#pragma once
// Word times of enhanced LRC lines, as the parse finds them: each word of a line lights at its
// time and is fully lit at its end (the next word tag's time).
#include <QString>
#include <utility>
#include <vector>

struct LyricWord {
    qsizetype start = 0;  // position in the line's text (after its "]")
    qsizetype length = 0; // up to the next word, blanks included
    double time = 0.0;    // seconds the word starts to light
    double end = 0.0;     // seconds it is fully lit (never before `time`)
};

// The words of one line in text order; their times never decrease.
using LyricLineWords = std::vector<LyricWord>;

// The word times of a display text, by the position of each line's "[".
class LyricWordTimes {
public:
    // Lines are added in increasing `tagStart`.
    void add(qsizetype tagStart, LyricLineWords words) {
        m_lines.emplace_back(tagStart, std::move(words));
    }
    // The words of the line whose "[" is at `tagStart`; null for a line without word times.
    const LyricLineWords *find(qsizetype tagStart) const;
    bool empty() const { return m_lines.empty(); }
    size_t size() const { return m_lines.size(); }
    const std::vector<std::pair<qsizetype, LyricLineWords>> &lines() const { return m_lines; }

private:
    std::vector<std::pair<qsizetype, LyricLineWords>> m_lines;
};

// How far a line is lit at a position, for every view: the words before the current one are
// lit, the current one in proportion to the time passed through it. No widgets: a view gives
// the widths of its text in its own font.
class WordWipe {
public:
    WordWipe() = default; // nothing to wipe: the view shows the line as without word times
    WordWipe(QString text, const LyricLineWords *words, double position)
        : m_text(std::move(text)), m_words(words), m_position(position) {}

    bool active() const { return m_words && !m_words->empty(); }
    const QString &text() const { return m_text; }
    // Characters lit from the start of the text (fractional within the current word).
    double litCharacters() const;
    // Whole characters lit.
    qsizetype litLength() const;
    // Pixels lit, given `advance(n)`: the width of the first n characters in the view's font.
    template <typename Advance> double litWidth(Advance &&advance) const {
        const Place p = place();
        if (p.length == 0 || p.fraction <= 0.0) return advance(p.start);
        const double left = advance(p.start);
        if (p.fraction >= 1.0) return advance(p.start + p.length);
        return left + (advance(p.start + p.length) - left) * p.fraction;
    }

private:
    // The characters before `start` are lit, and `fraction` of the `length` after it.
    struct Place {
        qsizetype start = 0;
        qsizetype length = 0;
        double fraction = 0.0;
    };
    Place place() const;

    QString m_text;
    const LyricLineWords *m_words = nullptr;
    double m_position = 0.0;
};
