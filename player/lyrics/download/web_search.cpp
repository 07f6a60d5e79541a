#include "lyrics/download/web_search.h"

namespace WebSearch {

QUrl lyricSite() {
    return QUrl(QStringLiteral("https://lrclib.net"));
}

QUrl searchUrl(Kind kind, const QString &keyword) {
    const QString word = keyword.trimmed();
    if (word.isEmpty()) return QUrl();
    const QByteArray base =
        kind == Kind::Mp3
            ? QByteArray("https://mp3.baidu.com/m?f=ms&rn=&tn=baidump3&ct=134217728&lm=-1&word=")
            : QByteArray(
                  "https://image.baidu.com/i?ct=201326592&cl=2&lm=-1&tn=baiduimage&z=0&word=");
    return QUrl::fromEncoded(base + QUrl::toPercentEncoding(word), QUrl::StrictMode);
}

} // namespace WebSearch
