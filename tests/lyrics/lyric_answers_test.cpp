// The lyric service answers as the download understands them (both protocols, hostile
// servers included), the names a request carries, the candidate list and the web addresses.
#include "lyrics/download/lrclib_lyric_provider.h"
#include "lyrics/download/lyric_answer.h"
#include "lyrics/download/lyric_candidates.h"
#include "lyrics/download/lyric_request.h"
#include "lyrics/download/web_search.h"

#include <QStringEncoder>
#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace {

using Kind = LyricAnswer::Kind;

QByteArray utf8(const char *text) {
    return QByteArray(text);
}

TEST(LyricAnswers, FirstLineDecidesTheKind) {
    struct Case {
        const char *name;
        QByteArray body;
        Kind kind;
        const char *message;
    };
    const Case cases[] = {
        {"refused", utf8("|禁止|版本太旧\r\n"), Kind::Refused, "版本太旧"},
        {"notice", utf8("|提示|服务器维护中\r\nmore"), Kind::Notice, "服务器维护中"},
        {"nothing", utf8("|无任何|\r\n"), Kind::NothingFound, ""},
        {"no title", utf8("|没有歌名|"), Kind::NoTitle, ""},
        {"no lyrics LF", utf8("|没有歌词|\n"), Kind::NoLyrics, ""},
        {"status with more after it is a lyric file?", utf8("|没有歌词|x\r\n"), Kind::Failure, ""},
        {"lyric file", utf8("[ti:Song]\r\n[00:01.00]one\r\n"), Kind::LyricFile, ""},
        {"lyric file with BOM", utf8("\xEF\xBB\xBF[00:01]one\n"), Kind::LyricFile, ""},
        {"empty", QByteArray(), Kind::Empty, ""},
        {"html page", utf8("<html><body><h1>500</h1></body></html>\r\n"), Kind::Failure, ""},
        {"no time tag", utf8("[ti:Song]\r\njust words\r\n"), Kind::Failure, ""},
        {"NUL inside", QByteArray("[00:01]one\0two\r\n", 17), Kind::Failure, ""},
        {"header tag only", utf8("[offset:500]\r\n"), Kind::Failure, ""},
        {"refused message with controls", utf8("|禁止|a\x01\x1b[31mb"), Kind::Refused, "a[31mb"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const LyricAnswer a = LyricAnswers::parseReference(c.body);
        EXPECT_EQ(a.kind, c.kind);
        EXPECT_EQ(a.message, QString::fromUtf8(c.message));
    }
}

TEST(LyricAnswers, Gb18030AnswersAreDecoded) {
    QStringEncoder gb("GB18030");
    const QByteArray body =
        gb.encode(QStringLiteral("[ti:月亮代表我的心]\r\n[00:01.00]你问我爱你有多深\r\n"));
    ASSERT_NE(body, QStringLiteral("x").toUtf8());
    const LyricAnswer a = LyricAnswers::parseReference(body);
    ASSERT_EQ(a.kind, Kind::LyricFile);
    EXPECT_TRUE(a.text.contains(QStringLiteral("你问我爱你有多深")));
    const LyricAnswer status =
        LyricAnswers::parseReference(gb.encode(QStringLiteral("|没有歌词|\r\n")));
    EXPECT_EQ(status.kind, Kind::NoLyrics);
}

TEST(LyricAnswers, OversizedBodyIsAFailure) {
    QByteArray body = "[00:01]one\r\n";
    body += QByteArray(LyricAnswers::kMaxBodyBytes, 'a');
    EXPECT_EQ(LyricAnswers::parseReference(body).kind, Kind::Failure);
}

TEST(LyricAnswers, CandidateRecordsAreReadAndChecked) {
    const QByteArray body = utf8("|歌词选择|\r\n"
                                 "Song A\r\nSinger A\r\nAlbum A\r\na/song-a.lrc\r\n"
                                 // lines between the album and the location are skipped
                                 "Song B\r\nSinger B\r\nAlbum B\r\nextra\r\nmore\r\nB.LRC\r\n"
                                 // an incomplete last record is dropped
                                 "Song C\r\nSinger C\r\nAlbum C\r\nno location\r\n");
    const LyricAnswer a = LyricAnswers::parseReference(body);
    ASSERT_EQ(a.kind, Kind::Candidates);
    ASSERT_EQ(a.candidates.size(), 2u);
    EXPECT_EQ(a.candidates[0].title, QStringLiteral("Song A"));
    EXPECT_EQ(a.candidates[0].artist, QStringLiteral("Singer A"));
    EXPECT_EQ(a.candidates[0].album, QStringLiteral("Album A"));
    EXPECT_EQ(a.candidates[0].location, QStringLiteral("a/song-a.lrc"));
    EXPECT_EQ(a.candidates[1].location, QStringLiteral("B.LRC"));
}

TEST(LyricAnswers, HostileCandidateListsAreBounded) {
    QByteArray many = "|歌词选择|\r\n";
    for (int i = 0; i < 500; ++i)
        many +=
            "t" + QByteArray::number(i) + "\r\na\r\nb\r\nf" + QByteArray::number(i) + ".lrc\r\n";
    const LyricAnswer a = LyricAnswers::parseReference(many);
    ASSERT_EQ(a.kind, Kind::Candidates);
    EXPECT_EQ(int(a.candidates.size()), LyricAnswers::kMaxCandidates);
    EXPECT_EQ(a.candidates.back().location, QStringLiteral("f199.lrc"));

    const QByteArray longTitle(5000, 'x');
    const QByteArray longLocation = QByteArray(3000, 'y') + ".lrc";
    const LyricAnswer b = LyricAnswers::parseReference("|歌词选择|\r\n" + longTitle +
                                                       "\r\nA\r\nB\r\nok.lrc\r\nT\r\nA\r\nB\r\n" +
                                                       longLocation + "\r\n");
    ASSERT_EQ(b.candidates.size(), 1u); // a location too long to be one is dropped
    EXPECT_EQ(b.candidates[0].title.size(), LyricAnswers::kMaxFieldChars);
}

TEST(LrclibAnswers, RecordsBecomeTaggedLyricFiles) {
    const QByteArray record = R"({"id":7,"trackName":"Song [live]","artistName":"Singer",
        "albumName":"Album","duration":181,"instrumental":false,"plainLyrics":"one",
        "syncedLyrics":"[00:01.00] one\n[00:02.50] two"})";
    const LyricAnswer a = LrclibAnswers::parseRecord(200, record);
    ASSERT_EQ(a.kind, Kind::LyricFile);
    EXPECT_EQ(a.text, QStringLiteral("[ti:Song ［live］]\r\n[ar:Singer]\r\n[al:Album]\r\n"
                                     "[00:01.00] one\r\n[00:02.50] two\r\n"));

    struct Case {
        const char *name;
        int status;
        QByteArray body;
        Kind kind;
    };
    const Case cases[] = {
        {"not found", 404, R"({"code":404,"name":"TrackNotFound"})", Kind::NoLyrics},
        {"plain only", 200, R"({"id":1,"plainLyrics":"words","syncedLyrics":null})",
         Kind::NoLyrics},
        {"instrumental", 200, R"({"id":1,"instrumental":true,"syncedLyrics":""})",
         Kind::Instrumental},
        // The flag wins over stray text: an instrumental take is never stored as lyrics.
        {"instrumental with text", 200,
         R"({"id":1,"instrumental":true,"syncedLyrics":"[00:01]la"})", Kind::Instrumental},
        {"server error", 500, R"({"id":1,"syncedLyrics":"[00:01]x"})", Kind::Failure},
        {"not json", 200, "<html>oops</html>", Kind::Failure},
        {"array", 200, "[]", Kind::Failure},
        {"synced without time tags", 200, R"({"id":1,"syncedLyrics":"no tags here"})",
         Kind::Failure},
        {"synced with NUL", 200, "{\"id\":1,\"syncedLyrics\":\"[00:01]a\\u0000b\"}", Kind::Failure},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(LrclibAnswers::parseRecord(c.status, c.body).kind, c.kind);
    }
}

TEST(LrclibAnswers, SearchKeepsSyncedResultsNearestTheDurationFirst) {
    const QByteArray results = R"([
        {"id":1,"trackName":"A","artistName":"x","albumName":"","duration":240,"syncedLyrics":"[00:01]a"},
        {"id":2,"trackName":"B","artistName":"y","albumName":"","duration":200,"syncedLyrics":null},
        {"id":3,"trackName":"C","artistName":"z","albumName":"","duration":179,"syncedLyrics":"[00:01]c"},
        {"id":"4","trackName":"D","syncedLyrics":"[00:01]d"},
        {"id":5,"trackName":"E","artistName":"w","albumName":"","duration":185,"syncedLyrics":"[00:01]e"}
    ])";
    const LyricAnswer a = LrclibAnswers::parseSearch(200, results, 181.0);
    ASSERT_EQ(a.kind, Kind::Candidates);
    QStringList order;
    for (const LyricCandidate &c : a.candidates)
        order << c.location;
    EXPECT_EQ(order, QStringList({u"3"_s, u"5"_s, u"1"_s}));
    // Without a duration the server's order stays.
    QStringList unsorted;
    for (const LyricCandidate &c : LrclibAnswers::parseSearch(200, results, 0).candidates)
        unsorted << c.location;
    EXPECT_EQ(unsorted, QStringList({u"1"_s, u"3"_s, u"5"_s}));

    EXPECT_EQ(LrclibAnswers::parseSearch(200, "[]", 10).kind, Kind::NothingFound);
    EXPECT_EQ(LrclibAnswers::parseSearch(200, "{}", 10).kind, Kind::Failure);
    EXPECT_EQ(LrclibAnswers::parseSearch(503, "[]", 10).kind, Kind::Failure);

    QByteArray many = "[";
    for (int i = 0; i < 300; ++i)
        many += (i ? "," : "") + QByteArray(R"({"id":)") + QByteArray::number(i + 1) +
                R"(,"duration":100,"syncedLyrics":"[00:01]x"})";
    many += "]";
    EXPECT_EQ(int(LrclibAnswers::parseSearch(200, many, 100).candidates.size()),
              LyricAnswers::kMaxCandidates);
}

TEST(LyricRequest, RequestNameAndTypeFromTheTrack) {
    struct Case {
        const char *file;
        const char *extension;
        const char *name;
    };
    const Case cases[] = {
        {"/music/Singer - Song.mp3", "mp3", "Singer - Song"},
        {"/music/a.b.c.wma", "wma", "a.b.c"},
        {"D:\\Music\\Singer - Song.mp3", "mp3", "Singer - Song"},
        {"//server//share//x.ogg", "ogg", "x"},
        {"mms://host/live1", "未知", "live1"},
        {"nosep", "未知", "nosep"},
        {"/music/noext", "未知", "noext"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.file);
        LyricTrack t;
        t.file = QString::fromUtf8(c.file);
        t.extension = QString::fromUtf8(c.extension);
        EXPECT_EQ(LyricRequest::requestName(t), QString::fromUtf8(c.name));
    }
    EXPECT_EQ(LyricRequest::requestType(QStringLiteral("com/live\\x")),
              QStringLiteral("com／live＼x"));
}

TEST(LyricRequest, ValuesCannotAddParameters) {
    const QUrl url =
        LyricRequest::buildUrl(QUrl(QStringLiteral("http://127.0.0.1:8123/")),
                               QStringLiteral("/soft/Lyravox/lrcs/index.asp"),
                               {{QStringLiteral("MediaName"), QStringLiteral("Tom & Jerry=1 #2 +")},
                                {QStringLiteral("FileName"), QStringLiteral("歌 名")}});
    EXPECT_EQ(
        url.toEncoded(),
        QByteArray(
            "http://127.0.0.1:8123/soft/Lyravox/lrcs/index.asp?MediaName=Tom%20%26%20Jerry%3D1"
            "%20%232%20%2B&FileName=%E6%AD%8C%20%E5%90%8D"));
    EXPECT_FALSE(LyricRequest::computerName().contains(QChar(0)));
    EXPECT_LE(LyricRequest::computerName().size(), 255);
}

TEST(LyricCandidates, ItemTextAndSummary) {
    const LyricCandidate c{QStringLiteral("歌"), QStringLiteral("人"), QStringLiteral("辑"),
                           QStringLiteral("a/b.lrc")};
    EXPECT_EQ(LyricCandidates::itemText(c),
              QStringLiteral("【歌】- 演唱〖人〗- 专辑《辑》- 双击立即下载 ……………………………a/b.lrc"));
    EXPECT_EQ(LyricCandidates::itemSummary(c),
              QStringLiteral("【歌】- 演唱〖人〗- 专辑《辑》- 双击立即下载"));
}

TEST(LyricCandidates, PreselectionFollowsTheArtist) {
    const std::vector<LyricCandidate> list{{u"t"_s, u"Somebody"_s, {}, u"1.lrc"_s},
                                           {u"t"_s, u"Jay-Chou"_s, {}, u"2.lrc"_s},
                                           {u"t"_s, {}, {}, u"3.lrc"_s},
                                           {u"t"_s, u"Band"_s, {}, u"4.lrc"_s}};
    struct Case {
        const char *author;
        const char *file;
        int expected;
    };
    const Case cases[] = {
        {"jay chou", "/m/x.mp3", 1},         // blanks, "-" and case ignored
        {"Jay Chou feat. X", "/m/x.mp3", 1}, // the author contains the artist
        {"", "/m/band - song.mp3", 3},       // the path contains the artist
        {"nobody known", "/m/x.mp3", 0},     // no match: the first
        {"", "", 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.author);
        EXPECT_EQ(LyricCandidates::preselect(list, QString::fromUtf8(c.author),
                                             QString::fromUtf8(c.file)),
                  c.expected);
    }
    EXPECT_EQ(LyricCandidates::preselect({}, QStringLiteral("a"), QString()), -1);
}

TEST(LyricCandidates, CountdownTakesOnlyCandidatesThatFitTheTrack) {
    struct Case {
        const char *name;
        QString candidateTitle;
        double candidateDuration;
        QString trackTitle;
        double trackDuration;
        bool fits;
    };
    const Case cases[] = {
        {"same title, same length", u"Song"_s, 181, u"Song"_s, 181, true},
        {"title contained, 3 s apart", u"Song (Live)"_s, 184, u"song"_s, 181, true},
        {"3.5 s apart", u"Song"_s, 184.5, u"Song"_s, 181, false},
        {"length unknown to the service", u"Song"_s, 0, u"Song"_s, 181, true},
        {"stream without length", u"Song"_s, 300, u"Song"_s, 0, true},
        {"another title", u"Other"_s, 181, u"Song"_s, 181, false},
        {"track title longer", u"Song"_s, 181, u"Song Two"_s, 181, false},
        {"full width and blanks", u"ＳＯＮＧ　ＡＢ"_s, 181, u"  song ab "_s, 181, true},
        {"no track title", u"Song"_s, 181, u" "_s, 181, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        LyricCandidate candidate{c.candidateTitle, {}, {}, u"1"_s, c.candidateDuration};
        EXPECT_EQ(LyricCandidates::fits(candidate, c.trackTitle, c.trackDuration), c.fits);
    }
    // Among fitting candidates the artist rule still decides; without any, none is taken.
    const std::vector<LyricCandidate> list = {{u"Other"_s, u"Singer"_s, {}, u"1"_s, 180},
                                              {u"Song"_s, u"Band"_s, {}, u"2"_s, 180},
                                              {u"Song"_s, u"Singer"_s, {}, u"3"_s, 181},
                                              {u"Song"_s, u"Singer"_s, {}, u"4"_s, 250}};
    EXPECT_EQ(LyricCandidates::autoPick(list, u"Song"_s, 180, u"Singer"_s, u"/m/x.mp3"_s), 2);
    EXPECT_EQ(LyricCandidates::autoPick(list, u"Song"_s, 180, u"Nobody"_s, u"/m/x.mp3"_s), 1);
    EXPECT_EQ(LyricCandidates::autoPick(list, u"Song"_s, 100, u"Singer"_s, u"/m/x.mp3"_s), -1);
    EXPECT_EQ(LyricCandidates::autoPick({}, u"Song"_s, 180, u"Singer"_s, u"/m/x.mp3"_s), -1);
}

TEST(WebSearch, KeywordIsOneEncodedValue) {
    EXPECT_TRUE(WebSearch::searchUrl(WebSearch::Kind::Mp3, QStringLiteral("  ")).isEmpty());
    const QUrl mp3 = WebSearch::searchUrl(WebSearch::Kind::Mp3, QStringLiteral(" 月亮 & #1 "));
    EXPECT_TRUE(mp3.toEncoded().endsWith("&word=%E6%9C%88%E4%BA%AE%20%26%20%231"));
    EXPECT_TRUE(mp3.toEncoded().contains("tn=baidump3"));
    EXPECT_TRUE(mp3.fragment().isEmpty());
    const QUrl pictures = WebSearch::searchUrl(WebSearch::Kind::Pictures, QStringLiteral("cat"));
    EXPECT_TRUE(pictures.toEncoded().contains("tn=baiduimage"));
    EXPECT_TRUE(pictures.toEncoded().endsWith("word=cat"));
}

} // namespace
