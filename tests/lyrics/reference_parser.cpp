#include "reference_parser.h"

#include "lyrics/lyric_numbers.h"
#include "lyrics/lyric_parser.h"

#include <algorithm>
#include <vector>

namespace {
qsizetype countBefore(const QString &text, const QString &needle, qsizetype limit) {
    qsizetype count = 0;
    for (qsizetype p = text.indexOf(needle); p >= 0 && p < limit; p = text.indexOf(needle, p + 1))
        ++count;
    return count;
}

QString secondsOf(const QString &content) {
    const qsizetype colon = content.indexOf(QLatin1Char(':'));
    const double minutes = content.left(colon).toDouble();
    const double seconds = content.mid(colon + 1).toDouble();
    return LyricNumbers::formatSeconds(minutes * 60 + seconds);
}
} // namespace

ReferenceParse referenceParse(const QString &normalised) {
    ReferenceParse r;
    QString buf = normalised;
    const QString labels[][2] = {{QStringLiteral("[ti:"), QStringLiteral("标题：")},
                                 {QStringLiteral("[ar:"), QStringLiteral("艺人：")},
                                 {QStringLiteral("[al:"), QStringLiteral("专辑：")},
                                 {QStringLiteral("[by:"), QStringLiteral("歌词编辑：")},
                                 {QStringLiteral("[t_time:"), QStringLiteral("匹配曲目时间：")}};
    qsizetype pos = buf.size();
    while (pos > 0) {
        const qsizetype e = buf.lastIndexOf(QLatin1Char(']'), pos - 1);
        if (e < 0) break;
        const qsizetype s = buf.lastIndexOf(QLatin1Char('['), e);
        if (s < 0) break;
        const QString tag = buf.mid(s, e - s + 1);
        const QString content = tag.mid(1, tag.size() - 2);
        QString repl;
        bool labelled = false;
        for (const auto &l : labels) {
            if (tag.contains(l[0])) {
                repl = tag;
                repl.remove(QLatin1Char(']'));
                repl.replace(l[0], l[1]);
                labelled = true;
                break;
            }
        }
        if (!labelled) {
            if (tag.contains(QLatin1String("[offset:"))) {
                const qsizetype a = tag.indexOf(QLatin1String("[offset:")) + 8;
                const int v =
                    *LyricNumbers::toWholeNumber(tag.mid(a, tag.indexOf(QLatin1Char(']'), a) - a));
                r.offsetMs = v;
                repl = QStringLiteral("时间补偿：") + QString::number(v) + QStringLiteral("毫秒");
            } else if (tag.contains(QLatin1String("[key:"))) {
                repl = QStringLiteral("*加密编码*");
            } else if (LyricParser::isTimeTagContent(content) &&
                       content.contains(QLatin1Char(':'))) {
                repl = QLatin1Char('[') + secondsOf(content) + QLatin1Char(']');
                ++r.timeTagCount;
            } else if (LyricParser::isTimeTagContent(content)) {
                repl = tag;
                ++r.timeTagCount;
            } else {
                repl = tag;
                repl.replace(QLatin1Char('['), QStringLiteral("［"));
                repl.replace(QLatin1Char(']'), QStringLiteral("］"));
            }
        }
        const qsizetype before = countBefore(buf, tag, s);
        buf.replace(tag, repl);
        pos = s + before * (repl.size() - tag.size());
    }

    // Shared lines.
    QString remembered;
    pos = buf.size();
    while (pos > 0) {
        const qsizetype e = buf.lastIndexOf(QLatin1Char(']'), pos - 1);
        if (e < 0) break;
        const qsizetype s = buf.lastIndexOf(QLatin1Char('['), e);
        if (s < 0) break;
        pos = s;
        const QString tag = buf.mid(s, e - s + 1);
        if (!LyricParser::isTimeTagContent(tag.mid(1, tag.size() - 2))) continue;
        const qsizetype end = buf.indexOf(QLatin1Char('\n'), e);
        const QString text = buf.mid(e + 1, end - e - 1);
        if (text.isEmpty()) {
            const qsizetype before = countBefore(buf, tag, s);
            buf.replace(tag, tag + remembered);
            pos = s + before * remembered.size();
        } else {
            remembered = text;
        }
    }
    if (r.timeTagCount == 0) {
        r.displayText = normalised;
        return r;
    }

    // Sort and replace the block.
    struct Line {
        double time;
        int order;
        QString text;
    };
    std::vector<Line> lines;
    qsizetype p = -1, lastLineEnd = 0, first = -1;
    for (int i = 0; i < r.timeTagCount; ++i) {
        p = buf.indexOf(QLatin1Char('['), p + 1);
        if (first < 0) first = p;
        const qsizetype close = buf.indexOf(QLatin1Char(']'), p);
        const qsizetype end = buf.indexOf(QLatin1Char('\n'), p);
        lines.push_back({buf.mid(p + 1, close - p - 1).toDouble(), i, buf.mid(p, end - p)});
        lastLineEnd = end;
    }
    std::stable_sort(lines.begin(), lines.end(), [](const Line &a, const Line &b) {
        return a.time < b.time || (a.time == b.time && a.order > b.order);
    });
    QString block;
    for (const Line &l : lines)
        block += l.text + QLatin1Char('\n');
    r.displayText = buf.left(first) + block + buf.mid(lastLineEnd + 1);
    r.sorted = true;
    return r;
}
