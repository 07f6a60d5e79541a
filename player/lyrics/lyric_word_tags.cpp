#include "lyrics/lyric_word_tags.h"

#include "lyrics/lyric_numbers.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

namespace {

constexpr double kLastWordSeconds = 1.0;

// A time tag as the parse writes it: "[" seconds "]".
// Times too large to be finite stay as they are: text, or a line without word times.
std::optional<double> finite(std::optional<double> seconds) {
    if (seconds && !std::isfinite(*seconds)) return std::nullopt;
    return seconds;
}

std::optional<double> secondsTag(QStringView content) {
    if (content.contains(QLatin1Char(':'))) return std::nullopt;
    return finite(LyricNumbers::toNumber(content));
}

// "<m:s>": minutes and seconds as in a line tag.
std::optional<double> angleTag(QStringView content) {
    if (!content.contains(QLatin1Char(':'))) return std::nullopt;
    for (QChar c : content)
        if (c != QLatin1Char(':') && c != QLatin1Char('.') && !c.isDigit()) return std::nullopt;
    return finite(LyricNumbers::colonTagSeconds(content));
}

struct Tag {
    qsizetype at; // position in the clean line text
    double time;
};

bool isBlank(QStringView text) {
    for (QChar c : text)
        if (!c.isSpace()) return false;
    return true;
}

// The words of a clean line text with its tags, times after `base` (the time of the line's
// first occurrence).
LyricLineWords wordsOf(QStringView clean, const std::vector<Tag> &tags, double base) {
    // Segment k runs from boundary k to boundary k + 1; segment 0 is the text before the
    // first tag, sung at the line's own time.
    struct Segment {
        qsizetype start;
        double time;
    };
    std::vector<Segment> segments;
    segments.reserve(tags.size() + 1);
    segments.push_back({0, 0.0});
    double latest = 0.0;
    for (const Tag &t : tags) {
        latest = std::max(latest, t.time - base);
        segments.push_back({t.at, latest});
    }
    LyricLineWords words;
    words.reserve(segments.size());
    for (size_t k = 0; k < segments.size(); ++k) {
        const qsizetype end = k + 1 < segments.size() ? segments[k + 1].start : clean.size();
        const QStringView text = clean.mid(segments[k].start, end - segments[k].start);
        if (text.isEmpty() || isBlank(text)) continue;
        LyricWord w;
        w.start = segments[k].start;
        w.length = text.size();
        w.time = segments[k].time;
        w.end = k + 1 < segments.size() ? segments[k + 1].time : -1.0;
        words.push_back(w);
    }
    return words;
}

} // namespace

namespace LyricWordTags {

QString lineKey(QStringView tagTime, QStringView lineText) {
    QString key;
    key.reserve(tagTime.size() + 1 + lineText.size());
    key += tagTime;
    key += QChar(0);
    key += lineText;
    return key;
}

Pass extract(const QString &text, const std::vector<qsizetype> &minuteTags) {
    auto nextMinuteTag = minuteTags.begin();
    Pass pass;
    pass.text.reserve(text.size());
    // Times of tags alone on their line: they share the next line's text and its words.
    std::vector<std::pair<QStringView, double>> waiting;
    std::vector<Tag> tags;
    QString clean;
    const qsizetype n = text.size();
    qsizetype lineStart = 0;
    while (lineStart <= n) {
        qsizetype lineEnd = text.indexOf(QLatin1Char('\n'), lineStart);
        if (lineEnd < 0) lineEnd = n;
        const QStringView line = QStringView(text).mid(lineStart, lineEnd - lineStart);
        const qsizetype close =
            line.startsWith(QLatin1Char('[')) ? line.indexOf(QLatin1Char(']')) : qsizetype(-1);
        const QStringView tagTime = close > 0 ? line.mid(1, close - 1) : QStringView();
        const std::optional<double> lineTime =
            close > 0 ? secondsTag(tagTime) : std::optional<double>();
        bool copied = false;
        if (lineTime) {
            const QStringView rest = line.mid(close + 1);
            if (rest.isEmpty()) {
                waiting.emplace_back(tagTime, *lineTime);
            } else {
                tags.clear();
                clean.clear();
                for (qsizetype i = 0; i < rest.size(); ++i) {
                    const QChar c = rest[i];
                    if (c == QLatin1Char('<') || c == QLatin1Char('[')) {
                        const QChar closing =
                            c == QLatin1Char('<') ? QLatin1Char('>') : QLatin1Char(']');
                        const qsizetype j = rest.indexOf(closing, i + 1);
                        bool wordTag = c == QLatin1Char('<');
                        if (!wordTag) {
                            const qsizetype at = lineStart + close + 1 + i;
                            nextMinuteTag = std::lower_bound(nextMinuteTag, minuteTags.end(), at);
                            wordTag = nextMinuteTag != minuteTags.end() && *nextMinuteTag == at;
                        }
                        if (j > i && wordTag) {
                            const QStringView content = rest.mid(i + 1, j - i - 1);
                            const auto time =
                                c == QLatin1Char('<') ? angleTag(content) : secondsTag(content);
                            if (time) {
                                tags.push_back({clean.size(), *time});
                                i = j;
                                // The blank the normalisation gave a tag at the line end.
                                if (c == QLatin1Char('[') && i + 2 == rest.size() &&
                                    rest[i + 1] == QLatin1Char(' '))
                                    ++i;
                                continue;
                            }
                        }
                    }
                    clean += c;
                }
                if (!tags.empty()) {
                    double base = *lineTime;
                    for (const auto &w : waiting)
                        base = std::min(base, w.second);
                    const LyricLineWords words = wordsOf(clean, tags, base);
                    if (!words.empty()) {
                        pass.lines.insert(lineKey(tagTime, clean), words);
                        // A tag that shares this text sings the same words from its own time.
                        for (const auto &w : waiting)
                            pass.lines.insert(lineKey(w.first, clean), words);
                    }
                    pass.text += line.left(close + 1);
                    pass.text += clean;
                    copied = true;
                }
                waiting.clear();
            }
        }
        if (!copied) pass.text += line;
        if (lineEnd < n) pass.text += QLatin1Char('\n');
        lineStart = lineEnd + 1;
    }
    return pass;
}

LyricLineWords place(const LyricLineWords &relative, double lineTime, double nextLineTime) {
    LyricLineWords words = relative;
    for (LyricWord &w : words) {
        w.time += lineTime;
        if (w.end >= 0.0) {
            w.end += lineTime;
        } else {
            w.end = w.time + kLastWordSeconds;
            if (nextLineTime > w.time) w.end = std::min(w.end, nextLineTime);
        }
        w.end = std::max(w.end, w.time);
    }
    return words;
}

} // namespace LyricWordTags
