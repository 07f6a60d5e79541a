#pragma once
// What a lyric service answered, whatever its protocol: a status, a list of candidates or a
// lyric file. Answers come from a server we do not control, so every parser here checks size,
// content and counts before anything reaches the lyric box or the lyric store.
#include <QByteArray>
#include <QString>
#include <vector>

struct LyricCandidate {
    QString title;
    QString artist;
    QString album;
    QString location;    // the service's name for the lyric file, sent back to fetch it
    double duration = 0; // seconds; 0 when the service does not say
};

struct LyricAnswer {
    enum class Kind {
        Failure,      // no usable answer: network error, bad status, empty, too large, not lyrics
        Refused,      // "|禁止|": the service refuses this client; `message` says why
        Notice,       // "|提示|": a notice in `message`
        NothingFound, // "|无任何|": the fuzzy search found nothing
        NoTitle,      // "|没有歌名|": the request had no usable title
        NoLyrics,     // "|没有歌词|": nothing under that name
        Candidates,   // "|歌词选择|": `candidates` follow
        LyricFile,    // `text` is a lyric file with at least one time tag
        Instrumental, // the service knows the track as one without words
        Empty,        // the service answered with nothing at all
    };
    Kind kind = Kind::Failure;
    QString message;
    std::vector<LyricCandidate> candidates;
    QString text;

    static LyricAnswer failure() { return {}; }
    static LyricAnswer of(Kind kind) {
        LyricAnswer a;
        a.kind = kind;
        return a;
    }
};

namespace LyricAnswers {

// Limits on what a server may send.
constexpr qsizetype kMaxBodyBytes = 1024 * 1024;
constexpr int kMaxCandidates = 200;
constexpr qsizetype kMaxFieldChars = 200;     // title, artist, album, status messages
constexpr qsizetype kMaxLocationChars = 1024; // a longer location is not a location

// The answer of the reference protocol: the first line decides; the text is UTF-8 or
// GB18030 (see TextFile::decode).
LyricAnswer parseReference(const QByteArray &body);

// A lyric file answer when `text` is one: no NUL and at least one time tag; otherwise Failure.
LyricAnswer lyricFile(const QString &text);

// True when the text holds at least one time tag ([mm:ss], [m:ss.xx]).
bool hasTimeTag(const QString &text);

// A server text made fit to show: control characters removed, cut to `limit` characters.
QString cleanField(const QString &text, qsizetype limit = kMaxFieldChars);

} // namespace LyricAnswers
