// The LRCLIB provider against a local fake of LRCLIB's documented API on 127.0.0.1: what it
// asks (exact with the duration, search, fetch by id, its user agent, nothing about the
// computer) and how the answers map onto the download's answer kinds.
#include "await_answer.h"
#include "lyrics/download/lrclib_lyric_provider.h"
#include "lyrics/download/lyric_service_config.h"
#include "recording_server.h"
#include "temp_home.h"

#include <QUrlQuery>
#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace {

const QByteArray kRecord = R"({"id":42,"trackName":"Song","artistName":"Singer","albumName":"Album",
  "duration":181.0,"instrumental":false,"plainLyrics":"one","syncedLyrics":"[00:01.00] one\n[00:02.00] two"})";

class LrclibFake : public RecordingServer {
public:
    LrclibFake() : RecordingServer([this](const HttpRequest &r) { return answer(r); }) {}

private:
    HttpResponse answer(const HttpRequest &r) {
        HttpResponse out;
        out.contentType = "application/json";
        const QUrlQuery q(QString::fromUtf8(r.query));
        if (r.path == "/api/get") {
            const int duration = q.queryItemValue(QStringLiteral("duration")).toInt();
            // LRCLIB matches durations within 2 s.
            if (q.queryItemValue(QStringLiteral("track_name"), QUrl::FullyDecoded) ==
                    QStringLiteral("Song") &&
                (!q.hasQueryItem(QStringLiteral("duration")) || std::abs(duration - 181) <= 2)) {
                out.body = kRecord;
                return out;
            }
            out.status = 404;
            out.body =
                R"({"code":404,"name":"TrackNotFound","message":"Failed to find specified track"})";
            return out;
        }
        if (r.path == "/api/search") {
            out.body = R"([
              {"id":1,"trackName":"Song","artistName":"Far","albumName":"","duration":300,"syncedLyrics":"[00:01]far"},
              {"id":2,"trackName":"Song","artistName":"Plain","albumName":"","duration":181,"syncedLyrics":null},
              {"id":42,"trackName":"Song","artistName":"Singer","albumName":"Album","duration":182,"syncedLyrics":"[00:01]x"},
              {"id":3,"trackName":"Song","artistName":"Near","albumName":"","duration":175,"syncedLyrics":"[00:01]near"}])";
            return out;
        }
        if (r.path == "/api/get/42") {
            out.body = kRecord;
            return out;
        }
        out.status = 404;
        out.body = "{}";
        return out;
    }
};

LyricTrack track(const QString &file, const QString &title, const QString &artist,
                 double duration) {
    LyricTrack t;
    t.file = file;
    t.extension = QStringLiteral("mp3");
    t.title = title;
    t.artist = artist;
    t.duration = duration;
    return t;
}

TEST(LrclibProvider, ExactSendsTitleArtistAndDuration) {
    LrclibFake fake;
    LrclibLyricProvider lrclib(fake.url());
    const auto a = awaitAnswer(lrclib.exact(track(
        QStringLiteral("/m/x.mp3"), QStringLiteral("Song"), QStringLiteral("Singer"), 180.6)));
    ASSERT_TRUE(a);
    ASSERT_EQ(a->kind, LyricAnswer::Kind::LyricFile);
    EXPECT_TRUE(a->text.startsWith(
        QStringLiteral("[ti:Song]\r\n[ar:Singer]\r\n[al:Album]\r\n[00:01.00] one")));
    ASSERT_EQ(fake.requests.size(), 1);
    EXPECT_EQ(fake.requests[0].path, QByteArray("/api/get"));
    EXPECT_EQ(fake.query(0).queryItemValue(QStringLiteral("artist_name")),
              QStringLiteral("Singer"));
    EXPECT_EQ(fake.query(0).queryItemValue(QStringLiteral("duration")), QStringLiteral("181"));
    EXPECT_TRUE(fake.requests[0].userAgent.startsWith("Lyravox/1.7.0"));
    EXPECT_FALSE(fake.requests[0].query.contains("PcName"));
}

TEST(LrclibProvider, NamesFromTheFileAndNoDurationForStreams) {
    LrclibFake fake;
    LrclibLyricProvider lrclib(fake.url());
    const auto a = awaitAnswer(
        lrclib.exact(track(QStringLiteral("http://radio/Singer - Song"), QString(), QString(), 0)));
    ASSERT_TRUE(a);
    EXPECT_EQ(a->kind, LyricAnswer::Kind::LyricFile);
    ASSERT_EQ(fake.requests.size(), 1);
    EXPECT_EQ(fake.query(0).queryItemValue(QStringLiteral("track_name")), QStringLiteral("Song"));
    EXPECT_EQ(fake.query(0).queryItemValue(QStringLiteral("artist_name")),
              QStringLiteral("Singer"));
    EXPECT_FALSE(fake.query(0).hasQueryItem(QStringLiteral("duration")));
}

TEST(LrclibProvider, NotFoundIsNoLyricsAndSearchIsSortedByDuration) {
    LrclibFake fake;
    LrclibLyricProvider lrclib(fake.url());
    const LyricTrack t =
        track(QStringLiteral("/m/x.mp3"), QStringLiteral("Song"), QStringLiteral("Singer"), 240);
    const auto missing = awaitAnswer(lrclib.exact(t)); // 240 s is not within 2 s of 181
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->kind, LyricAnswer::Kind::NoLyrics);

    const auto found = awaitAnswer(lrclib.fuzzy(
        track(QStringLiteral("/m/x.mp3"), QStringLiteral("Song"), QStringLiteral("Singer"), 181)));
    ASSERT_TRUE(found);
    ASSERT_EQ(found->kind, LyricAnswer::Kind::Candidates);
    QStringList ids;
    for (const LyricCandidate &c : found->candidates)
        ids << c.location;
    EXPECT_EQ(ids, QStringList({u"42"_s, u"3"_s,
                                u"1"_s})); // 1 s, 6 s, 119 s away; no synced lyrics: left out
    EXPECT_EQ(fake.requests.last().path, QByteArray("/api/search"));

    const auto fetched = awaitAnswer(lrclib.fetch(found->candidates.front()));
    ASSERT_TRUE(fetched);
    ASSERT_EQ(fetched->kind, LyricAnswer::Kind::LyricFile);
    EXPECT_TRUE(
        fetched->text.startsWith(QStringLiteral("[ti:Song]\r\n[ar:Singer]\r\n[al:Album]\r\n")));
    EXPECT_EQ(fake.requests.last().path, QByteArray("/api/get/42"));

    // A location that is not an id is never sent.
    const int sent = int(fake.requests.size());
    const auto bad = awaitAnswer(lrclib.fetch({{}, {}, {}, QStringLiteral("../../admin")}));
    ASSERT_TRUE(bad);
    EXPECT_EQ(bad->kind, LyricAnswer::Kind::Failure);
    EXPECT_EQ(fake.requests.size(), sent);
}

TEST(LyricServiceConfig, ChoosesProviderAndAddress) {
    TempHome home;
    const QString ini = home.file(QStringLiteral("lyrics.ini"));
    struct Case {
        const char *text;
        LyricServiceConfig::Provider provider;
        const char *url;
    };
    const Case cases[] = {
        {"[service]\nprovider=lrclib\nurl=http://127.0.0.1:8123\n",
         LyricServiceConfig::Provider::Lrclib, "http://127.0.0.1:8123"},
        // The reference protocol without an address of its own: LRCLIB stays.
        {"[service]\nprovider=reference\n", LyricServiceConfig::Provider::Lrclib,
         "https://lrclib.net"},
        {"[service]\nprovider=Reference\nurl=http://127.0.0.1:8123/x\n",
         LyricServiceConfig::Provider::Reference, "http://127.0.0.1:8123/x"},
        {"[service]\nprovider=LRCLIB\nurl=ftp://x\n", LyricServiceConfig::Provider::Lrclib,
         "https://lrclib.net"},
        {"[service]\nprovider=other\nurl=http://127.0.0.1:1/base\n",
         LyricServiceConfig::Provider::Lrclib, "http://127.0.0.1:1/base"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        home.write(QStringLiteral("lyrics.ini"), c.text);
        const LyricServiceConfig config = LyricServiceConfig::read(ini);
        EXPECT_EQ(config.provider, c.provider);
        EXPECT_EQ(config.url.toString(), QString::fromUtf8(c.url));
    }
    // Out of the box: LRCLIB's public service.
    const LyricServiceConfig none = LyricServiceConfig::read(home.file(QStringLiteral("none.ini")));
    EXPECT_EQ(none.provider, LyricServiceConfig::Provider::Lrclib);
    EXPECT_EQ(none.url.toString(), QStringLiteral("https://lrclib.net"));
}

} // namespace
