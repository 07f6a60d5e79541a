#pragma once
// What a lyric request knows of the loaded track, and the names the reference protocol derives
// from it. Query values are percent-encoded as UTF-8, so "&", "=" or "#" inside a title stay
// part of that title.
#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QUrl>

struct LyricTrack {
    QString file;        // CurrentFile: path or network address
    QString extension;   // CurrentExt: lower-case extension or "未知"
    QString title;       // ClipTitle: what the media reported, may be empty
    QString artist;      // the media's author, may be empty
    QString album;       // the media's album, may be empty
    double duration = 0; // seconds; 0 for streams without a length
};

namespace LyricRequest {

// The request name: the file part of the track's path or address without its last extension
// ("/music/Singer - Song.mp3" gives "Singer - Song"; a track without extension keeps its
// whole last part).
QString requestName(const LyricTrack &track);
// Title and artist of the track: the media's own, else taken from the request name of the form
// "Artist - Title" (a name without " - " is the title).
struct TrackNames {
    QString track;
    QString artist;
};
TrackNames trackNames(const LyricTrack &track);

// The type sent with it: the extension with "/" and "\" made full-width.
QString requestType(const QString &extension);

// "key=value&key=value" with every value percent-encoded as UTF-8.
using Query = QList<QPair<QString, QString>>;
QByteArray encodeQuery(const Query &query);
// `base` + `path` + "?" + the encoded query. `base` may end with "/" or carry a path prefix.
QUrl buildUrl(const QUrl &base, const QString &path, const Query &query);

// The computer's name as sent by the reference protocol: at most 255 characters, NUL removed,
// blanks trimmed.
QString computerName();

// "1.7.0": the version the requests carry.
QString version();

} // namespace LyricRequest
