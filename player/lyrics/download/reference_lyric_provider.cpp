#include "lyrics/download/reference_lyric_provider.h"

const QString ReferenceLyricProvider::kExactPath = QStringLiteral("/soft/Lyravox/lrcs/index.asp");
const QString ReferenceLyricProvider::kFuzzyPath = QStringLiteral("/soft/Lyravox/lrcs/index2.asp");

namespace {
LyricAnswer mapReference(int status, const QByteArray &body) {
    if (status < 200 || status > 299) return LyricAnswer::failure();
    return LyricAnswers::parseReference(body);
}
} // namespace

ReferenceLyricProvider::ReferenceLyricProvider(QUrl base) : m_base(std::move(base)) {}

LyricRequest::Query ReferenceLyricProvider::trackQuery(const LyricTrack &track) {
    return {{QStringLiteral("BanBen"), LyricRequest::version()},
            {QStringLiteral("PcName"), LyricRequest::computerName()},
            {QStringLiteral("MediaName"), track.title.trimmed()},
            {QStringLiteral("FileName"), LyricRequest::requestName(track).trimmed()},
            {QStringLiteral("Filetype"), LyricRequest::requestType(track.extension).trimmed()}};
}

std::unique_ptr<LyricReply> ReferenceLyricProvider::send(const QString &path,
                                                         const LyricRequest::Query &query) {
    return get(LyricRequest::buildUrl(m_base, path, query), mapReference);
}

std::unique_ptr<LyricReply> ReferenceLyricProvider::exact(const LyricTrack &track) {
    return send(kExactPath, trackQuery(track));
}

std::unique_ptr<LyricReply> ReferenceLyricProvider::fuzzy(const LyricTrack &track) {
    return send(kFuzzyPath, trackQuery(track));
}

std::unique_ptr<LyricReply> ReferenceLyricProvider::fetch(const LyricCandidate &candidate) {
    return send(kFuzzyPath, {{QStringLiteral("BanBen"), LyricRequest::version()},
                             {QStringLiteral("PcName"), LyricRequest::computerName()},
                             {QStringLiteral("dz"), candidate.location}});
}
