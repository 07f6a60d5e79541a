#include "lyrics/lyric_parser.h"

#include "lyrics/lyric_numbers.h"
#include "lyrics/lyric_word_tags.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <vector>

namespace {

const QChar kOpen = QLatin1Char('[');
const QChar kClose = QLatin1Char(']');
const QChar kLineEnd = QLatin1Char('\n');
const QChar kWideOpen = QChar(0xFF3B);  // ［
const QChar kWideClose = QChar(0xFF3D); // ］

struct HeaderLabel {
    const char *prefix;
    const char16_t *label;
};
const HeaderLabel kHeaderLabels[] = {
    {"[ti:", u"标题："},
    {"[ar:", u"艺人："},
    {"[al:", u"专辑："},
    {"[by:", u"歌词编辑："},
    {"[t_time:", u"匹配曲目时间："},
};
const char *const kUpperHeaders[] = {
    "[TI:", "[AR:", "[AL:", "[BY:", "[OFFSET:", "[KEY:", "[T_TIME:"};

// A tag is a "[" and the last "]" before the next "[": scanning "]" from the end of the text
// and pairing each with the nearest "[" before it finds exactly these, segment by segment.
struct Tag {
    qsizetype open;
    qsizetype close;
};

std::vector<Tag> findTags(const QString &text) {
    std::vector<Tag> tags;
    const qsizetype n = text.size();
    const QChar *d = text.constData();
    qsizetype open = -1;
    qsizetype lastClose = -1;
    for (qsizetype i = 0; i < n; ++i) {
        if (d[i] == kOpen) {
            if (open >= 0 && lastClose > open) tags.push_back({open, lastClose});
            open = i;
        } else if (d[i] == kClose) {
            lastClose = i;
        }
    }
    if (open >= 0 && lastClose > open) tags.push_back({open, lastClose});
    return tags;
}

QStringView contentOf(const QString &text, const Tag &tag) {
    return QStringView(text).mid(tag.open + 1, tag.close - tag.open - 1);
}

void appendWide(QString &out, QStringView tag) {
    for (QChar c : tag) {
        if (c == kOpen)
            out += kWideOpen;
        else if (c == kClose)
            out += kWideClose;
        else
            out += c;
    }
}

struct HeaderPass {
    QString text;
    // Where the time tags written with minutes ("[01:02.50]") now stand, in order: only these
    // are word times after a line's text.
    std::vector<qsizetype> minuteTags;
    int32_t offsetMs = 0;
    bool offsetFound = false;
};

// Header labels and time tags in seconds. Each tag is converted where it stands; tags with the
// same text convert alike, so this equals replacing all identical tags at once.
HeaderPass convertTags(const QString &text) {
    HeaderPass pass;
    pass.text.reserve(text.size() + text.size() / 8);
    qsizetype copied = 0;
    for (const Tag &tag : findTags(text)) {
        pass.text += QStringView(text).mid(copied, tag.open - copied);
        copied = tag.close + 1;
        const QStringView whole = QStringView(text).mid(tag.open, tag.close - tag.open + 1);
        const QStringView content = contentOf(text, tag);

        // Header tags start with one of these letters; most tags are time tags.
        const QChar first = whole.size() > 1 ? whole[1] : QChar();
        const bool maybeHeader = first == QLatin1Char('t') || first == QLatin1Char('a') ||
                                 first == QLatin1Char('b') || first == QLatin1Char('o') ||
                                 first == QLatin1Char('k');
        bool done = false;
        for (const HeaderLabel &h : kHeaderLabels) {
            if (!maybeHeader) break;
            const QLatin1String prefix(h.prefix);
            if (whole.startsWith(prefix)) {
                pass.text += QString::fromUtf16(h.label);
                for (QChar c : whole.mid(prefix.size()))
                    if (c != kClose) pass.text += c;
                done = true;
                break;
            }
        }
        if (done) continue;

        if (maybeHeader && whole.startsWith(QLatin1String("[offset:"))) {
            const QStringView afterPrefix = whole.mid(8);
            const auto value =
                LyricNumbers::toWholeNumber(afterPrefix.left(afterPrefix.indexOf(kClose)));
            if (value) {
                // The tag nearest the start of the file wins.
                if (!pass.offsetFound) {
                    pass.offsetMs = *value;
                    pass.offsetFound = true;
                }
                pass.text +=
                    QStringLiteral("时间补偿：") + QString::number(*value) + QStringLiteral("毫秒");
            } else {
                // An unreadable value must not cost the whole file its timing: shown as text.
                appendWide(pass.text, whole);
            }
            continue;
        }
        if (maybeHeader && whole.startsWith(QLatin1String("[key:"))) {
            pass.text += QStringLiteral("*加密编码*");
            continue;
        }
        if (LyricParser::isTimeTagContent(content)) {
            if (content.contains(QLatin1Char(':'))) {
                if (const auto seconds = LyricNumbers::colonTagSeconds(content)) {
                    pass.minuteTags.push_back(pass.text.size());
                    pass.text += kOpen + LyricNumbers::formatSeconds(*seconds) + kClose;
                    continue;
                }
            } else {
                pass.text += whole; // already in seconds
                continue;
            }
        }
        appendWide(pass.text, whole);
    }
    pass.text += QStringView(text).mid(copied);
    return pass;
}

std::vector<Tag> timeTags(const QString &text) {
    std::vector<Tag> result;
    for (const Tag &tag : findTags(text)) {
        const QStringView content = contentOf(text, tag);
        if (!content.contains(QLatin1Char(':')) && LyricNumbers::isNumber(content))
            result.push_back(tag);
    }
    return result;
}

qsizetype lineEndAfter(const QString &text, qsizetype from) {
    const qsizetype end = text.indexOf(kLineEnd, from);
    return end < 0 ? text.size() : end;
}

// A time tag with nothing after it on its line stood before another tag in the file
// ("[10.0][50.0]chorus"): it gets the text of the line that follows.
QString shareLines(const QString &text) {
    const std::vector<Tag> tags = timeTags(text);
    std::vector<std::pair<qsizetype, QString>> inserts; // position, text; from the end
    QString remembered;
    for (auto it = tags.rbegin(); it != tags.rend(); ++it) {
        const qsizetype textStart = it->close + 1;
        const qsizetype end = lineEndAfter(text, textStart);
        if (end == textStart) {
            if (!remembered.isEmpty()) inserts.emplace_back(textStart, remembered);
        } else {
            remembered = text.mid(textStart, end - textStart);
        }
    }
    if (inserts.empty()) return text;
    QString out;
    qsizetype extra = 0;
    for (const auto &insert : inserts)
        extra += insert.second.size();
    out.reserve(text.size() + extra);
    qsizetype copied = 0;
    for (auto it = inserts.rbegin(); it != inserts.rend(); ++it) {
        out += QStringView(text).mid(copied, it->first - copied);
        out += it->second;
        copied = it->first;
    }
    out += QStringView(text).mid(copied);
    return out;
}

} // namespace

bool LyricParser::isTimeTagContent(QStringView content) {
    if (!content.contains(QLatin1Char(':'))) return LyricNumbers::isNumber(content);
    constexpr qsizetype kShort = 64;
    if (content.size() > kShort) {
        QString withoutColons = content.toString();
        withoutColons.remove(QLatin1Char(':'));
        return LyricNumbers::isNumber(withoutColons);
    }
    QChar buffer[kShort];
    qsizetype n = 0;
    for (QChar c : content)
        if (c != QLatin1Char(':')) buffer[n++] = c;
    return LyricNumbers::isNumber(QStringView(buffer, n));
}

QString LyricParser::normalise(const QString &fileText) {
    const qsizetype n = fileText.size();
    const QChar *d = fileText.constData();
    QString out;
    out.reserve(n + n / 16 + 2);
    out += kLineEnd;
    // The current line of `out`: where it starts, its first "]" and its last "[" so far.
    qsizetype lineStart = out.size();
    qsizetype firstClose = -1;
    qsizetype lastOpen = -1;
    std::optional<bool> timed; // the line starts with a time tag (known after its first "]")
    for (qsizetype i = 0; i < n; ++i) {
        if (out.back() == kLineEnd && lineStart != out.size()) {
            lineStart = out.size();
            firstClose = lastOpen = -1;
            timed.reset();
        }
        const QChar c = d[i];
        if (c == kClose && firstClose < 0) {
            firstClose = out.size();
            timed =
                out.size() > lineStart && out[lineStart] == kOpen &&
                isTimeTagContent(QStringView(out).mid(lineStart + 1, firstClose - lineStart - 1));
        }
        if (c == QLatin1Char('\r')) {
            if (i + 1 < n && d[i + 1] == kLineEnd) continue; // CR LF: the LF ends the line
            out += kLineEnd;
        } else if (c == kClose) {
            const QChar next = i + 1 < n ? d[i + 1] : QChar();
            const bool lineEndNext = next == kLineEnd || next == QLatin1Char('\r');
            if (lineEndNext) {
                out += QLatin1String("] ");
            } else if (next == kOpen &&
                       !(timed.value_or(false) && lastOpen > firstClose + 1 &&
                         QStringView(out).mid(lastOpen).contains(QLatin1Char(':')))) {
                // Tags before a line's text each get the text; after the text of a timed
                // line, time tags with minutes are word times and stay where they are.
                out += QLatin1String("]\n");
            } else {
                out += kClose;
            }
        } else if (c == kOpen) {
            lastOpen = out.size();
            bool lowered = false;
            for (const char *upper : kUpperHeaders) {
                const QLatin1String prefix(upper);
                if (QStringView(fileText).mid(i).startsWith(prefix)) {
                    out += QString(prefix).toLower();
                    i += prefix.size() - 1;
                    lowered = true;
                    break;
                }
            }
            if (!lowered) out += c;
        } else if (c == QChar(0x00B7)) {
            out += QLatin1Char('.');
        } else {
            out += c;
        }
    }
    out += kLineEnd;
    return out;
}

LyricParseResult LyricParser::parse(const QString &normalised) {
    LyricParseResult result;
    const HeaderPass headers = convertTags(normalised);
    result.offsetMs = headers.offsetMs;

    const LyricWordTags::Pass wordPass = LyricWordTags::extract(headers.text, headers.minuteTags);
    const QString shared = shareLines(wordPass.text);
    const std::vector<Tag> tags = timeTags(shared);
    if (tags.empty()) {
        result.displayText = normalised;
        return result;
    }

    struct Line {
        double time;
        qsizetype order;
        QStringView text;
        qsizetype close; // the tag's "]" in `text`
    };
    std::vector<Line> lines;
    lines.reserve(tags.size());
    for (size_t i = 0; i < tags.size(); ++i) {
        const Tag &tag = tags[i];
        const double time = LyricNumbers::toNumber(contentOf(shared, tag)).value_or(0.0);
        const qsizetype end = lineEndAfter(shared, tag.open);
        lines.push_back({time, static_cast<qsizetype>(i),
                         QStringView(shared).mid(tag.open, end - tag.open), tag.close - tag.open});
    }
    // By time; lines with equal times in the reverse of their order in the text.
    std::sort(lines.begin(), lines.end(), [](const Line &a, const Line &b) {
        if (a.time != b.time) return a.time < b.time;
        return a.order > b.order;
    });

    const qsizetype blockStart = tags.front().open;
    const qsizetype lastEnd = lineEndAfter(shared, tags.back().open);
    const qsizetype blockEnd = lastEnd < shared.size() ? lastEnd + 1 : lastEnd;

    QString out;
    out.reserve(shared.size() + 16);
    out += QStringView(shared).left(blockStart);
    for (size_t k = 0; k < lines.size(); ++k) {
        const Line &line = lines[k];
        if (!wordPass.lines.isEmpty()) {
            const auto found = wordPass.lines.constFind(LyricWordTags::lineKey(
                line.text.mid(1, line.close - 1), line.text.mid(line.close + 1)));
            if (found != wordPass.lines.constEnd()) {
                const double next = k + 1 < lines.size() ? lines[k + 1].time
                                                         : std::numeric_limits<double>::infinity();
                result.words.add(out.size(), LyricWordTags::place(*found, line.time, next));
            }
        }
        out += line.text;
        out += kLineEnd;
    }
    out += QStringView(shared).mid(blockEnd);
    result.displayText = out;
    result.sorted = true;
    result.timeTagCount = static_cast<int>(tags.size());
    return result;
}

std::vector<LyricParser::TextRange> LyricParser::lyricTextRanges(const QString &displayText) {
    std::vector<TextRange> ranges;
    qsizetype close = displayText.indexOf(kClose);
    while (close >= 0) {
        const qsizetype start = close + 1;
        const qsizetype end = lineEndAfter(displayText, start);
        if (end > start) ranges.push_back({start, end - start});
        if (end >= displayText.size()) break;
        close = displayText.indexOf(kClose, end);
    }
    return ranges;
}
