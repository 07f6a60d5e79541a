#include "lyrics/download/lrclib_lyric_provider.h"

#include "platform/text_file.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cmath>

namespace {

QString field(const QJsonObject &o, const char *key) {
    return LyricAnswers::cleanField(o.value(QLatin1String(key)).toString());
}

QString tagValue(const QString &text) {
    QString v = text;
    v.replace(QLatin1Char('['), QChar(0xFF3B));
    v.replace(QLatin1Char(']'), QChar(0xFF3D));
    return v;
}

bool okStatus(int status) {
    return status >= 200 && status <= 299;
}

QString idOf(const QJsonObject &o) {
    const QJsonValue id = o.value(QLatin1String("id"));
    if (!id.isDouble()) return QString();
    const double v = id.toDouble();
    if (v < 0 || v > 9.0e15 || std::floor(v) != v) return QString();
    return QString::number(qint64(v));
}

} // namespace

namespace LrclibAnswers {

LyricAnswer parseRecord(int status, const QByteArray &body) {
    if (status == 404) return LyricAnswer::of(LyricAnswer::Kind::NoLyrics);
    if (!okStatus(status) || body.size() > LyricAnswers::kMaxBodyBytes)
        return LyricAnswer::failure();
    const QJsonDocument doc = QJsonDocument::fromJson(body);
    if (!doc.isObject()) return LyricAnswer::failure();
    const QJsonObject o = doc.object();
    if (o.value(QLatin1String("instrumental")).toBool())
        return LyricAnswer::of(LyricAnswer::Kind::Instrumental);
    const QString synced = o.value(QLatin1String("syncedLyrics")).toString();
    if (synced.trimmed().isEmpty()) return LyricAnswer::of(LyricAnswer::Kind::NoLyrics);
    QStringList lines{QStringLiteral("[ti:") + tagValue(field(o, "trackName")) + QLatin1Char(']'),
                      QStringLiteral("[ar:") + tagValue(field(o, "artistName")) + QLatin1Char(']'),
                      QStringLiteral("[al:") + tagValue(field(o, "albumName")) + QLatin1Char(']')};
    lines += TextFile::splitLines(synced);
    return LyricAnswers::lyricFile(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
}

LyricAnswer parseSearch(int status, const QByteArray &body, double duration) {
    if (!okStatus(status) || body.size() > LyricAnswers::kMaxBodyBytes)
        return LyricAnswer::failure();
    const QJsonDocument doc = QJsonDocument::fromJson(body);
    if (!doc.isArray()) return LyricAnswer::failure();
    struct Found {
        double distance;
        LyricCandidate candidate;
    };
    std::vector<Found> found;
    const QJsonArray records = doc.array();
    for (const QJsonValue &value : records) {
        const QJsonObject o = value.toObject();
        const QString id = idOf(o);
        if (id.isEmpty() || o.value(QLatin1String("instrumental")).toBool() ||
            o.value(QLatin1String("syncedLyrics")).toString().trimmed().isEmpty())
            continue;
        const QJsonValue d = o.value(QLatin1String("duration"));
        const double length =
            d.isDouble() && d.toDouble() > 0 && d.toDouble() < 1.0e7 ? d.toDouble() : 0.0;
        const double distance =
            duration > 0 && length > 0 ? std::fabs(length - duration) : HUGE_VAL;
        found.push_back(
            {duration > 0 ? distance : 0.0,
             {field(o, "trackName"), field(o, "artistName"), field(o, "albumName"), id, length}});
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const Found &a, const Found &b) { return a.distance < b.distance; });
    if (found.empty()) return LyricAnswer::of(LyricAnswer::Kind::NothingFound);
    LyricAnswer a = LyricAnswer::of(LyricAnswer::Kind::Candidates);
    for (size_t i = 0; i < found.size() && int(i) < LyricAnswers::kMaxCandidates; ++i)
        a.candidates.push_back(std::move(found[i].candidate));
    return a;
}

} // namespace LrclibAnswers

LrclibLyricProvider::LrclibLyricProvider(QUrl base) : m_base(std::move(base)) {}

std::unique_ptr<LyricReply> LrclibLyricProvider::exact(const LyricTrack &track) {
    const LyricRequest::TrackNames n = LyricRequest::trackNames(track);
    if (n.track.isEmpty())
        return std::make_unique<LyricReply>(LyricAnswer::of(LyricAnswer::Kind::NoTitle));
    // The exact lookup needs an artist; without one only the search can find the song.
    if (n.artist.isEmpty())
        return std::make_unique<LyricReply>(LyricAnswer::of(LyricAnswer::Kind::NoLyrics));
    LyricRequest::Query query{{QStringLiteral("track_name"), n.track},
                              {QStringLiteral("artist_name"), n.artist}};
    if (!track.album.trimmed().isEmpty())
        query.append({QStringLiteral("album_name"), track.album.trimmed()});
    // LRCLIB matches durations within 2 s; a stream has none to match.
    if (track.duration > 0)
        query.append({QStringLiteral("duration"), QString::number(qRound64(track.duration))});
    return get(LyricRequest::buildUrl(m_base, QStringLiteral("/api/get"), query),
               LrclibAnswers::parseRecord);
}

std::unique_ptr<LyricReply> LrclibLyricProvider::fuzzy(const LyricTrack &track) {
    const LyricRequest::TrackNames n = LyricRequest::trackNames(track);
    if (n.track.isEmpty())
        return std::make_unique<LyricReply>(LyricAnswer::of(LyricAnswer::Kind::NoTitle));
    const double duration = track.duration;
    LyricRequest::Query query{{QStringLiteral("track_name"), n.track}};
    if (!n.artist.isEmpty()) query.append({QStringLiteral("artist_name"), n.artist});
    return get(LyricRequest::buildUrl(m_base, QStringLiteral("/api/search"), query),
               [duration](int status, const QByteArray &body) {
                   return LrclibAnswers::parseSearch(status, body, duration);
               });
}

std::unique_ptr<LyricReply> LrclibLyricProvider::fetch(const LyricCandidate &candidate) {
    const QString &id = candidate.location;
    const bool digits =
        !id.isEmpty() && id.size() <= 16 &&
        std::all_of(id.begin(), id.end(), [](QChar c) { return c.isDigit() && c.unicode() < 128; });
    if (!digits) return std::make_unique<LyricReply>(LyricAnswer::failure());
    return get(LyricRequest::buildUrl(m_base, QStringLiteral("/api/get/") + id, {}),
               LrclibAnswers::parseRecord);
}
