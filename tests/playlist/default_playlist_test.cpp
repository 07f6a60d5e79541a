// The default playlist at start-up and exit: every command-line case, the old file name, the
// demonstration song, the start index.
#include "platform/text_file.h"
#include "playlist/default_playlist.h"
#include "playlist/playlist_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using Kind = DefaultPlaylist::Request::Kind;

class DefaultPlaylistTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_home.isValid());
        ASSERT_TRUE(m_data.isValid());
    }
    AppPaths paths() const { return AppPaths(m_home.path(), {m_data.path()}); }
    QString home(const char *name) const { return m_home.filePath(QLatin1String(name)); }
    void put(const QString &path, const QByteArray &bytes) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        ASSERT_TRUE(TextFile::writeBytes(path, bytes));
    }
    QByteArray bytes(const QString &path) const {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    void addDemo() { put(m_data.filePath(QStringLiteral("demo/demo.wav")), "RIFF"); }

    QTemporaryDir m_home, m_data;
};

TEST_F(DefaultPlaylistTest, CommandLinesAreInterpretedAlike) {
    const QString cwd = QStringLiteral("/work/dir");
    struct Case {
        const char *line;
        Kind kind;
        const char *path;
    } cases[] = {
        {"", Kind::None, ""},
        {"   ", Kind::None, ""},
        {"/a /music/my song.mp3", Kind::Append, "/music/my song.mp3"},
        {"/a \"/music/my song.mp3\"", Kind::Append, "/music/my song.mp3"},
        {"\"/a /music/my song.mp3\"", Kind::Append, "/music/my song.mp3"},
        {"  /music/x.mp3  ", Kind::Replace, "/music/x.mp3"},
        {"song.mp3", Kind::Replace, "/work/dir/song.mp3"},
        {"/a ../song.mp3", Kind::Append, "/work/song.mp3"},
        {"http://radio.example.com/live", Kind::Replace, "http://radio.example.com/live"},
        {"/lists/Party.M3U", Kind::ListFile, "/lists/Party.M3U"},
        {"mine.lvx", Kind::ListFile, "/work/dir/mine.lvx"},
        {"/a /lists/more.lvx", Kind::AppendList, "/lists/more.lvx"},
        {"/a ", Kind::None, ""},
        {"/abc.mp3", Kind::Replace, "/abc.mp3"},
    };
    for (const Case &c : cases) {
        const auto request = DefaultPlaylist::interpret(QString::fromUtf8(c.line), cwd);
        EXPECT_EQ(request.kind, c.kind) << c.line;
        EXPECT_EQ(request.path, QString::fromUtf8(c.path)) << c.line;
    }
}

TEST_F(DefaultPlaylistTest, AppendKeepsTheOldListAndPlainPathReplacesIt) {
    const DefaultPlaylist list(paths());
    put(list.file(), "\">1\"\r\n\"/m/a.mp3\"\r\n\"/m/b.mp3\"\r\n");

    auto result = list.load(QStringLiteral("/a /m/x.mp3"), 0);
    EXPECT_EQ(result.items, (QStringList{QStringLiteral("/m/a.mp3"), QStringLiteral("/m/b.mp3"),
                                         QStringLiteral("/m/x.mp3")}));
    EXPECT_EQ(result.startIndex, 1);
    EXPECT_EQ(bytes(list.file()), QByteArray("\">1\"\r\n\"/m/a.mp3\"\r\n\"/m/b.mp3\"\r\n"
                                             "\"/m/x.mp3\"\r\n"));

    result = list.load(QStringLiteral("/m/y.mp3"), 5);
    EXPECT_EQ(result.items, QStringList{QStringLiteral("/m/y.mp3")});
    EXPECT_EQ(result.startIndex, 0);
    EXPECT_EQ(bytes(list.file()), QByteArray("\"/m/y.mp3\"\r\n"));
}

TEST_F(DefaultPlaylistTest, ListFileOnTheCommandLineIsShownButNotCopied) {
    const DefaultPlaylist list(paths());
    put(list.file(), "\"/m/old.mp3\"\r\n");
    const QString m3u = m_data.filePath(QStringLiteral("party.m3u"));
    put(m3u, "#EXTM3U\r\n#EXTINF:1,One\r\none.mp3\r\n\r\n\"/m/two.mp3\"\r\n");

    auto result = list.load(m3u, 7);
    EXPECT_EQ(result.items, (QStringList{m_data.filePath(QStringLiteral("one.mp3")),
                                         QStringLiteral("/m/two.mp3")}));
    EXPECT_EQ(result.startIndex, 0);
    EXPECT_EQ(bytes(list.file()), QByteArray("\"/m/old.mp3\"\r\n"));

    const QString lvx = m_data.filePath(QStringLiteral("saved.lvx"));
    put(lvx, "\">1\"\r\n\"/m/a.mp3\"\r\n\"/m/b.mp3\"\r\n");
    EXPECT_EQ(list.load(lvx, 0).startIndex, 1);

    result = list.load(QStringLiteral("/a ") + m3u, 0);
    EXPECT_EQ(result.items.size(), 3);
    EXPECT_EQ(result.items.first(), QStringLiteral("/m/old.mp3"));
}

TEST_F(DefaultPlaylistTest, StartIndexIsClampedAndANonNumericIndexLineIgnored) {
    const DefaultPlaylist list(paths());
    const std::tuple<const char *, int, int> cases[] = {
        {"\">-1\"\r\n", 2, 0}, {"\">9\"\r\n", 0, 2}, {"\">1\"\r\n", 0, 1}, {"\">x\"\r\n", 0, 0},
        {"\">x\"\r\n", 2, 2},  {"", 1, 1},           {"", -5, 0},          {"", 40, 2},
    };
    for (const auto &[indexLine, stored, expected] : cases) {
        put(list.file(),
            QByteArray(indexLine) + "\"/m/a.mp3\"\r\n\"/m/b.mp3\"\r\n\"/m/c.mp3\"\r\n");
        EXPECT_EQ(list.load(QString(), stored).startIndex, expected)
            << indexLine << " stored " << stored;
    }
}

TEST_F(DefaultPlaylistTest, OldFileNameIsTakenOverOnlyWhenTheNewOneIsMissing) {
    const DefaultPlaylist list(paths());
    put(home("List.txt"), "\"/m/old.mp3\"\r\n");
    EXPECT_EQ(list.load(QString(), 0).items, QStringList{QStringLiteral("/m/old.mp3")});
    EXPECT_FALSE(QFile::exists(home("List.txt")));

    put(home("List.txt"), "\"/m/older.mp3\"\r\n");
    EXPECT_EQ(list.load(QString(), 0).items, QStringList{QStringLiteral("/m/old.mp3")});
    EXPECT_TRUE(QFile::exists(home("List.txt")));
}

TEST_F(DefaultPlaylistTest, DemoSongFillsAnEmptyListAndIsRemembered) {
    const DefaultPlaylist list(paths());
    auto result = list.load(QString(), 3);
    EXPECT_TRUE(result.items.isEmpty());
    EXPECT_FALSE(result.demoAdded);
    EXPECT_FALSE(QFile::exists(list.file()));

    addDemo();
    put(list.file(), "\">4\"\r\n#nothing\r\n");
    result = list.load(QString(), 3);
    const QString demo = m_data.filePath(QStringLiteral("demo/demo.wav"));
    EXPECT_EQ(result.items, QStringList{demo});
    EXPECT_TRUE(result.demoAdded);
    EXPECT_EQ(result.startIndex, 0);
    EXPECT_EQ(PlaylistFile::read(list.file())->items, QStringList{demo});

    // A list file on the command line that cannot be read also falls back to the demo.
    EXPECT_EQ(list.load(m_home.filePath(QStringLiteral("gone.m3u")), 0).items, QStringList{demo});
}

TEST_F(DefaultPlaylistTest, SaveWritesTheIndexLineAndAnEmptyListLeavesTheFile) {
    const DefaultPlaylist list(paths());
    ASSERT_TRUE(list.save({QStringLiteral("/m/a.mp3"), QStringLiteral("/m/b.mp3")}, 1));
    EXPECT_EQ(bytes(list.file()), QByteArray("\">1\"\r\n\"/m/a.mp3\"\r\n\"/m/b.mp3\"\r\n"));
    EXPECT_TRUE(list.save({}, -1));
    EXPECT_EQ(bytes(list.file()), QByteArray("\">1\"\r\n\"/m/a.mp3\"\r\n\"/m/b.mp3\"\r\n"));

    ASSERT_TRUE(list.rewrite({QStringLiteral("/m/b.mp3")}));
    EXPECT_EQ(bytes(list.file()), QByteArray("\"/m/b.mp3\"\r\n"));
    ASSERT_TRUE(list.rewrite({}));
    EXPECT_FALSE(QFile::exists(list.file()));
    EXPECT_TRUE(list.remove());
}

} // namespace
