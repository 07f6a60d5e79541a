#include "lyrics/lyric_sync.h"

#include "lyrics/lyric_numbers.h"

namespace {
double tagSeconds(const QString &tagTime) {
    return LyricNumbers::toNumber(tagTime).value_or(0.0);
}

bool isBlank(const QString &text) {
    return text.trimmed().isEmpty();
}

bool hasNonZeroDigit(const QString &text) {
    for (QChar c : text)
        if (c >= QLatin1Char('1') && c <= QLatin1Char('9')) return true;
    return false;
}
} // namespace

void LyricSync::setText(const QString &displayText) {
    m_timeline.setText(displayText);
    m_words = LyricWordTimes();
    m_lineWords = nullptr;
    m_wordLine.clear();
    m_wordsTaken = 0;
    PrevLineText.clear();
    CurLineText.clear();
    NextLineText.clear();
    CurTagTime.clear();
    NextTagTime = QStringLiteral("0");
    highlightStart = -1;
    highlightLength = 0;
    LyricScrollX = 10;
    LyricScrollStep = 1;
}

std::optional<LyricSync::Hit> LyricSync::tick(double adjustedSeconds) {
    m_position = adjustedSeconds;
    const auto line = m_timeline.tick(adjustedSeconds);
    if (!line) return std::nullopt;
    m_lineWords = m_words.find(line->tagStart);
    m_wordLine = m_lineWords ? line->text : QString();
    m_wordsTaken = 0;
    Hit hit;
    hit.line = *line;
    CurTagTime = line->tagTime;
    // A title line [0.0] does not push the line before it into the previous line.
    if (hasNonZeroDigit(CurTagTime)) PrevLineText = CurLineText;
    CurLineText = line->text;
    if (highlightStart >= 0 && highlightLength > 0) {
        hit.oldStart = highlightStart;
        hit.oldLength = highlightLength;
    }
    highlightStart = line->textStart;
    highlightLength = line->textLength;
    hit.caret = std::min(highlightStart + highlightLength + 1, m_timeline.text().size());

    if (const auto next = m_timeline.nextLine(*line)) {
        NextTagTime = next->tagTime;
        NextLineText = next->text;
        hit.hasNext = true;
    } else {
        NextTagTime = QStringLiteral("0");
        NextLineText.clear();
    }
    updatePainterSpeed();
    return hit;
}

std::vector<LyricWord> LyricSync::takeStartedWords() {
    std::vector<LyricWord> started;
    if (!m_lineWords) return started;
    while (m_wordsTaken < m_lineWords->size() && (*m_lineWords)[m_wordsTaken].time <= m_position)
        started.push_back((*m_lineWords)[m_wordsTaken++]);
    return started;
}

void LyricSync::updatePainterSpeed() {
    LyricScrollStep = 1;
    const auto cur = LyricNumbers::toNumber(CurTagTime);
    const auto next = LyricNumbers::toNumber(NextTagTime);
    if (cur && next && *next - *cur > 0) {
        QString letters = CurLineText;
        letters.remove(QLatin1Char(' '));
        const int64_t divisor = LyricNumbers::roundHalfEven(*next - *cur + 1);
        if (divisor > 0) LyricScrollStep = static_cast<int>((letters.size() + 6) / divisor);
    }
    if (LyricScrollStep < 1) LyricScrollStep = 1;
    LyricScrollX = LyricScrollStep * 10 + 20;
    const int length = static_cast<int>(CurLineText.size());
    if (length < 6 && !isBlank(CurLineText)) {
        LyricScrollStep = 0;
        LyricScrollX = 45 - 5 * length;
    }
    LyricScrollLimit = (length / 8) * 100 + 100;
}

bool LyricSync::trackEnding(double durationSeconds, double positionSeconds) const {
    return durationSeconds != 0.0 && durationSeconds - positionSeconds < 3.0 &&
           highlightStart >= 0 && highlightLength > 0;
}

void LyricSync::showThanks() {
    PrevLineText.clear();
    NextLineText.clear();
    CurLineText = QStringLiteral("    谢谢使用！");
    LyricScrollX = 0;
    LyricScrollStep = 0;
}

void LyricSync::applyStripBlanks() {
    QString withoutDots = PrevLineText;
    withoutDots.remove(QChar(0x2026));
    if (isBlank(withoutDots)) PrevLineText = QStringLiteral("欢迎使用 Lyravox");
    if (isBlank(CurLineText)) CurLineText = QStringLiteral("…");
    if (isBlank(NextLineText)) NextLineText = QStringLiteral("…");
}

void LyricSync::moveCurrentToPrevious() {
    PrevLineText = CurLineText;
    CurLineText.clear();
    applyStripBlanks();
}

void LyricSync::clampScrollLimit() {
    if (LyricScrollLimit < 100) LyricScrollLimit = 100;
}

void LyricStrips::layoutLine(int stripWidth, int areaWidth, const QString &curTagTime,
                             const QString &nextTagTime, int minStep) {
    StripWidth = stripWidth;
    if (StripWidth > areaWidth) {
        const int64_t divisor =
            LyricNumbers::roundHalfEven(tagSeconds(nextTagTime) - tagSeconds(curTagTime) + 1);
        int64_t step = minStep;
        if (divisor > 0)
            step = std::max<int64_t>(minStep, (areaWidth / 2 + StripWidth) / 20 / divisor);
        StripStep = static_cast<int>(step);
        StripX = areaWidth / 2;
    } else {
        StripStep = 0;
        StripX = (areaWidth - StripWidth) / 2;
    }
}

void LyricStrips::reenter(int stripWidth, int areaWidth) {
    StripWidth = stripWidth;
    StripStep = 150;
    StripX = areaWidth;
}

void LyricStrips::updateShade(const QString &curTagTime, const QString &nextTagTime,
                              double adjustedSeconds) {
    const double next = tagSeconds(nextTagTime);
    if (next - tagSeconds(curTagTime) <= 2.0 || next - adjustedSeconds >= 0.8) {
        StripShade = 255;
    } else if (StripShade > 0) {
        StripShade = std::max(0, StripShade - 16);
    }
}

void LyricStrips::centre(int stripWidth, int areaWidth) {
    StripWidth = stripWidth;
    StripStep = 0;
    StripX = (areaWidth - stripWidth) / 2;
    StripShade = 255;
}
