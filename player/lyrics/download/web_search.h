#pragma once
// The addresses of the web commands: the lyric site and the two outside searches.
#include <QString>
#include <QUrl>

namespace WebSearch {

enum class Kind { Mp3, Pictures };

QUrl lyricSite(); // LRCLIB's site, where lyrics are searched and shared
// The search template with the keyword appended, percent-encoded as UTF-8 (a keyword with "&"
// or "#" stays one keyword). An empty keyword gives an empty address.
QUrl searchUrl(Kind kind, const QString &keyword);

} // namespace WebSearch
