#pragma once
// Finds the line of a playback position in the lyric box's text. The text is indexed once, so
// a tick costs a hash look-up instead of a search through the whole text.
//
// On time, a tick finds the first line whose tag starts with "[" + the position key (the
// position cut to tenths), exactly as a text search for it would. A tick that comes late and
// skipped the tenth of a line (a slow machine, or the longer interval after a hit) still
// highlights the line that belongs to the position, so no line is lost.
#include <QHash>
#include <QString>
#include <QStringView>
#include <cstdint>
#include <optional>
#include <vector>

class LyricTimeline {
public:
    // A line of the text: "[" tag "]" text, up to its line end. Positions are character
    // positions in the text (0-based).
    struct Line {
        qsizetype tagStart = -1; // the "["
        QString tagTime;         // the text between "[" and "]"
        QString text;            // what follows the "]"
        qsizetype textStart = 0; // position of the character after the "]"
        qsizetype textLength = 0;
    };

    // Indexes `text` (line ends "\n"); forgets the previous tick.
    void setText(const QString &text);
    const QString &text() const { return m_text; }

    // The first line whose tag begins with "[" + key (text.indexOf("[" + key)).
    std::optional<Line> findKey(const QString &key) const;
    // The line that starts at the "[" at `tagStart`.
    Line lineAt(qsizetype tagStart) const;
    // The line of the next "[" after the end of `line`'s text.
    std::optional<Line> nextLine(const Line &line) const;

    // One tick at an adjusted position (seconds, compensation included). Returns the line to
    // highlight, or nullopt. A line is not found twice in the same tenth of a second.
    std::optional<Line> tick(double adjustedSeconds);
    // Forgets the last tick (a new track, or the text changed).
    void resetTicks();

private:
    QString m_text;
    QHash<QString, qsizetype> m_firstByKey; // key -> first "[" whose tag starts with it
    std::vector<std::pair<int64_t, qsizetype>> m_byTenth; // sorted by tenth, first "[" each
    std::vector<qsizetype> m_opens;                       // every "[" in order
    std::optional<int64_t> m_lastTenth;
    qsizetype m_lastHitTag = -1;
    std::optional<int64_t> m_lastHitTenth;
};
