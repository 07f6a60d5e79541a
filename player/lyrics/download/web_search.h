#pragma once
// The addresses of the web commands: the product's pages and the two outside searches.
#include <QString>
#include <QUrl>

namespace WebSearch {

enum class Kind { Mp3, Pictures };

QUrl homePage();  // the product's home page
QUrl lyricSite(); // the product site's lyric search and download page
// The search template with the keyword appended, percent-encoded as UTF-8 (a keyword with "&"
// or "#" stays one keyword). An empty keyword gives an empty address.
QUrl searchUrl(Kind kind, const QString &keyword);

} // namespace WebSearch
