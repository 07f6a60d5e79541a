#pragma once
// LRCLIB's public API: GET /api/get (exact, by title, artist, album and duration), /api/search
// (fuzzy, by title and artist) and /api/get/<id> (fetch). Only synced lyrics count; the fetched
// file gets [ti:], [ar:] and [al:] lines; a record marked instrumental is an answer of its own.
// No computer name is sent.
#include "lyrics/download/lyric_provider.h"

class LrclibLyricProvider : public LyricProvider {
public:
    // `base` is the API's host ("https://lrclib.net"); "/api/..." follows it.
    explicit LrclibLyricProvider(QUrl base);

    std::unique_ptr<LyricReply> exact(const LyricTrack &track) override;
    std::unique_ptr<LyricReply> fuzzy(const LyricTrack &track) override;
    std::unique_ptr<LyricReply> fetch(const LyricCandidate &candidate) override;

private:
    QUrl m_base;
};

namespace LrclibAnswers {
// A lyrics record (/api/get, /api/get/<id>): a lyric file with tags when it has synced lyrics,
// Instrumental when the record says so, NoLyrics when it has none or the status is 404, Failure
// otherwise.
LyricAnswer parseRecord(int status, const QByteArray &body);
// A search result (/api/search): the records with synced lyrics as candidates (with their
// durations), nearest to
// `duration` first (kept in server order without a duration), at most 200; NothingFound when
// none is left.
LyricAnswer parseSearch(int status, const QByteArray &body, double duration);
} // namespace LrclibAnswers
