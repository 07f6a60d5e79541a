#include "lyrics/lyric_timeline.h"

#include "lyrics/lyric_numbers.h"

#include <algorithm>

void LyricTimeline::setText(const QString &text) {
    m_text = text;
    m_firstByKey.clear();
    m_byTenth.clear();
    m_opens.clear();
    const qsizetype n = m_text.size();
    const QChar *d = m_text.constData();
    for (qsizetype p = 0; p < n; ++p) {
        if (d[p] != QLatin1Char('[')) continue;
        m_opens.push_back(p);
        // A key is digits (maybe "-"), ".", one digit: the only key this "[" can match is the
        // text up to its first "." and one character more, if nothing that ends a tag or a
        // line comes first.
        qsizetype j = p + 1;
        while (j < n && d[j] != QLatin1Char('.') && d[j] != QLatin1Char(']') &&
               d[j] != QLatin1Char('\n') && d[j] != QLatin1Char('['))
            ++j;
        if (j == p + 1 || j + 1 >= n || d[j] != QLatin1Char('.')) continue;
        const QChar digit = d[j + 1];
        if (digit < QLatin1Char('0') || digit > QLatin1Char('9')) continue;
        const QString key = m_text.mid(p + 1, j + 1 - p);
        if (m_firstByKey.contains(key)) continue;
        m_firstByKey.insert(key, p);
        if (const auto tenth = LyricNumbers::tenthsOfKey(key)) m_byTenth.emplace_back(*tenth, p);
    }
    std::sort(m_byTenth.begin(), m_byTenth.end());
    // One entry per tenth: the first line of it in the text.
    m_byTenth.erase(std::unique(m_byTenth.begin(), m_byTenth.end(),
                                [](const auto &a, const auto &b) { return a.first == b.first; }),
                    m_byTenth.end());
    resetTicks();
}

void LyricTimeline::resetTicks() {
    m_lastTenth.reset();
    m_lastHitTag = -1;
    m_lastHitTenth.reset();
}

LyricTimeline::Line LyricTimeline::lineAt(qsizetype tagStart) const {
    Line line;
    line.tagStart = tagStart;
    qsizetype end = m_text.indexOf(QLatin1Char('\n'), tagStart);
    if (end < 0) end = m_text.size();
    qsizetype close = m_text.indexOf(QLatin1Char(']'), tagStart);
    if (close < 0 || close > end) close = end; // a tag without "]": no text
    line.tagTime = m_text.mid(tagStart + 1, close - tagStart - 1);
    line.textStart = std::min(close + 1, end);
    line.textLength = end - line.textStart;
    line.text = m_text.mid(line.textStart, line.textLength);
    return line;
}

std::optional<LyricTimeline::Line> LyricTimeline::findKey(const QString &key) const {
    const auto it = m_firstByKey.constFind(key);
    if (it == m_firstByKey.constEnd()) return std::nullopt;
    return lineAt(it.value());
}

std::optional<LyricTimeline::Line> LyricTimeline::nextLine(const Line &line) const {
    const qsizetype from = line.textStart + line.textLength;
    const auto it = std::upper_bound(m_opens.begin(), m_opens.end(), from - 1);
    if (it == m_opens.end()) return std::nullopt;
    return lineAt(*it);
}

std::optional<LyricTimeline::Line> LyricTimeline::tick(double adjustedSeconds) {
    const QString key = LyricNumbers::positionKey(adjustedSeconds);
    const std::optional<int64_t> tenth = LyricNumbers::tenthsOfKey(key);
    const std::optional<int64_t> lastTenth = m_lastTenth;
    m_lastTenth = tenth;

    qsizetype found = -1;
    const auto it = m_firstByKey.constFind(key);
    if (it != m_firstByKey.constEnd()) {
        found = it.value();
    } else if (tenth && lastTenth && *tenth > *lastTenth + 1) {
        // Late tick: the latest line whose tenth lies between the last tick's and this one's.
        const auto after = std::lower_bound(m_byTenth.begin(), m_byTenth.end(),
                                            std::make_pair(*tenth, qsizetype(-1)));
        if (after != m_byTenth.begin()) {
            const auto &candidate = *std::prev(after);
            if (candidate.first > *lastTenth) found = candidate.second;
        }
    }
    if (found < 0) return std::nullopt;
    // A tick that reads the same position twice (or a clock that stood still) must not find
    // the line it has just found again.
    if (found == m_lastHitTag && tenth && m_lastHitTenth && *tenth == *m_lastHitTenth)
        return std::nullopt;
    m_lastHitTag = found;
    m_lastHitTenth = tenth;
    return lineAt(found);
}
