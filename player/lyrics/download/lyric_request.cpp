#include "lyrics/download/lyric_request.h"

#include <QSysInfo>

#ifndef LYRAVOX_VERSION
#define LYRAVOX_VERSION "0.0.0"
#endif

namespace LyricRequest {

QString requestName(const LyricTrack &track) {
    QString n = track.file;
    n.replace(QLatin1Char('/'), QLatin1Char('\\'));
    while (n.contains(QLatin1String("\\\\")))
        n.replace(QLatin1String("\\\\"), QLatin1String("\\"));
    if (!n.contains(QLatin1Char('\\'))) n.prepend(QStringLiteral("…\\"));
    if (track.extension == QStringLiteral("未知")) n += QStringLiteral(".未知");
    QString name = n.mid(n.lastIndexOf(QLatin1Char('\\')) + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0) name.truncate(dot);
    return name;
}

TrackNames trackNames(const LyricTrack &track) {
    TrackNames n{track.title.trimmed(), track.artist.trimmed()};
    const QString name = requestName(track).trimmed();
    const qsizetype dash = name.indexOf(QLatin1String(" - "));
    if (n.track.isEmpty()) n.track = dash < 0 ? name : name.mid(dash + 3).trimmed();
    if (n.artist.isEmpty() && dash >= 0) n.artist = name.left(dash).trimmed();
    return n;
}

QString requestType(const QString &extension) {
    QString type = extension;
    type.replace(QLatin1Char('/'), QChar(0xFF0F));
    type.replace(QLatin1Char('\\'), QChar(0xFF3C));
    return type;
}

QByteArray encodeQuery(const Query &query) {
    QByteArray out;
    for (const auto &[key, value] : query) {
        if (!out.isEmpty()) out += '&';
        out += QUrl::toPercentEncoding(key) + '=' + QUrl::toPercentEncoding(value);
    }
    return out;
}

QUrl buildUrl(const QUrl &base, const QString &path, const Query &query) {
    QByteArray url = base.toEncoded(QUrl::RemoveQuery | QUrl::RemoveFragment);
    while (url.endsWith('/'))
        url.chop(1);
    url += QUrl::toPercentEncoding(path, "/");
    if (!query.isEmpty()) url += '?' + encodeQuery(query);
    return QUrl::fromEncoded(url, QUrl::StrictMode);
}

QString computerName() {
    QString name = QSysInfo::machineHostName().left(255);
    name.remove(QChar(0));
    return name.trimmed();
}

QString version() {
    return QStringLiteral(LYRAVOX_VERSION);
}

} // namespace LyricRequest
