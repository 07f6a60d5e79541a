// The lyric store: file names, the track-folder file, the no-lyrics marker, reading GBK files.
#include "lyrics/lyric_parser.h"
#include "lyrics/lyric_store.h"
#include "temp_home.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

void writeFile(const QString &path, const QByteArray &bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray readFile(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(LyricStore, StoreFileNames) {
    EXPECT_EQ(LyricStore::storeFileName(QStringLiteral("/home/a/b.mp3")),
              QStringLiteral("_home_a_b.mp3.lrc"));
    EXPECT_EQ(LyricStore::storeFileName(QStringLiteral("C:\\a\\b.wma")),
              QStringLiteral("C-_a_b.wma.lrc"));
    EXPECT_EQ(LyricStore::storeFileName(QStringLiteral("mms://host/live1")),
              QStringLiteral("mms-__host_live1.lrc"));
    EXPECT_EQ(LyricStore(QStringLiteral("/x/LRCS")).LyricStoreName(QStringLiteral("/m/s.ogg")),
              QStringLiteral("/x/LRCS/_m_s.ogg.lrc"));
}

TEST(LyricStore, LongPathsKeepTheirEnd) {
    const QString tail = QStringLiteral("/song.mp3");
    const QString a = QStringLiteral("/one") + QString(200, QLatin1Char('x')) + tail;
    const QString b = QStringLiteral("/two") + QString(200, QLatin1Char('x')) + tail;
    const QString name = LyricStore::storeFileName(a);
    EXPECT_EQ(name.size(), 150 + 4);
    EXPECT_TRUE(name.endsWith(QStringLiteral("_song.mp3.lrc")));
    // Paths that end alike share a file.
    EXPECT_EQ(name, LyricStore::storeFileName(b));

    // 150 CJK characters would not fit a Linux file name (255 bytes).
    const QString cjk =
        QStringLiteral("/音乐/") + QString(200, QChar(0x6B4C)) + QStringLiteral(".mp3");
    const QString cjkName = LyricStore::storeFileName(cjk);
    EXPECT_LE(cjkName.toUtf8().size(), 255);
    EXPECT_GT(cjkName.toUtf8().size(), 240);
    EXPECT_TRUE(cjkName.endsWith(QStringLiteral(".mp3.lrc")));

    // A cut never leaves half of a surrogate pair.
    QString emoji = QStringLiteral("/");
    for (int i = 0; i < 100; ++i)
        emoji += QString::fromUcs4(U"\U0001F3B5");
    const QString emojiName = LyricStore::storeFileName(emoji);
    EXPECT_FALSE(emojiName.front().isLowSurrogate());
    EXPECT_LE(emojiName.toUtf8().size(), 255);
}

TEST(LyricStore, TrackFolderFile) {
    EXPECT_EQ(LyricStore::trackFolderFile(QStringLiteral("/m/Song.mp3")),
              QStringLiteral("/m/Song.lrc"));
    EXPECT_EQ(LyricStore::trackFolderFile(QStringLiteral("/m.dir/Song")),
              QStringLiteral("/m.dir/Song.lrc"));
    EXPECT_EQ(LyricStore::trackFolderFile(QStringLiteral("/m/a.b.flac")),
              QStringLiteral("/m/a.b.lrc"));
    EXPECT_TRUE(LyricStore::trackFolderFile(QStringLiteral("http://h/x.mp3")).isEmpty());
}

TEST(LyricStore, LookupPrefersTheStoreAndAdoptsTheTrackFolderFile) {
    TempHome home;
    const LyricStore store(home.paths().lyricStore());
    const QString track = home.file(QStringLiteral("music/b.wma"));
    writeFile(track, "not audio");

    LyricLookupResult none = lookUpLyrics(store, track);
    EXPECT_FALSE(none.text.has_value());
    EXPECT_EQ(none.storeFile, store.LyricStoreName(track));

    writeFile(home.file(QStringLiteral("music/b.lrc")), "[00:01]beside\r\n");
    LyricLookupResult adopted = lookUpLyrics(store, track);
    ASSERT_TRUE(adopted.text.has_value());
    EXPECT_EQ(*adopted.text, QStringLiteral("[00:01]beside\r\n"));
    EXPECT_EQ(readFile(adopted.storeFile), QByteArray("[00:01]beside\r\n"));

    // The store copy wins over a changed track-folder file.
    writeFile(home.file(QStringLiteral("music/b.lrc")), "[00:01]changed\r\n");
    EXPECT_EQ(*lookUpLyrics(store, track).text, QStringLiteral("[00:01]beside\r\n"));

    // Deleting the store file lets the next lookup copy the track-folder file again.
    EXPECT_TRUE(store.remove(track));
    EXPECT_EQ(*lookUpLyrics(store, track).text, QStringLiteral("[00:01]changed\r\n"));
}

TEST(LyricStore, GbkFilesAreDecoded) {
    TempHome home;
    const LyricStore store(home.paths().lyricStore());
    // "[00:01]你好" and "[ti:歌词]" in GBK.
    writeFile(store.LyricStoreName(QStringLiteral("/m/g.mp3")),
              QByteArray("[ti:\xB8\xE8\xB4\xCA]\r\n[00:01]\xC4\xE3\xBA\xC3\r\n"));
    const auto found = lookUpLyrics(store, QStringLiteral("/m/g.mp3"));
    ASSERT_TRUE(found.text.has_value());
    EXPECT_EQ(LyricParser::load(*found.text).displayText,
              QStringLiteral("\n标题：歌词 \n[1.0]你好\n\n"));
}

TEST(LyricStore, NoLyricsFileIsAnOrdinaryLyricFile) {
    TempHome home;
    const LyricStore store(home.paths().lyricStore());
    ASSERT_TRUE(store.WriteNoLyricsFile(QStringLiteral("/m/x.mp3"), QStringLiteral("a [live] b")));
    const QByteArray bytes = readFile(store.LyricStoreName(QStringLiteral("/m/x.mp3")));
    EXPECT_EQ(
        bytes,
        QStringLiteral("[0:0]a ［live］ b\r\n［如果想使用歌词，请重新查找或修改］\r\n").toUtf8());
    const LyricParseResult r = LyricParser::load(QString::fromUtf8(bytes));
    EXPECT_EQ(r.displayText,
              QStringLiteral("\n[0.0]a ［live］ b\n［如果想使用歌词，请重新查找或修改］\n\n"));
    EXPECT_EQ(r.timeTagCount, 1);
}

TEST(LyricStore, ReplaceWithFailsForMissingSource) {
    TempHome home;
    const LyricStore store(home.paths().lyricStore());
    EXPECT_FALSE(
        store.replaceWith(QStringLiteral("/m/x.mp3"), home.file(QStringLiteral("none.lrc"))));
    EXPECT_FALSE(QFileInfo::exists(store.LyricStoreName(QStringLiteral("/m/x.mp3"))));
}

} // namespace
