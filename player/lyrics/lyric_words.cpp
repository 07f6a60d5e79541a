#include "lyrics/lyric_words.h"

#include <algorithm>

const LyricLineWords *LyricWordTimes::find(qsizetype tagStart) const {
    const auto it =
        std::lower_bound(m_lines.begin(), m_lines.end(), tagStart,
                         [](const auto &line, qsizetype at) { return line.first < at; });
    if (it == m_lines.end() || it->first != tagStart) return nullptr;
    return &it->second;
}

WordWipe::Place WordWipe::place() const {
    if (!active()) return {};
    const LyricLineWords &words = *m_words;
    // The last word that has started.
    const auto after = std::upper_bound(words.begin(), words.end(), m_position,
                                        [](double at, const LyricWord &w) { return at < w.time; });
    if (after == words.begin()) return {};
    const LyricWord &w = *std::prev(after);
    const qsizetype textSize = m_text.size();
    const qsizetype start = std::clamp<qsizetype>(w.start, 0, textSize);
    const qsizetype length = std::clamp<qsizetype>(w.length, 0, textSize - start);
    double fraction = 1.0;
    if (m_position < w.end && w.end > w.time) fraction = (m_position - w.time) / (w.end - w.time);
    return {start, length, std::clamp(fraction, 0.0, 1.0)};
}

double WordWipe::litCharacters() const {
    const Place p = place();
    return double(p.start) + double(p.length) * p.fraction;
}

qsizetype WordWipe::litLength() const {
    const Place p = place();
    return p.start + qsizetype(double(p.length) * p.fraction);
}
