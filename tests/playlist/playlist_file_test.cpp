// The list file reader and writer: odd files from other players and editors, exact bytes.
#include "platform/text_file.h"
#include "playlist/playlist_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString u(const char *utf8) {
    return QString::fromUtf8(utf8);
}

struct ParseCase {
    const char *name;
    QByteArray bytes;
    QStringList items;
    std::optional<int> index;
};

class ParseTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseTest, ReadsItemsAndIndex) {
    const ParseCase &c = GetParam();
    const PlaylistFile::Contents contents = PlaylistFile::parse(c.bytes);
    EXPECT_EQ(contents.items, c.items);
    EXPECT_EQ(contents.index, c.index);
}

const ParseCase kParseCases[] = {
    {"crlf_with_index",
     QByteArray("\">3\"\r\n\"/m/a.mp3\"\r\n\"/m/b.wma\"\r\n"),
     {u("/m/a.mp3"), u("/m/b.wma")},
     3},
    {"lone_cr",
     QByteArray("\">1\"\r\"/m/a.mp3\"\r\"/m/b.mp3\"\r"),
     {u("/m/a.mp3"), u("/m/b.mp3")},
     1},
    {"lone_lf", QByteArray("/m/a.mp3\n/m/b.mp3\n"), {u("/m/a.mp3"), u("/m/b.mp3")}, std::nullopt},
    {"mixed_ends_no_final_end",
     QByteArray("/m/a.mp3\r\n/m/b.mp3\r/m/c.mp3\n/m/d.mp3"),
     {u("/m/a.mp3"), u("/m/b.mp3"), u("/m/c.mp3"), u("/m/d.mp3")},
     std::nullopt},
    {"utf8_bom", QByteArray("\xef\xbb\xbf\"/音乐/歌.mp3\"\r\n"), {u("/音乐/歌.mp3")}, std::nullopt},
    {"gb18030",
     QByteArray("\"D:\\\xb8\xe8\xc7\xfa.mp3\"\r\n\"/m/\xd2\xf4\xc0\xd6.mp3\"\r\n"),
     {u("D:\\歌曲.mp3"), u("/m/音乐.mp3")},
     std::nullopt},
    {"m3u_extended",
     QByteArray("#EXTM3U\r\n#EXTINF:215,Singer - Song\r\n\"/m/song one.mp3\"\r\n\r\n"
                "#EXTINF:-1,Radio\r\nhttp://radio.example.com/live\r\n\r\n"),
     {u("/m/song one.mp3"), u("http://radio.example.com/live")},
     std::nullopt},
    {"blank_and_quote_only_lines",
     QByteArray("\"\"\r\n   \r\n\t\r\n\" \"\r\n/m/a.mp3\r\n"),
     {u("/m/a.mp3")},
     std::nullopt},
    {"quotes_anywhere_removed",
     QByteArray("\"/m/a\"b\".mp3\"\r\n"),
     {u("/m/ab.mp3")},
     std::nullopt},
    {"negative_index", QByteArray("\">-1\"\r\n/m/a.mp3\r\n"), {u("/m/a.mp3")}, -1},
    {"index_with_blanks_and_marks", QByteArray("\"> 2 >\"\r\n/m/a.mp3\r\n"), {u("/m/a.mp3")}, 2},
    {"non_numeric_index_ignored",
     QByteArray("\">abc\"\r\n/m/a.mp3\r\n"),
     {u("/m/a.mp3")},
     std::nullopt},
    {"huge_index_clamped", QByteArray("\">99999999999999\"\r\n"), {}, 2147483647},
    {"empty_file", QByteArray(), {}, std::nullopt},
    {"only_line_ends", QByteArray("\r\n\r\r\n\n"), {}, std::nullopt},
    {"hash_only_at_start_is_comment",
     QByteArray("/m/#1.mp3\r\n#/m/2.mp3\r\n"),
     {u("/m/#1.mp3")},
     std::nullopt},
};

INSTANTIATE_TEST_SUITE_P(Files, ParseTest, ::testing::ValuesIn(kParseCases),
                         [](const auto &param) { return std::string(param.param.name); });

TEST(PlaylistFileTest, GarbageBytesGiveItemsWithoutLineBreaksOrQuotes) {
    QByteArray garbage;
    for (int i = 0; i < 4096; ++i)
        garbage.append(char((i * 7919 + 13) % 256));
    const PlaylistFile::Contents contents = PlaylistFile::parse(garbage, QStringLiteral("/base"));
    for (const QString &item : contents.items) {
        EXPECT_FALSE(item.contains(QLatin1Char('\r')) || item.contains(QLatin1Char('\n')));
        EXPECT_FALSE(item.contains(QLatin1Char('"')));
        EXPECT_FALSE(item.trimmed().isEmpty());
    }
}

TEST(PlaylistFileTest, RelativePathsAreResolvedAgainstTheListFolder) {
    const QByteArray bytes("#EXTM3U\r\nsong.mp3\r\n\"sub dir/two.ogg\"\r\n../up.mp3\r\n"
                           "/abs/three.mp3\r\nmms://media.example.com/live\r\nC:\\win\\x.mp3\r\n"
                           "~/home.mp3\r\nlive: take 2.mp3\r\n");
    const PlaylistFile::Contents contents =
        PlaylistFile::parse(bytes, QStringLiteral("/lists/pop"));
    EXPECT_EQ(
        contents.items,
        (QStringList{u("/lists/pop/song.mp3"), u("/lists/pop/sub dir/two.ogg"), u("/lists/up.mp3"),
                     u("/abs/three.mp3"), u("mms://media.example.com/live"), u("C:\\win\\x.mp3"),
                     u("~/home.mp3"), u("/lists/pop/live: take 2.mp3")}));
}

TEST(PlaylistFileTest, ReadResolvesAgainstTheFilesOwnFolderAndRefusesWhatIsNoFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QDir().mkpath(dir.filePath(QStringLiteral("lists")));
    const QString list = dir.filePath(QStringLiteral("lists/party.m3u"));
    ASSERT_TRUE(TextFile::writeBytes(list, QByteArray("a.mp3\n../b.mp3\n")));
    const auto contents = PlaylistFile::read(list);
    ASSERT_TRUE(contents);
    EXPECT_EQ(contents->items, (QStringList{dir.filePath(QStringLiteral("lists/a.mp3")),
                                            dir.filePath(QStringLiteral("b.mp3"))}));

    EXPECT_FALSE(PlaylistFile::read(dir.filePath(QStringLiteral("missing.lvx"))));
    EXPECT_FALSE(PlaylistFile::read(dir.filePath(QStringLiteral("lists"))));
    EXPECT_FALSE(PlaylistFile::read(QString()));
}

TEST(PlaylistFileTest, FormatWritesQuotedLinesWithCrLfAndUtf8) {
    EXPECT_EQ(PlaylistFile::format({u("/m/歌.mp3"), u("http://x/y")}, 3),
              QByteArray("\">3\"\r\n\"/m/\xe6\xad\x8c.mp3\"\r\n\"http://x/y\"\r\n"));
    EXPECT_EQ(PlaylistFile::format({u("/m/a.mp3")}, std::nullopt), QByteArray("\"/m/a.mp3\"\r\n"));
    EXPECT_EQ(PlaylistFile::format({}, -1), QByteArray("\">-1\"\r\n"));
}

TEST(PlaylistFileTest, ExportedListImportsWithTheSameItemsAndIndex) {
    QStringList items;
    for (int i = 0; i < 50; ++i)
        items << QStringLiteral("/音乐/第%1首 [live].mp3").arg(i);
    const PlaylistFile::Contents back = PlaylistFile::parse(PlaylistFile::format(items, 17));
    EXPECT_EQ(back.items, items);
    EXPECT_EQ(back.index, 17);
}

TEST(PlaylistFileTest, AppendKeepsAnOldGb18030FileReadable) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("List.lvx"));
    // GB18030 bytes and no final line end: the new line must still start a line of its own.
    ASSERT_TRUE(TextFile::writeBytes(path, QByteArray("\">1\"\r\n\"/m/\xb8\xe8.mp3\"")));
    ASSERT_TRUE(PlaylistFile::appendItem(path, u("/m/新.mp3")));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), u("\">1\"\r\n\"/m/歌.mp3\"\r\n\"/m/新.mp3\"\r\n").toUtf8());

    const QString fresh = dir.filePath(QStringLiteral("new/none.lvx"));
    EXPECT_FALSE(PlaylistFile::appendItem(fresh, u("/x.mp3"))) << "folder does not exist";
    const QString created = dir.filePath(QStringLiteral("created.lvx"));
    ASSERT_TRUE(PlaylistFile::appendItem(created, u("/x.mp3")));
    EXPECT_EQ(PlaylistFile::read(created)->items, QStringList{u("/x.mp3")});
}

TEST(PlaylistFileTest, WriteFailureLeavesTheOldFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("List.lvx"));
    ASSERT_TRUE(PlaylistFile::write(path, {u("/old.mp3")}, 0));
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    const bool wrote = PlaylistFile::write(path, {u("/new.mp3")}, 0);
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (wrote) GTEST_SKIP() << "running with rights that ignore folder permissions";
    EXPECT_EQ(PlaylistFile::read(path)->items, QStringList{u("/old.mp3")});
}

TEST(PlaylistFileTest, ExportNameEndsInExactlyOneLowerCaseLvx) {
    const std::pair<const char *, const char *> cases[] = {
        {"/d/a.lvx.lvx", "/d/a.lvx"},
        {"/d/b", "/d/b.lvx"},
        {"/d/c.LVX", "/d/c.LVX.lvx"},
        {"/d/x.lvxy", "/d/xy.lvx"},
        {"/d/my.lvx.d/list", "/d/my.lvx.d/list.lvx"}, // the folder is not renamed
        {"plain", "plain.lvx"},
    };
    for (const auto &[chosen, expected] : cases)
        EXPECT_EQ(PlaylistFile::exportName(u(chosen)), u(expected)) << chosen;
}

} // namespace
