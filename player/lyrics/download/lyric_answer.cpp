#include "lyrics/download/lyric_answer.h"

#include "lyrics/lyric_parser.h"
#include "platform/text_file.h"

namespace LyricAnswers {

namespace {
const QString kRefused = QStringLiteral("|禁止|");
const QString kNotice = QStringLiteral("|提示|");

bool endsWithLrc(const QString &line) {
    return line.size() >= 4 && line.right(4).toLower() == QLatin1String(".lrc");
}

std::vector<LyricCandidate> readCandidates(const QStringList &lines) {
    std::vector<LyricCandidate> records;
    qsizetype i = 1;
    while (i + 3 < lines.size()) {
        if (int(records.size()) >= kMaxCandidates) break;
        LyricCandidate c;
        c.title = cleanField(lines.at(i));
        c.artist = cleanField(lines.at(i + 1));
        c.album = cleanField(lines.at(i + 2));
        qsizetype k = i + 3;
        while (k < lines.size() && !endsWithLrc(lines.at(k)))
            ++k;
        if (k >= lines.size()) break; // an incomplete last record is dropped
        const QString location = lines.at(k).trimmed();
        if (location.size() <= kMaxLocationChars &&
            cleanField(location, kMaxLocationChars) == location) {
            c.location = location;
            records.push_back(std::move(c));
        }
        i = k + 1;
    }
    return records;
}
} // namespace

QString cleanField(const QString &text, qsizetype limit) {
    QString out;
    out.reserve(std::min(text.size(), limit));
    for (const QChar c : text) {
        if (out.size() >= limit) break;
        if (c.category() == QChar::Other_Control || c == QChar(0x2028) || c == QChar(0x2029))
            continue;
        out.append(c);
    }
    return out;
}

bool hasTimeTag(const QString &text) {
    qsizetype from = 0;
    while (true) {
        const qsizetype open = text.indexOf(QLatin1Char('['), from);
        if (open < 0) return false;
        const qsizetype close = text.indexOf(QLatin1Char(']'), open + 1);
        if (close < 0) return false;
        const QStringView content = QStringView(text).mid(open + 1, close - open - 1);
        if (content.contains(QLatin1Char(':')) && !content.contains(QLatin1Char('[')) &&
            LyricParser::isTimeTagContent(content))
            return true;
        from = open + 1;
    }
}

LyricAnswer lyricFile(const QString &text) {
    if (text.contains(QChar(0)) || !hasTimeTag(text)) return LyricAnswer::failure();
    LyricAnswer a = LyricAnswer::of(LyricAnswer::Kind::LyricFile);
    a.text = text;
    return a;
}

LyricAnswer parseReference(const QByteArray &body) {
    if (body.isEmpty()) return LyricAnswer::of(LyricAnswer::Kind::Empty);
    if (body.size() > kMaxBodyBytes) return LyricAnswer::failure();
    const QString text = TextFile::decode(body);
    const QStringList lines = TextFile::splitLines(text);
    if (lines.isEmpty()) return LyricAnswer::failure();
    const QString &first = lines.first();
    if (first.startsWith(kRefused) || first.startsWith(kNotice)) {
        LyricAnswer a = LyricAnswer::of(first.startsWith(kRefused) ? LyricAnswer::Kind::Refused
                                                                   : LyricAnswer::Kind::Notice);
        a.message = cleanField(first.mid(kRefused.size()));
        return a;
    }
    const QString status = first.trimmed();
    if (status == QStringLiteral("|无任何|"))
        return LyricAnswer::of(LyricAnswer::Kind::NothingFound);
    if (status == QStringLiteral("|没有歌名|")) return LyricAnswer::of(LyricAnswer::Kind::NoTitle);
    if (status == QStringLiteral("|没有歌词|")) return LyricAnswer::of(LyricAnswer::Kind::NoLyrics);
    if (status == QStringLiteral("|歌词选择|")) {
        LyricAnswer a = LyricAnswer::of(LyricAnswer::Kind::Candidates);
        a.candidates = readCandidates(lines);
        return a;
    }
    return lyricFile(text);
}

} // namespace LyricAnswers
