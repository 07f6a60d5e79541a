#include "playlist/no_lyrics_file.h"

#include "platform/text_file.h"

#include <QDir>

namespace NoLyricsFile {

QString storeFile(const AppPaths &paths, const QString &track) {
    QString name = track;
    name.replace(QLatin1Char('\\'), QLatin1Char('_'));
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    name.replace(QLatin1Char(':'), QLatin1Char('-'));
    name = name.right(150);
    return paths.lyricStore() + QLatin1Char('/') + name + QLatin1String(".lrc");
}

QString text(const QString &title) {
    QString shown = title;
    shown.replace(QLatin1Char('['), QStringLiteral("［"));
    shown.replace(QLatin1Char(']'), QStringLiteral("］"));
    return QLatin1String("[0:0]") + shown + QLatin1String("\r\n") +
           QStringLiteral("［如果想使用歌词，请重新查找或修改］") + QLatin1String("\r\n");
}

bool write(const AppPaths &paths, const QString &track, const QString &title) {
    QDir().mkpath(paths.lyricStore());
    return TextFile::write(storeFile(paths, track), text(title));
}

} // namespace NoLyricsFile
