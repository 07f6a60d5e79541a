// The reference lyric service through the player's own provider on 127.0.0.1: exact, fuzzy
// and fetch answers, its switches, locations that try to leave the root, and the program.
#include "await_answer.h"
#include "lyric_service.h"
#include "lyrics/download/reference_lyric_provider.h"
#include "raw_http_client.h"
#include "temp_home.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringEncoder>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

class LyricServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        home.write(QStringLiteral("lrc/Singer - Song.lrc"),
                   "[ti:Song]\n[ar:Singer]\n[al:Album]\n[00:01.00]one\n[00:02.00]two\n");
        home.write(QStringLiteral("lrc/sub/Other Song.lrc"),
                   "[ti:Other Song]\n[ar:Band]\n[00:01]x\n");
        home.write(QStringLiteral("lrc/Tom & Jerry=1.lrc"), "[00:03]cartoon\n");
        home.write(QStringLiteral("secret.lrc"), "[00:01]outside the root\n");
        options.root = home.file(QStringLiteral("lrc"));
    }
    void start() {
        service = std::make_unique<LyricService>(options);
        ASSERT_TRUE(service->listen(QHostAddress::LocalHost, 0));
        provider = std::make_unique<ReferenceLyricProvider>(
            QUrl(QStringLiteral("http://127.0.0.1:%1").arg(service->port())));
    }
    static LyricTrack track(const QString &file, const QString &title = QString()) {
        LyricTrack t;
        t.file = file;
        t.extension = QStringLiteral("mp3");
        t.title = title;
        return t;
    }

    TempHome home;
    LyricServiceOptions options;
    std::unique_ptr<LyricService> service;
    std::unique_ptr<ReferenceLyricProvider> provider;
};

TEST_F(LyricServiceTest, ExactByFileNameOrTitle) {
    start();
    const auto byFile = awaitAnswer(provider->exact(track(QStringLiteral("/m/singer - song.mp3"))));
    ASSERT_TRUE(byFile);
    ASSERT_EQ(byFile->kind, LyricAnswer::Kind::LyricFile);
    EXPECT_EQ(byFile->text,
              QStringLiteral("[ti:Song]\r\n[ar:Singer]\r\n[al:Album]\r\n[00:01.00]one\r\n"
                             "[00:02.00]two\r\n"));
    const auto byTitle = awaitAnswer(
        provider->exact(track(QStringLiteral("/m/01.mp3"), QStringLiteral("Other Song"))));
    ASSERT_TRUE(byTitle);
    EXPECT_EQ(byTitle->kind, LyricAnswer::Kind::LyricFile);
    const auto none = awaitAnswer(provider->exact(track(QStringLiteral("/m/unknown.mp3"))));
    ASSERT_TRUE(none);
    EXPECT_EQ(none->kind, LyricAnswer::Kind::NoLyrics);

    ASSERT_EQ(service->requests().size(), 3);
    const LyricService::Request &first = service->requests().first();
    EXPECT_EQ(first.script, QStringLiteral("/soft/Lyravox/lrcs/index.asp"));
    QStringList keys;
    for (const auto &item : first.items)
        keys << item.first;
    EXPECT_EQ(keys, QStringList(
                        {u"BanBen"_s, u"PcName"_s, u"MediaName"_s, u"FileName"_s, u"Filetype"_s}));
    EXPECT_EQ(first.value(QStringLiteral("BanBen")), QStringLiteral("1.7.0"));
    EXPECT_EQ(first.value(QStringLiteral("Filetype")), QStringLiteral("mp3"));
}

TEST_F(LyricServiceTest, TitleWithAmpersandAndEqualsArrivesIntact) {
    options.logFile = home.file(QStringLiteral("requests.log"));
    start();
    const auto a = awaitAnswer(
        provider->exact(track(QStringLiteral("/m/Tom & Jerry=1.mp3"), QStringLiteral("A&B=C D"))));
    ASSERT_TRUE(a);
    EXPECT_EQ(a->kind, LyricAnswer::Kind::LyricFile);
    const LyricService::Request &r = service->requests().first();
    EXPECT_EQ(r.items.size(), 5);
    EXPECT_EQ(r.value(QStringLiteral("MediaName")), QStringLiteral("A&B=C D"));
    EXPECT_EQ(r.value(QStringLiteral("FileName")), QStringLiteral("Tom & Jerry=1"));
    EXPECT_TRUE(QString::fromUtf8(home.read(QStringLiteral("requests.log")))
                    .contains(QStringLiteral("\tMediaName=A&B=C D\tFileName=Tom & Jerry=1\t")));
}

TEST_F(LyricServiceTest, FuzzyListsCandidatesAndFetchReturnsTheFile) {
    start();
    const auto list = awaitAnswer(provider->fuzzy(track(QStringLiteral("/m/song.mp3"))));
    ASSERT_TRUE(list);
    ASSERT_EQ(list->kind, LyricAnswer::Kind::Candidates);
    ASSERT_EQ(list->candidates.size(), 2u);
    EXPECT_EQ(list->candidates[0].title, QStringLiteral("Song"));
    EXPECT_EQ(list->candidates[0].artist, QStringLiteral("Singer"));
    EXPECT_EQ(list->candidates[0].album, QStringLiteral("Album"));
    EXPECT_EQ(list->candidates[0].location, QStringLiteral("Singer - Song.lrc"));
    EXPECT_EQ(list->candidates[1].location, QStringLiteral("sub/Other Song.lrc"));

    const auto file = awaitAnswer(provider->fetch(list->candidates[1]));
    ASSERT_TRUE(file);
    ASSERT_EQ(file->kind, LyricAnswer::Kind::LyricFile);
    EXPECT_TRUE(file->text.contains(QStringLiteral("[00:01]x")));
    EXPECT_EQ(service->requests().last().value(QStringLiteral("dz")),
              QStringLiteral("sub/Other Song.lrc"));

    const auto nothing = awaitAnswer(provider->fuzzy(track(QStringLiteral("/m/zzz.mp3"))));
    ASSERT_TRUE(nothing);
    EXPECT_EQ(nothing->kind, LyricAnswer::Kind::NothingFound);
    const auto untitled = awaitAnswer(provider->fuzzy(track(QStringLiteral("/m/.mp3"))));
    ASSERT_TRUE(untitled);
    EXPECT_EQ(untitled->kind, LyricAnswer::Kind::NoTitle);
}

TEST_F(LyricServiceTest, LocationsNeverLeaveTheRoot) {
    const QString root = options.root;
    QFile::link(home.file(QStringLiteral("secret.lrc")), root + QStringLiteral("/link.lrc"));
    struct Case {
        QString location;
        bool served;
    };
    const Case cases[] = {
        {QStringLiteral("Singer - Song.lrc"), true},
        {QStringLiteral("sub/Other Song.lrc"), true},
        {QStringLiteral("../secret.lrc"), false},
        {QStringLiteral("sub/../../secret.lrc"), false},
        {home.file(QStringLiteral("secret.lrc")), false},
        {QStringLiteral("sub\\..\\..\\secret.lrc"), false},
        {QStringLiteral("Singer - Song.lrc") + QChar(0) + QStringLiteral(".lrc"), false},
        {QStringLiteral("link.lrc"), false}, // a link out of the root
        {QStringLiteral("./Singer - Song.lrc"), false},
        {QStringLiteral("missing.lrc"), false},
        {QStringLiteral("sub"), false},
        {QStringLiteral("C:/secret.lrc"), false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.location.toStdString());
        EXPECT_EQ(LyricService::resolveLocation(root, c.location).has_value(), c.served);
    }
    // Over the wire an escape is a refusal the player takes as a failure.
    start();
    const auto a = awaitAnswer(provider->fetch({{}, {}, {}, QStringLiteral("../secret.lrc")}));
    ASSERT_TRUE(a);
    EXPECT_EQ(a->kind, LyricAnswer::Kind::Failure);
}

TEST_F(LyricServiceTest, SwitchesForRefusalNoticeErrorsAndGb18030) {
    struct Case {
        const char *name;
        std::function<void(LyricServiceOptions &)> set;
        LyricAnswer::Kind kind;
        QString message;
    };
    const Case cases[] = {
        {"refuse", [](LyricServiceOptions &o) { o.refuse = QStringLiteral("不服务"); },
         LyricAnswer::Kind::Refused, QStringLiteral("不服务")},
        {"notice", [](LyricServiceOptions &o) { o.notice = QStringLiteral("维护"); },
         LyricAnswer::Kind::Notice, QStringLiteral("维护")},
        {"status", [](LyricServiceOptions &o) { o.errorStatus = 500; }, LyricAnswer::Kind::Failure,
         QString()},
        {"html 200", [](LyricServiceOptions &o) { o.htmlPage = true; }, LyricAnswer::Kind::Failure,
         QString()},
        {"gb18030", [](LyricServiceOptions &o) { o.gb18030 = true; }, LyricAnswer::Kind::LyricFile,
         QString()},
    };
    home.write(QStringLiteral("lrc/歌.lrc"), "[ti:月亮代表我的心]\n[00:01]你问我爱你有多深\n");
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        options = LyricServiceOptions();
        options.root = home.file(QStringLiteral("lrc"));
        c.set(options);
        start();
        const auto a = awaitAnswer(provider->exact(track(QStringLiteral("/m/歌.mp3"))));
        ASSERT_TRUE(a);
        EXPECT_EQ(a->kind, c.kind);
        EXPECT_EQ(a->message, c.message);
        if (c.kind == LyricAnswer::Kind::LyricFile) {
            EXPECT_TRUE(a->text.contains(QStringLiteral("你问我爱你有多深")));
        }
    }
}

TEST_F(LyricServiceTest, SilentStalledAndOversizedConnections) {
    constexpr int kIdleMs = 1000;
    const QByteArray target = "/soft/Lyravox/lrcs/index.asp?FileName=Singer%20-%20Song";
    // A head of exactly `size` bytes through the blank line.
    const auto headOf = [&](qsizetype size) {
        const QByteArray start = "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Fill: ";
        return start + QByteArray(size - start.size() - 4, 'f') + "\r\n\r\n";
    };
    const QByteArray whole = "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
    struct Case {
        const char *name;
        QList<QByteArray> pieces; // sent kIdleMs * 2 / 5 apart
        int status;               // 0: dropped without an answer
        QByteArray bodyStart;
    };
    const Case cases[] = {
        {"silent", {}, 0, {}},
        {"head stops halfway", {whole.left(40)}, 0, {}},
        // Each piece is progress: together they take longer than the idle time.
        {"slow but steady",
         {whole.left(10), whole.mid(10, 20), whole.mid(30, 20), whole.mid(50)},
         200,
         "[ti:Song]"},
        {"head at the limit", {headOf(HttpServer::kMaxHeadBytes)}, 200, "[ti:Song]"},
        {"head a byte over", {headOf(HttpServer::kMaxHeadBytes + 1)}, 431, "request header"},
        {"head without end", {QByteArray(1024 * 1024, 'a')}, 431, "request header"},
        {"not a request", {"HELLO\r\n\r\n"}, 400, "bad request"},
        {"not a GET", {"POST / HTTP/1.1\r\n\r\n"}, 405, "only GET"},
    };
    options.idleMs = kIdleMs;
    start();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        RawHttpClient client(service->port());
        for (qsizetype i = 0; i < c.pieces.size(); ++i) {
            if (i > 0) spinUntil([&] { return client.closed; }, kIdleMs * 2 / 5);
            ASSERT_FALSE(client.closed) << "closed before piece " << i;
            client.send(c.pieces[i]);
        }
        ASSERT_TRUE(spinUntil([&] { return client.closed; }, kIdleMs + 10000));
        EXPECT_EQ(client.status(), c.status) << client.received.left(100).toStdString();
        EXPECT_TRUE(client.body().startsWith(c.bodyStart));
        if (c.status == 0) {
            EXPECT_TRUE(client.received.isEmpty());
            EXPECT_GE(client.closedAfterMs, kIdleMs * 9 / 10);
        }
    }
}

// A client that writes its whole request before it reads (as a blocking one does) must get the
// refusal, not a reset: the service keeps reading and discarding until the client is done.
TEST_F(LyricServiceTest, OversizedHeadSentWholeIsStillAnswered) {
    start();
    const quint16 port = service->port();
    std::atomic<bool> done{false};
    int sendError = 0;
    QByteArray received;
    std::thread client([&] {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        const timeval limit{20, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(fd, reinterpret_cast<const sockaddr *>(&to), sizeof to) != 0) {
            sendError = errno;
        } else {
            // More than the socket buffers on both sides hold, so the client is still writing
            // when the service answers.
            const QByteArray head = "GET / HTTP/1.1\r\nX-Fill: " + QByteArray(16 << 20, 'f');
            for (qsizetype sent = 0; sent < head.size();) {
                const ssize_t n =
                    ::send(fd, head.constData() + sent, size_t(head.size() - sent), MSG_NOSIGNAL);
                if (n <= 0) {
                    sendError = errno;
                    break;
                }
                sent += n;
            }
            ::shutdown(fd, SHUT_WR);
            char buffer[4096];
            for (ssize_t n; (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0;)
                received.append(buffer, n);
        }
        ::close(fd);
        done = true;
    });
    spinUntil([&] { return done.load(); }, 30000);
    client.join();
    EXPECT_EQ(sendError, 0) << std::strerror(sendError);
    EXPECT_TRUE(received.startsWith("HTTP/1.1 431 ")) << received.left(100).toStdString();
}

TEST_F(LyricServiceTest, KeepsTheLatestRequestsAndLogsThemAll) {
    options.logFile = home.file(QStringLiteral("requests.log"));
    start();
    const int total = int(LyricService::kKeptRequests) + 20;
    for (int i = 0; i < total; ++i) {
        RawHttpClient client(service->port());
        client.send("GET /soft/Lyravox/lrcs/index.asp?n=" + QByteArray::number(i) +
                    " HTTP/1.1\r\n\r\n");
        ASSERT_TRUE(spinUntil([&] { return client.closed; }, 10000));
        ASSERT_EQ(client.status(), 200);
    }
    EXPECT_EQ(service->requestCount(), quint64(total));
    ASSERT_EQ(service->requests().size(), LyricService::kKeptRequests);
    EXPECT_EQ(service->requests().first().value(QStringLiteral("n")), QString::number(20));
    EXPECT_EQ(service->requests().last().value(QStringLiteral("n")), QString::number(total - 1));
    EXPECT_EQ(home.read(QStringLiteral("requests.log")).count('\n'), total);
}

TEST_F(LyricServiceTest, ProgramPrintsItsPortAndServes) {
    QProcess program;
    program.start(qEnvironmentVariable("LYRAVOX_BIN_DIR") +
                      QStringLiteral("/lyravox-lyric-service"),
                  {QStringLiteral("--root"), options.root, QStringLiteral("--port"),
                   QStringLiteral("0"), QStringLiteral("--gb18030")});
    ASSERT_TRUE(program.waitForStarted(10000));
    ASSERT_TRUE(program.waitForReadyRead(10000));
    bool ok = false;
    const quint16 port = quint16(program.readLine().trimmed().toUInt(&ok));
    ASSERT_TRUE(ok);
    ASSERT_NE(port, 0);
    ReferenceLyricProvider remote(QUrl(QStringLiteral("http://127.0.0.1:%1").arg(port)));
    const auto a = awaitAnswer(remote.exact(track(QStringLiteral("/m/Singer - Song.mp3"))));
    ASSERT_TRUE(a);
    EXPECT_EQ(a->kind, LyricAnswer::Kind::LyricFile);
    program.terminate();
    EXPECT_TRUE(program.waitForFinished(10000));

    const QStringList badArguments[] = {
        {QStringLiteral("--root"), home.file(QStringLiteral("missing"))},
        {QStringLiteral("--root"), options.root, QStringLiteral("--idle-ms"), QStringLiteral("0")},
        {QStringLiteral("--root"), options.root, QStringLiteral("--idle-ms"), QStringLiteral("x")},
    };
    for (const QStringList &arguments : badArguments) {
        SCOPED_TRACE(arguments.join(u' ').toStdString());
        QProcess refused;
        refused.start(qEnvironmentVariable("LYRAVOX_BIN_DIR") +
                          QStringLiteral("/lyravox-lyric-service"),
                      arguments);
        ASSERT_TRUE(refused.waitForFinished(10000));
        EXPECT_EQ(refused.exitCode(), 2);
    }
}

} // namespace
