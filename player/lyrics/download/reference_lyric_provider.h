#pragma once
// The lyric service protocol of the product's own server (and of tools/lyric-service):
// index.asp for the exact request, index2.asp for the fuzzy search and the fetch.
#include "lyrics/download/lyric_provider.h"

class ReferenceLyricProvider : public LyricProvider {
public:
    // `base` is the server's address ("http://127.0.0.1:8123"); the script paths follow it.
    explicit ReferenceLyricProvider(QUrl base);

    static const QString kExactPath; // "/soft/Lyravox/lrcs/index.asp"
    static const QString kFuzzyPath; // "/soft/Lyravox/lrcs/index2.asp"

    std::unique_ptr<LyricReply> exact(const LyricTrack &track) override;
    std::unique_ptr<LyricReply> fuzzy(const LyricTrack &track) override;
    std::unique_ptr<LyricReply> fetch(const LyricCandidate &candidate) override;

    // The query of the exact and fuzzy requests, in the protocol's order.
    static LyricRequest::Query trackQuery(const LyricTrack &track);

private:
    std::unique_ptr<LyricReply> send(const QString &path, const LyricRequest::Query &query);

    QUrl m_base;
};
