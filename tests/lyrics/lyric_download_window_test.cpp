// The real main window on a private X server (xcb), driven by pointer events on its window
// handles, with the reference lyric service on 127.0.0.1 and the real media player: a track
// without lyrics gets them from the service, by itself and through the fuzzy search command, and
// tracks played one after the other each ask with their own tags.
#include "app/main_window.h"
#include "http_server.h"
#include "lyric_service.h"
#include "lyrics/lyric_download_controller.h"
#include "lyrics/lyrics_controller.h"
#include "platform/text_file.h"
#include "playback/playback_controller.h"
#include "playback/playback_widgets.h"
#include "scripted_dialogs.h"
#include "temp_home.h"
#include "test_media.h"

#include <QDir>
#include <QGuiApplication>
#include <QMenu>
#include <QProcess>
#include <QTest>
#include <QUrlQuery>
#include <QWindow>
#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace {

class LyricDownloadWindow : public ::testing::Test {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            GTEST_SKIP() << "needs the xcb platform (run under xvfb-run)";
        trackFile = home.file(QStringLiteral("tune.wav"));
        ASSERT_TRUE(TestMedia::writeWav(trackFile, 8.0));
        options.root = home.file(QStringLiteral("service"));
        home.write(QStringLiteral("service/live/tune live.lrc"),
                   "[ti:tune live]\n[ar:Band]\n[00:00.50]first line\n[00:01.50]second line\n");
        service = std::make_unique<LyricService>(options);
        ASSERT_TRUE(service->listen(QHostAddress::LocalHost, 0));
        home.setLyricService(QStringLiteral("reference"),
                             QStringLiteral("http://127.0.0.1:%1").arg(service->port()));
        ctx = std::make_unique<AppContext>(home.paths());
        ctx->dialogs = &dialogs;
        ctx->startupCommandLine = trackFile;
    }

    void open() {
        window = std::make_unique<MainWindow>(*ctx);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    // Moves the X pointer over `p` of `w` and runs the xdotool command `then` there: real
    // pointer events through the X server, as a user's.
    static bool pointer(QWidget *w, const QPoint &p, const QStringList &then) {
        const QPoint global = w->mapToGlobal(p);
        const QStringList args =
            QStringList{QStringLiteral("mousemove"), QString::number(global.x()),
                        QString::number(global.y()), QStringLiteral("sleep"),
                        QStringLiteral("0.2")} +
            then;
        if (QProcess::execute(QStringLiteral("xdotool"), args) != 0) return false;
        QTest::qWait(50);
        return true;
    }
    QString boxText() const { return window->ui().RichTextBox1->toPlainText(); }

    TempHome home;
    ScriptedDialogs dialogs;
    LyricServiceOptions options;
    std::unique_ptr<LyricService> service;
    std::unique_ptr<AppContext> ctx;
    std::unique_ptr<MainWindow> window;
    QString trackFile;
    const QString one = home.file(QStringLiteral("music/one.mp3"));
    const QString two = home.file(QStringLiteral("music/two.mp3"));

    void playTwoTaggedTracks();
};

TEST_F(LyricDownloadWindow, FuzzySearchByMenuThenDoubleClickShowsTheLyrics) {
    open();
    ctx->settings.AutoDownloadLyrics = 0; // the user asks for the search
    window->finishStartup();
    ASSERT_TRUE(QTest::qWaitFor([&] { return boxText().endsWith(QStringLiteral("[无]")); }, 10000));

    // Right button on the lyric box opens its menu; a click on the fuzzy search item.
    QWidget *box = window->ui().RichTextBox1->viewport();
    ASSERT_TRUE(pointer(box, box->rect().center(), {QStringLiteral("click"), QStringLiteral("3")}));
    QMenu *menu = window->ui().Popmnu[1];
    ASSERT_TRUE(QTest::qWaitFor([&] { return menu->isVisible(); }, 5000));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(menu->windowHandle()));
    QAction *fuzzy = window->ui().action("PopOpenLRC2");
    ASSERT_TRUE(pointer(menu, menu->actionGeometry(fuzzy).center(),
                        {QStringLiteral("click"), QStringLiteral("1")}));

    QListWidget *list = window->ui().List2;
    ASSERT_TRUE(QTest::qWaitFor([&] { return list->isVisible() && list->count() == 1; }, 10000));
    EXPECT_EQ(list->item(0)->text(),
              QStringLiteral("【tune live】- 演唱〖Band〗- 专辑《》- 双击立即下载 "
                             "……………………………live/tune live.lrc"));
    EXPECT_EQ(service->requests().last().script, QStringLiteral("/soft/Lyravox/lrcs/index2.asp"));
    ASSERT_TRUE(pointer(list->viewport(), list->visualItemRect(list->item(0)).center(),
                        {QStringLiteral("click"), QStringLiteral("--repeat"), QStringLiteral("2"),
                         QStringLiteral("--delay"), QStringLiteral("80"), QStringLiteral("1")}));

    ASSERT_TRUE(QTest::qWaitFor([&] { return window->lyrics().LyricsLoaded(); }, 10000));
    EXPECT_FALSE(list->isVisible());
    EXPECT_TRUE(boxText().contains(QStringLiteral("[0.5]first line")));
    EXPECT_EQ(window->lyrics().LyricFile(), window->lyrics().store().LyricStoreName(trackFile));
    EXPECT_EQ(service->requests().last().value(QStringLiteral("dz")),
              QStringLiteral("live/tune live.lrc"));
}

TEST_F(LyricDownloadWindow, TrackWithoutLyricsGetsThemByItselfAndTheyLightUp) {
    home.write(QStringLiteral("service/tune.lrc"),
               "[00:00.30]first line\n[00:00.90]second line\n[00:01.50]third line\n");
    open();
    window->finishStartup(); // loads and plays the track: no lyric file, auto-download on
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->lyrics().LyricsLoaded(); }, 10000));
    EXPECT_TRUE(boxText().contains(QStringLiteral("[0.3]first line")));
    // The lyric tick highlights the lines as the track plays.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return window->lyrics().sync().CurLineText.contains(QStringLiteral("third line")); },
        10000));
    EXPECT_EQ(service->requests().size(), 1);
}

// Two tagged MP3 files whose names say nothing: only the tags libmpv reads can find their
// lyrics. Plays one, then the next, each until its own lyrics are shown.
void LyricDownloadWindow::playTwoTaggedTracks() {
    const auto tags = [](const char *title, const char *artist) {
        TestMedia::Tags t;
        t.title = QString::fromUtf8(title);
        t.artist = QString::fromUtf8(artist);
        return t;
    };
    ASSERT_TRUE(QDir().mkpath(home.file(QStringLiteral("music"))));
    ASSERT_TRUE(TestMedia::writeMp3(one, 30.0, tags("Alpha", "Artist A")));
    ASSERT_TRUE(TestMedia::writeMp3(two, 30.0, tags("Beta", "Artist B")));
    home.write(QStringLiteral("List.lvx"),
               ">0\r\n\"" + one.toUtf8() + "\"\r\n\"" + two.toUtf8() + "\"\r\n");
    ctx->startupCommandLine.clear();
    open();
    LyricsController &lyrics = window->lyrics();
    const auto hasOwnLyrics = [&](const QString &track) {
        return QTest::qWaitFor(
            [&] {
                return lyrics.LyricsLoaded() &&
                       lyrics.LyricFile() == lyrics.store().LyricStoreName(track);
            },
            10000);
    };
    window->finishStartup(); // plays "one": no lyric file, auto-download on
    ASSERT_TRUE(hasOwnLyrics(one));
    window->playback().controller().next();
    ASSERT_TRUE(hasOwnLyrics(two));
    const auto storedText = [&](const QString &track) {
        return TextFile::read(lyrics.store().LyricStoreName(track)).value_or(QString());
    };
    EXPECT_TRUE(storedText(one).contains(QStringLiteral("alpha words")));
    EXPECT_FALSE(storedText(one).contains(QStringLiteral("beta")));
    EXPECT_TRUE(storedText(two).contains(QStringLiteral("beta words")));
    EXPECT_FALSE(storedText(two).contains(QStringLiteral("alpha")));
}

TEST_F(LyricDownloadWindow, TaggedTracksInARowAskWithTheirOwnTagsAndKeepTheirOwnLyrics) {
    home.write(QStringLiteral("service/Alpha.lrc"), "[ti:Alpha]\n[00:00.50]alpha words\n");
    home.write(QStringLiteral("service/Beta.lrc"), "[ti:Beta]\n[00:00.50]beta words\n");
    playTwoTaggedTracks();
    if (HasFatalFailure()) return;
    ASSERT_EQ(service->requests().size(), 2);
    const struct { const char *title, *file; } asked[] = {{"Alpha", "one"}, {"Beta", "two"}};
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(asked[i].title);
        const auto &r = service->requests().at(i);
        EXPECT_EQ(r.script, QStringLiteral("/soft/Lyravox/lrcs/index.asp"));
        EXPECT_EQ(r.value(QStringLiteral("MediaName")), QString::fromUtf8(asked[i].title));
        EXPECT_EQ(r.value(QStringLiteral("FileName")), QString::fromUtf8(asked[i].file));
    }
}

TEST_F(LyricDownloadWindow, LrclibIsAskedWithEachTracksTitleArtistAndLength) {
    // LRCLIB's exact lookup as documented: title, artist and a length within 2 s must match.
    QList<QUrlQuery> asked;
    HttpServer lrclib([&asked](const HttpRequest &r) {
        const QUrlQuery q(QString::fromUtf8(r.query));
        asked << q;
        const auto value = [&q](const char *key) {
            return q.queryItemValue(QString::fromLatin1(key), QUrl::FullyDecoded);
        };
        HttpResponse out;
        out.contentType = "application/json";
        const bool alpha =
            value("track_name") == u"Alpha"_s && value("artist_name") == u"Artist A"_s;
        const bool beta = value("track_name") == u"Beta"_s && value("artist_name") == u"Artist B"_s;
        if (r.path != "/api/get" || !(alpha || beta) ||
            std::abs(value("duration").toInt() - 30) > 2) {
            out.status = 404;
            out.body = R"({"code":404,"name":"TrackNotFound"})";
            return out;
        }
        out.body = alpha ? R"({"id":1,"trackName":"Alpha","syncedLyrics":"[00:00.50]alpha words"})"
                         : R"({"id":2,"trackName":"Beta","syncedLyrics":"[00:00.50]beta words"})";
        return out;
    });
    ASSERT_TRUE(lrclib.listen(QHostAddress::LocalHost, 0));
    home.setLyricService(QStringLiteral("lrclib"),
                         QStringLiteral("http://127.0.0.1:%1").arg(lrclib.port()));
    playTwoTaggedTracks();
    if (HasFatalFailure()) return;
    ASSERT_EQ(asked.size(), 2);
    EXPECT_EQ(asked[0].queryItemValue(u"artist_name"_s), u"Artist A"_s);
    EXPECT_EQ(asked[1].queryItemValue(u"artist_name"_s), u"Artist B"_s);
    EXPECT_EQ(asked[1].queryItemValue(u"track_name"_s), u"Beta"_s);
}

} // namespace
