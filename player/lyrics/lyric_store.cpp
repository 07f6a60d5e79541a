#include "lyrics/lyric_store.h"

#include "platform/file_names.h"
#include "platform/text_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
constexpr qsizetype kStoreNameChars = 150;
const QLatin1String kLrcSuffix(".lrc");

} // namespace

LyricStore::LyricStore(QString folder) : m_folder(std::move(folder)) {}

QString LyricStore::storeFileName(const QString &track) {
    QString name = track;
    name.replace(QLatin1Char('\\'), QLatin1Char('_'));
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    name.replace(QLatin1Char(':'), QLatin1Char('-'));
    // Long CJK names keep fewer characters.
    return FileNames::tail(name, kStoreNameChars, FileNames::kMaxBytes - kLrcSuffix.size()) +
           kLrcSuffix;
}

QString LyricStore::LyricStoreName(const QString &track) const {
    return m_folder + QLatin1Char('/') + storeFileName(track);
}

QString LyricStore::trackFolderFile(const QString &track) {
    if (track.isEmpty() || track.contains(QLatin1String("://"))) return QString();
    const QFileInfo info(track);
    const QString fileName = info.fileName();
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    const qsizetype folderChars = track.size() - fileName.size();
    if (dot <= 0) return track + kLrcSuffix;
    return track.left(folderChars + dot) + kLrcSuffix;
}

bool LyricStore::adoptTrackFolderFile(const QString &track) const {
    const QString store = LyricStoreName(track);
    if (QFileInfo::exists(store)) return false;
    const QString beside = trackFolderFile(track);
    if (beside.isEmpty() || !QFileInfo(beside).isFile()) return false;
    return replaceWith(track, beside);
}

bool LyricStore::writeMarker(const QString &track, const QString &title,
                             const QStringList &hint) const {
    QString safeTitle = title;
    safeTitle.replace(QLatin1Char('['), QChar(0xFF3B));
    safeTitle.replace(QLatin1Char(']'), QChar(0xFF3D));
    QDir().mkpath(m_folder);
    return TextFile::writeLines(LyricStoreName(track),
                                QStringList{QStringLiteral("[0:0]") + safeTitle} + hint);
}

bool LyricStore::WriteNoLyricsFile(const QString &track, const QString &title) const {
    return writeMarker(track, title, {QStringLiteral("［如果想使用歌词，请重新查找或修改］")});
}

bool LyricStore::WriteNotFoundFile(const QString &track, const QString &title) const {
    return writeMarker(track, title,
                       {QStringLiteral("［未找到歌词。"),
                        QStringLiteral("  如果想使用歌词，请重新查找或编辑修改］")});
}

bool LyricStore::replaceWith(const QString &track, const QString &sourceFile) const {
    const std::optional<QByteArray> bytes = TextFile::readBytes(sourceFile);
    if (!bytes) return false;
    QDir().mkpath(m_folder);
    return TextFile::writeBytes(LyricStoreName(track), *bytes);
}

bool LyricStore::remove(const QString &track) const {
    const QString store = LyricStoreName(track);
    if (!QFileInfo::exists(store)) return true;
    return QFile::remove(store);
}

LyricLookupResult lookUpLyrics(const LyricStore &store, const QString &track) {
    LyricLookupResult result;
    result.storeFile = store.LyricStoreName(track);
    store.adoptTrackFolderFile(track);
    result.text = TextFile::read(result.storeFile);
    return result;
}
