// The automatic download against a local fake of LRCLIB's documented API (/api/get matches the
// artist and a duration within 2 s; /api/search returns decoys): what fits the track is stored,
// a decoy never is, and an instrumental record becomes the "no lyrics" marker. The player opens
// media the way libmpv does (later, from the event loop), so the requests must wait for it.
#include "app/main_menus.h"
#include "app/main_window_layout.h"
#include "fake_media_player.h"
#include "lyrics/download/lrclib_lyric_provider.h"
#include "lyrics/lyric_download_controller.h"
#include "lyrics/lyrics_controller.h"
#include "platform/text_file.h"
#include "playlist/playlist_model.h"
#include "recording_server.h"
#include "scripted_dialogs.h"
#include "temp_home.h"
#include "widgets/xp_button.h"

#include <QFileInfo>
#include <QTest>
#include <QUrlQuery>
#include <gtest/gtest.h>
#include <memory>

namespace {

QByteArray record(int id, const char *title, const char *artist, double duration,
                  const char *synced, bool instrumental = false) {
    return QStringLiteral(R"({"id":%1,"trackName":"%2","artistName":"%3","albumName":"Album",)"
                          R"("duration":%4,"instrumental":%5,"syncedLyrics":%6})")
        .arg(id)
        .arg(QString::fromUtf8(title), QString::fromUtf8(artist))
        .arg(duration)
        .arg(instrumental ? QStringLiteral("true") : QStringLiteral("false"),
             synced ? QStringLiteral("\"%1\"").arg(QString::fromUtf8(synced))
                    : QStringLiteral("null"))
        .toUtf8();
}

// LRCLIB as documented: /api/get needs track_name and artist_name and matches the duration
// within 2 s; /api/search (here a loose one that answers every record); /api/get/<id>.
class LrclibFake : public RecordingServer {
public:
    LrclibFake() : RecordingServer([this](const HttpRequest &r) { return answer(r); }) {}
    QStringList paths() const {
        QStringList out;
        for (const HttpRequest &r : requests)
            out << QString::fromUtf8(r.path);
        return out;
    }

    int hidden = 0; // the id of a record the search leaves out

private:
    struct Song {
        int id;
        const char *title, *artist;
        double duration;
        const char *synced;
        bool instrumental;
    };
    // The right song, then the decoys: too long, another title, an instrumental take.
    static constexpr Song kSongs[] = {
        {42, "Song", "Singer", 181, "[00:01.00]right words", false},
        {7, "Song", "Singer", 240, "[00:01.00]decoy far", false},
        {8, "Something Else", "Singer", 181, "[00:01.00]decoy title", false},
        {9, "Song", "Singer", 181, nullptr, true},
        {10, "Quiet", "Singer", 120, nullptr, true},
    };

    HttpResponse answer(const HttpRequest &r) {
        HttpResponse out;
        out.contentType = "application/json";
        const QUrlQuery q(QString::fromUtf8(r.query));
        const auto value = [&q](const char *key) {
            return q.queryItemValue(QString::fromLatin1(key), QUrl::FullyDecoded);
        };
        if (r.path == "/api/get") {
            const bool hasDuration = q.hasQueryItem(QStringLiteral("duration"));
            for (const Song &s : kSongs) {
                if (s.id == 9) continue; // the exact lookup knows the sung take
                if (value("track_name") == QString::fromUtf8(s.title) &&
                    value("artist_name") == QString::fromUtf8(s.artist) && hasDuration &&
                    std::abs(value("duration").toDouble() - s.duration) <= 2) {
                    out.body =
                        record(s.id, s.title, s.artist, s.duration, s.synced, s.instrumental);
                    return out;
                }
            }
            out.status = 404;
            out.body = R"({"code":404,"name":"TrackNotFound"})";
            return out;
        }
        if (r.path == "/api/search") {
            QByteArrayList found;
            // A loose search: everything it holds, decoys included.
            for (const Song &s : kSongs)
                if (s.id != hidden)
                    found << record(s.id, s.title, s.artist, s.duration, s.synced, s.instrumental);
            out.body = '[' + found.join(',') + ']';
            return out;
        }
        for (const Song &s : kSongs) {
            if (r.path == "/api/get/" + QByteArray::number(s.id)) {
                out.body = record(s.id, s.title, s.artist, s.duration, s.synced, s.instrumental);
                return out;
            }
        }
        out.status = 404;
        out.body = "{}";
        return out;
    }
};

class LrclibDownloadTest : public ::testing::Test {
protected:
    void SetUp() override {
        ctx = std::make_unique<AppContext>(AppContext{home.paths()});
        ctx->dialogs = &dialogs;
        ctx->settings.LyricDisplayMode = 0;
        ctx->settings.AutoDownloadLyrics = -1;
        ctx->settings.AutoFuzzySearch = -1;
        ctx->settings.DownloadWaitSeconds = 3;
        buildMainWindowWidgets(&window, ui);
        buildMainMenus(&window, ui);
        ui.frmMain = &window;
        for (XPButton *b : ui.XPButton)
            if (b) b->setEnabled(true);
        player.setOpensLater(true);
        lyrics = std::make_unique<LyricsController>(*ctx, ui, model, player);
        download = std::make_unique<LyricDownloadController>(
            *ctx, ui, model, player, *lyrics, std::make_unique<LrclibLyricProvider>(fake.url()));
        lyrics->hooks().startDownload = [this] { download->DownloadLyrics(); };
        lyrics->hooks().abandonDownload = [this] { download->abandon(); };
        ui.Timer[2]->setInterval(20);
        ui.Timer[9]->setInterval(20);
        window.show();
    }
    // Loads `file` as playback does: the player opens it later, the lookup starts at once.
    void load(const QString &file, const FakeMediaPlayer::Media &media) {
        player.setMedia(file, media);
        model.setItems({file});
        model.setCurrentTrack(0);
        player.setFileName(file);
        lyrics->FindLyrics();
    }
    // Waits until the download has settled: no request, no wait, no countdown.
    bool settle() {
        return QTest::qWaitFor(
            [this] {
                return !download->requestInFlight() && !download->waitingForTrackInfo() &&
                       !ui.Timer[2]->isActive() && !ui.Timer[9]->isActive();
            },
            10000);
    }
    QString stored(const QString &file) const {
        const auto text = TextFile::read(lyrics->store().LyricStoreName(file));
        return text ? *text : QString();
    }

    TempHome home;
    LrclibFake fake;
    ScriptedDialogs dialogs;
    std::unique_ptr<AppContext> ctx;
    QWidget window;
    MainWindowUi ui;
    PlaylistModel model;
    FakeMediaPlayer player;
    std::unique_ptr<LyricsController> lyrics;
    std::unique_ptr<LyricDownloadController> download;
};

FakeMediaPlayer::Media media(const char *title, const char *artist, double duration) {
    FakeMediaPlayer::Media m;
    m.title = QString::fromUtf8(title);
    m.artist = QString::fromUtf8(artist);
    m.album = QStringLiteral("Album");
    m.duration = duration;
    return m;
}

TEST_F(LrclibDownloadTest, StoresOnlyWhatFitsTheTrack) {
    struct Case {
        const char *name;
        FakeMediaPlayer::Media media;
        int hidden;           // a record the search leaves out
        const char *stored;   // what the store file holds afterwards (null: nothing stored)
        bool listStays;       // the candidate list is left for the user
        QStringList requests; // the paths asked, in order
    };
    const QString get = QStringLiteral("/api/get"), search = QStringLiteral("/api/search");
    const Case cases[] = {
        {"exact hit within 2 s", media("Song", "Singer", 182.4), 0, "right words", false, {get}},
        // Another artist: /api/get has nothing; the search offers the right record and decoys,
        // and the countdown picks the one whose duration fits.
        {"search past decoys",
         media("Song", "Somebody", 180),
         0,
         "right words",
         false,
         {get, search, QStringLiteral("/api/get/42")}},
        // Without the right record only decoys are left (another title at the right length,
        // the right title 60 s too long): nothing is stored, the list stays for the user.
        {"only decoys", media("Song", "Somebody", 180), 42, nullptr, true, {get, search}},
        {"instrumental record",
         media("Quiet", "Singer", 121),
         0,
         "[0:0]Quiet\r\n［如果想使用歌词，请重新查找或修改］",
         false,
         {get}},
    };
    int n = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        fake.requests.clear();
        fake.hidden = c.hidden;
        const QString file = home.file(QStringLiteral("music/t%1.mp3").arg(++n));
        load(file, c.media);
        ASSERT_TRUE(settle());
        EXPECT_EQ(fake.paths(), c.requests);
        if (c.stored)
            EXPECT_TRUE(stored(file).contains(QString::fromUtf8(c.stored)))
                << stored(file).toStdString();
        else
            EXPECT_FALSE(QFileInfo::exists(lyrics->store().LyricStoreName(file)));
        EXPECT_FALSE(stored(file).contains(QStringLiteral("decoy")));
        EXPECT_EQ(ui.List2->isVisible(), c.listStays);
    }
    // The exact request described the loaded track fully, though the player opened it later.
    fake.requests.clear();
    load(home.file(QStringLiteral("music/last.mp3")), media("Song", "Somebody", 180));
    ASSERT_TRUE(settle());
    ASSERT_FALSE(fake.requests.isEmpty());
    const QUrlQuery exact = fake.query(0);
    EXPECT_EQ(exact.queryItemValue(QStringLiteral("track_name")), QStringLiteral("Song"));
    EXPECT_EQ(exact.queryItemValue(QStringLiteral("artist_name")), QStringLiteral("Somebody"));
    EXPECT_EQ(exact.queryItemValue(QStringLiteral("album_name")), QStringLiteral("Album"));
    EXPECT_EQ(exact.queryItemValue(QStringLiteral("duration")), QStringLiteral("180"));
    ASSERT_GE(fake.requests.size(), 2);
    EXPECT_EQ(fake.query(1).queryItemValue(QStringLiteral("artist_name")),
              QStringLiteral("Somebody"));
}

TEST_F(LrclibDownloadTest, InstrumentalMarkerIsNotAskedAgain) {
    const QString file = home.file(QStringLiteral("music/quiet.mp3"));
    load(file, media("Quiet", "Singer", 120));
    ASSERT_TRUE(settle());
    ASSERT_EQ(fake.requests.size(), 1);
    lyrics->FindLyrics();
    ASSERT_TRUE(settle());
    EXPECT_EQ(fake.requests.size(), 1);
    EXPECT_TRUE(lyrics->LyricsLoaded());
}

TEST_F(LrclibDownloadTest, DoubleClickOnADecoyIsHonoured) {
    fake.hidden = 42;
    const QString file = home.file(QStringLiteral("music/pick.mp3"));
    load(file, media("Song", "Somebody", 180));
    ASSERT_TRUE(settle());
    ASSERT_TRUE(ui.List2->isVisible());
    int far = -1;
    for (int i = 0; i < ui.List2->count(); ++i)
        if (ui.List2->item(i)->text().contains(QStringLiteral("…7"))) far = i;
    ASSERT_GE(far, 0);
    QWidget *viewport = ui.List2->viewport();
    const QPoint at = ui.List2->visualItemRect(ui.List2->item(far)).center();
    QTest::mouseClick(viewport, Qt::LeftButton, {}, at);
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, at);
    ASSERT_TRUE(settle());
    EXPECT_TRUE(stored(file).contains(QStringLiteral("decoy far")));
}

} // namespace
