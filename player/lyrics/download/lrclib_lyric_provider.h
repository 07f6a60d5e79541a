#pragma once
// LRCLIB's public API: GET /api/get (exact, by title, artist and duration), /api/search (fuzzy)
// and /api/get/<id> (fetch). Only synced lyrics count; the fetched file gets [ti:], [ar:] and
// [al:] lines. No computer name is sent.
#include "lyrics/download/lyric_provider.h"

class LrclibLyricProvider : public LyricProvider {
public:
    // `base` is the API's host ("https://lrclib.net"); "/api/..." follows it.
    explicit LrclibLyricProvider(QUrl base);

    std::unique_ptr<LyricReply> exact(const LyricTrack &track) override;
    std::unique_ptr<LyricReply> fuzzy(const LyricTrack &track) override;
    std::unique_ptr<LyricReply> fetch(const LyricCandidate &candidate) override;

    // Title and artist asked for: the media's own, else taken from a request name of the form
    // "Artist - Title" (a name without " - " is the title).
    struct Names {
        QString track;
        QString artist;
    };
    static Names namesOf(const LyricTrack &track);

private:
    QUrl m_base;
};

namespace LrclibAnswers {
// A lyrics record (/api/get, /api/get/<id>): a lyric file with tags when it has synced lyrics,
// NoLyrics when it has none or the status is 404, Failure otherwise.
LyricAnswer parseRecord(int status, const QByteArray &body);
// A search result (/api/search): the records with synced lyrics as candidates, nearest to
// `duration` first (kept in server order without a duration), at most 200; NothingFound when
// none is left.
LyricAnswer parseSearch(int status, const QByteArray &body, double duration);
} // namespace LrclibAnswers
