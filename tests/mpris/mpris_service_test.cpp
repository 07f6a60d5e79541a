// The media controls over a private bus: a client connection reads the properties and calls
// the methods as a desktop does; behind the service are the real playback controller and
// playlist model with a scripted media player.
#include "fake_media_player.h"
#include "mpris/mpris_playback.h"
#include "mpris/mpris_service.h"
#include "playback/playback_controller.h"
#include "private_bus.h"
#include "recording_view.h"
#include "scripted_dialogs.h"
#include "wait_for.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

const QString kPlayer = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString kRoot = QStringLiteral("org.mpris.MediaPlayer2");
const QString kPath = QStringLiteral("/org/mpris/MediaPlayer2");

// Collects the signals the service sends.
class SignalLog : public QObject {
    Q_OBJECT
public:
    QList<QVariantMap> changes; // PropertiesChanged of the player interface
    QList<qlonglong> seeks;

public Q_SLOTS:
    void propertiesChanged(const QString &iface, const QVariantMap &changed, const QStringList &) {
        if (iface == kPlayer) changes << changed;
    }
    void seeked(qlonglong position) { seeks << position; }
};

class MprisServiceTest : public ::testing::Test {
protected:
    MprisServiceTest()
        : ctx(AppPaths(dir.path(), {})), playback(ctx, model, player, view),
          source(playback, model) {
        ctx.dialogs = &dialogs;
        ctx.settings.AutoPlayOnStart = 0;
        a = file(QStringLiteral("a.mp3"));
        b = file(QStringLiteral("b.wav"));
        model.setItems({a, b});
        model.select(0);
        FakeMediaPlayer::Media tagged;
        tagged.duration = 20.0;
        tagged.title = QStringLiteral("晚风");
        tagged.album = QStringLiteral("夏夜");
        player.setMedia(a, tagged);
        player.setAuthor(QStringLiteral("歌手甲"));
        source.hooks().picturePath = [this](const QString &track) {
            return track == a ? picture : QString();
        };
        source.hooks().raise = [this] { events << QStringLiteral("raise"); };
        source.hooks().quit = [this] { events << QStringLiteral("quit"); };
    }

    void SetUp() override {
        ASSERT_FALSE(bus.address().isEmpty()) << bus.error().toStdString();
        // Named connections are shared per process: each test has its own names.
        static int serial = 0;
        const QString tag = QString::number(++serial);
        ASSERT_TRUE(service.registerOn(
            QDBusConnection::connectToBus(bus.address(), QStringLiteral("srv") + tag)));
        service.setSource(&source);
        clientName = QStringLiteral("cli") + tag;
        client = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(bus.address(), clientName));
        ASSERT_TRUE(client->isConnected());
        name = service.serviceName();
        client->connect(name, kPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                        QStringLiteral("PropertiesChanged"), &log,
                        SLOT(propertiesChanged(QString, QVariantMap, QStringList)));
        client->connect(name, kPath, kPlayer, QStringLiteral("Seeked"), &log,
                        SLOT(seeked(qlonglong)));
    }

    void TearDown() override {
        client.reset();
        QDBusConnection::disconnectFromBus(clientName);
    }

    QString file(const QString &n) {
        const QString p = dir.filePath(n);
        QFile f(p);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("x");
        return p;
    }

    // A call over the bus; the service answers on this thread, so the loop runs meanwhile.
    QDBusMessage call(const QString &iface, const QString &method, const QVariantList &args = {}) {
        QDBusMessage m = QDBusMessage::createMethodCall(name, kPath, iface, method);
        m.setArguments(args);
        QDBusPendingCall pending = client->asyncCall(m, 5000);
        EXPECT_TRUE(waitFor([&] { return pending.isFinished(); }));
        // Queued commands and the coalesced change signal run after the reply.
        QTest::qWait(30);
        return pending.reply();
    }
    QVariant get(const QString &iface, const QString &prop) {
        const QDBusMessage r = call(QStringLiteral("org.freedesktop.DBus.Properties"),
                                    QStringLiteral("Get"), {iface, prop});
        if (r.type() != QDBusMessage::ReplyMessage || r.arguments().isEmpty()) return {};
        return r.arguments().first().value<QDBusVariant>().variant();
    }
    QVariantMap metadata() {
        return qdbus_cast<QVariantMap>(get(kPlayer, QStringLiteral("Metadata")));
    }
    QString status() { return get(kPlayer, QStringLiteral("PlaybackStatus")).toString(); }
    QStringList calls() {
        QStringList c = player.calls();
        player.clearCalls();
        return c;
    }

    QTemporaryDir dir;
    PrivateBus bus;
    AppContext ctx;
    ScriptedDialogs dialogs;
    PlaylistModel model;
    FakeMediaPlayer player;
    RecordingView view;
    PlaybackController playback;
    MprisPlayback source;
    MprisService service;
    std::unique_ptr<QDBusConnection> client;
    QString name, clientName;
    SignalLog log;
    QString a, b, picture;
    QStringList events;
};

TEST_F(MprisServiceTest, PropertiesHaveTheirWireTypes) {
    playback.finishStartup();
    struct Case {
        QString iface, prop;
        QMetaType type;
        QVariant value; // null: any
    };
    const QMetaType str = QMetaType::fromType<QString>(), boolean = QMetaType::fromType<bool>(),
                    dbl = QMetaType::fromType<double>(), list = QMetaType::fromType<QStringList>(),
                    x = QMetaType::fromType<qlonglong>(),
                    arg = QMetaType::fromType<QDBusArgument>();
    const Case cases[] = {
        {kRoot, QStringLiteral("Identity"), str, QStringLiteral("Lyravox")},
        {kRoot, QStringLiteral("DesktopEntry"), str, QStringLiteral("lyravox")},
        {kRoot, QStringLiteral("CanQuit"), boolean, true},
        {kRoot, QStringLiteral("CanRaise"), boolean, true},
        {kRoot, QStringLiteral("HasTrackList"), boolean, false},
        {kRoot, QStringLiteral("SupportedUriSchemes"), list, {}},
        {kRoot, QStringLiteral("SupportedMimeTypes"), list, {}},
        {kPlayer, QStringLiteral("PlaybackStatus"), str, QStringLiteral("Stopped")},
        {kPlayer, QStringLiteral("Rate"), dbl, 1.0},
        {kPlayer, QStringLiteral("MinimumRate"), dbl, 1.0},
        {kPlayer, QStringLiteral("MaximumRate"), dbl, 1.0},
        {kPlayer, QStringLiteral("Volume"), dbl, 1.0},
        {kPlayer, QStringLiteral("Position"), x, qlonglong(0)},
        {kPlayer, QStringLiteral("Metadata"), arg, {}},
        {kPlayer, QStringLiteral("CanGoNext"), boolean, true},
        {kPlayer, QStringLiteral("CanGoPrevious"), boolean, true},
        {kPlayer, QStringLiteral("CanPlay"), boolean, true},
        {kPlayer, QStringLiteral("CanPause"), boolean, true},
        {kPlayer, QStringLiteral("CanSeek"), boolean, true},
        {kPlayer, QStringLiteral("CanControl"), boolean, true},
    };
    for (const Case &c : cases) {
        const QVariant v = get(c.iface, c.prop);
        EXPECT_EQ(v.metaType(), c.type) << c.prop.toStdString() << " " << v.typeName();
        if (!c.value.isNull()) {
            EXPECT_EQ(v, c.value) << c.prop.toStdString();
        }
    }
    EXPECT_EQ(get(kPlayer, QStringLiteral("Metadata")).value<QDBusArgument>().currentSignature(),
              QStringLiteral("a{sv}"));
    const QStringList schemes = get(kRoot, QStringLiteral("SupportedUriSchemes")).toStringList();
    for (const char *s : {"file", "http", "https", "mms"})
        EXPECT_TRUE(schemes.contains(QLatin1String(s))) << s;
    QStringList mimes = get(kRoot, QStringLiteral("SupportedMimeTypes")).toStringList();
    for (const char *m : {"audio/mpeg", "audio/x-wav", "video/mp4"})
        EXPECT_TRUE(mimes.contains(QLatin1String(m))) << m;
    EXPECT_EQ(mimes.removeDuplicates(), 0);
}

TEST_F(MprisServiceTest, MetadataDescribesTheLoadedTrack) {
    // Nothing loaded: the "no track" id alone.
    QVariantMap m = metadata();
    EXPECT_EQ(m.keys(), QStringList{QStringLiteral("mpris:trackid")});
    EXPECT_EQ(m.value(QStringLiteral("mpris:trackid")).value<QDBusObjectPath>().path(),
              QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack"));

    picture = file(QStringLiteral("PICS_a.pic"));
    playback.finishStartup();
    m = metadata();
    const QVariant id = m.value(QStringLiteral("mpris:trackid"));
    ASSERT_EQ(id.metaType(), QMetaType::fromType<QDBusObjectPath>());
    EXPECT_TRUE(id.value<QDBusObjectPath>().path().startsWith(QStringLiteral("/org/lyravox/")));
    EXPECT_EQ(m.value(QStringLiteral("xesam:title")), QStringLiteral("晚风"));
    EXPECT_EQ(m.value(QStringLiteral("xesam:artist")).toStringList(),
              QStringList{QStringLiteral("歌手甲")});
    EXPECT_EQ(m.value(QStringLiteral("xesam:album")), QStringLiteral("夏夜"));
    EXPECT_EQ(m.value(QStringLiteral("mpris:length")).metaType(), QMetaType::fromType<qlonglong>());
    EXPECT_EQ(m.value(QStringLiteral("mpris:length")).toLongLong(), 20000000);
    EXPECT_EQ(QUrl(m.value(QStringLiteral("mpris:artUrl")).toString()).toLocalFile(), picture);
    EXPECT_EQ(QUrl(m.value(QStringLiteral("xesam:url")).toString()).toLocalFile(), a);

    // The next track: a new id, its file name as the title, no picture, no album.
    ASSERT_EQ(call(kPlayer, QStringLiteral("Next")).type(), QDBusMessage::ReplyMessage);
    const QVariantMap n = metadata();
    EXPECT_NE(n.value(QStringLiteral("mpris:trackid")).value<QDBusObjectPath>(),
              id.value<QDBusObjectPath>());
    EXPECT_EQ(n.value(QStringLiteral("xesam:title")), QStringLiteral("b"));
    EXPECT_FALSE(n.contains(QStringLiteral("mpris:artUrl")));
    EXPECT_FALSE(n.contains(QStringLiteral("xesam:album")));
}

TEST_F(MprisServiceTest, MethodsRunTheWindowsCommands) {
    playback.finishStartup();
    struct Case {
        const char *method;
        QVariantList args;
        QStringList calls; // what reaches the media player
        const char *status;
    };
    const auto s = [](const char *t) { return QString::fromLatin1(t); };
    const Case cases[] = {
        {"Play", {}, {s("play")}, "Playing"},
        {"Play", {}, {s("play")}, "Playing"},
        {"PlayPause", {}, {s("pause")}, "Paused"},
        {"Pause", {}, {}, "Paused"}, // already paused: the pause button does nothing
        {"PlayPause", {}, {s("play")}, "Playing"},
        {"Pause", {}, {s("pause")}, "Paused"},
        {"Stop", {}, {s("stop"), s("seek:0")}, "Stopped"},
        {"Next", {}, {s("open:B"), s("play")}, "Playing"},
        {"Previous", {}, {s("open:A"), s("play")}, "Playing"},
    };
    for (const Case &c : cases) {
        calls();
        ASSERT_EQ(call(kPlayer, QLatin1String(c.method), c.args).type(), QDBusMessage::ReplyMessage)
            << c.method;
        QStringList want = c.calls;
        want.replaceInStrings(QStringLiteral("open:B"), QStringLiteral("open:") + b);
        want.replaceInStrings(QStringLiteral("open:A"), QStringLiteral("open:") + a);
        EXPECT_EQ(calls(), want) << c.method;
        EXPECT_EQ(status(), QLatin1String(c.status)) << c.method;
    }
    EXPECT_TRUE(dialogs.entries().isEmpty());

    call(kRoot, QStringLiteral("Raise"));
    call(kRoot, QStringLiteral("Quit"));
    EXPECT_EQ(events, (QStringList{QStringLiteral("raise"), QStringLiteral("quit")}));
}

TEST_F(MprisServiceTest, SeekAndSetPositionKeepToTheTrack) {
    playback.finishStartup(); // a, 20 s
    const QDBusObjectPath id =
        metadata().value(QStringLiteral("mpris:trackid")).value<QDBusObjectPath>();
    const QDBusObjectPath stale(QStringLiteral("/org/lyravox/track/999"));
    struct Case {
        const char *method;
        QVariantList args;
        double from;
        QString call; // empty: nothing reaches the player
    };
    const auto us = [](double sec) { return QVariant(qlonglong(sec * 1e6)); };
    const Case cases[] = {
        {"Seek", {us(10)}, 5.0, QStringLiteral("seek:15")},
        {"Seek", {us(-10)}, 5.0, QStringLiteral("seek:0")},
        {"Seek", {us(-2.5)}, 5.0, QStringLiteral("seek:2.5")},
        {"SetPosition", {QVariant::fromValue(id), us(12)}, 5.0, QStringLiteral("seek:12")},
        {"SetPosition", {QVariant::fromValue(stale), us(12)}, 5.0, QString()},
        {"SetPosition", {QVariant::fromValue(id), us(-1)}, 5.0, QString()},
        {"SetPosition", {QVariant::fromValue(id), us(21)}, 5.0, QString()},
        // Past the end: on to the next track.
        {"Seek", {us(30)}, 5.0, QStringLiteral("open:") + b},
    };
    for (const Case &c : cases) {
        player.setPosition(c.from);
        calls();
        log.seeks.clear();
        ASSERT_EQ(call(kPlayer, QLatin1String(c.method), c.args).type(), QDBusMessage::ReplyMessage)
            << c.method;
        const QStringList got = calls();
        EXPECT_EQ(got.value(0), c.call) << c.method;
        if (c.call.startsWith(QLatin1String("seek:"))) {
            // The player's jump goes out as Seeked with the new position.
            EXPECT_TRUE(waitFor([&] { return !log.seeks.isEmpty(); }, 3000)) << c.method;
            EXPECT_EQ(log.seeks.value(0), qlonglong(player.currentPosition() * 1e6));
        }
    }
}

TEST_F(MprisServiceTest, ChangesAreSignalledOnceAndOnlyWhatChanged) {
    playback.finishStartup();
    ASSERT_TRUE(waitFor(
        [&] {
            return !log.changes.isEmpty() &&
                   log.changes.last().contains(QStringLiteral("Metadata"));
        },
        3000));
    QTest::qWait(50);
    log.changes.clear();
    call(kPlayer, QStringLiteral("Play"));
    ASSERT_TRUE(waitFor([&] { return !log.changes.isEmpty(); }, 3000));
    EXPECT_EQ(log.changes.first().keys(), QStringList{QStringLiteral("PlaybackStatus")});
    EXPECT_EQ(log.changes.first().value(QStringLiteral("PlaybackStatus")),
              QStringLiteral("Playing"));

    log.changes.clear();
    call(kPlayer, QStringLiteral("Next"));
    ASSERT_TRUE(waitFor([&] { return !log.changes.isEmpty(); }, 3000));
    QTest::qWait(50);
    ASSERT_EQ(log.changes.size(), 1); // one track switch, one signal
    const QVariantMap m =
        qdbus_cast<QVariantMap>(log.changes.first().value(QStringLiteral("Metadata")));
    EXPECT_EQ(m.value(QStringLiteral("xesam:title")), QStringLiteral("b"));

    // The volume: a negative value is silence; the player gets percent.
    log.changes.clear();
    for (const auto &[set, want] :
         {std::pair{0.5, 0.5}, std::pair{-0.3, 0.0}, std::pair{2.0, 1.0}}) {
        call(QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Set"),
             {kPlayer, QStringLiteral("Volume"), QVariant::fromValue(QDBusVariant(set))});
        EXPECT_DOUBLE_EQ(get(kPlayer, QStringLiteral("Volume")).toDouble(), want) << set;
        EXPECT_EQ(player.volume(), qRound(want * 100));
    }
    ASSERT_EQ(log.changes.size(), 3);
    EXPECT_EQ(log.changes.first().keys(), QStringList{QStringLiteral("Volume")});

    // The list emptied: nothing can be played, and the commands do nothing (no add dialog).
    log.changes.clear();
    model.clear();
    EXPECT_TRUE(waitFor([&] { return !log.changes.isEmpty(); }, 3000));
    EXPECT_EQ(log.changes.first().value(QStringLiteral("CanPlay")), false);
    calls();
    for (const char *method : {"Play", "PlayPause", "Stop", "Next", "Previous"})
        call(kPlayer, QLatin1String(method));
    EXPECT_TRUE(calls().isEmpty());
    EXPECT_TRUE(dialogs.entries().isEmpty());
}

TEST_F(MprisServiceTest, OpenUriAddsAndPlaysWhatThePlayerTakes) {
    playback.finishStartup();
    const QString c = file(QStringLiteral("c d.wav"));
    const QString list = file(QStringLiteral("l.lvx"));
    struct Case {
        QString uri;
        const char *error; // empty: taken
        int count;         // list length afterwards
        QString played;
    };
    const Case cases[] = {
        {QUrl::fromLocalFile(c).toString(), "", 3, c},
        {QUrl::fromLocalFile(c).toString(), "", 3, c}, // listed once
        {QUrl::fromLocalFile(a).toString(), "", 3, a},
        {QStringLiteral("http://127.0.0.1:9/live"), "", 4,
         QStringLiteral("http://127.0.0.1:9/live")},
        {QUrl::fromLocalFile(list).toString(), "org.freedesktop.DBus.Error.NotSupported", 4, {}},
        {QUrl::fromLocalFile(dir.filePath(QStringLiteral("gone.mp3"))).toString(),
         "org.freedesktop.DBus.Error.NotSupported",
         4,
         {}},
        {QStringLiteral("ftp://127.0.0.1/x.mp3"), "org.freedesktop.DBus.Error.NotSupported", 4, {}},
        {QStringLiteral("no scheme"), "org.freedesktop.DBus.Error.InvalidArgs", 4, {}},
    };
    for (const Case &k : cases) {
        calls();
        const QDBusMessage r = call(kPlayer, QStringLiteral("OpenUri"), {k.uri});
        EXPECT_EQ(r.errorName(), QLatin1String(k.error)) << k.uri.toStdString();
        EXPECT_EQ(model.count(), k.count) << k.uri.toStdString();
        if (k.played.isEmpty()) {
            EXPECT_TRUE(calls().isEmpty()) << k.uri.toStdString();
        } else {
            EXPECT_EQ(calls(),
                      (QStringList{QStringLiteral("open:") + k.played, QStringLiteral("play")}))
                << k.uri.toStdString();
            EXPECT_EQ(model.CurrentFile, k.played);
        }
    }
}

TEST_F(MprisServiceTest, AWindowThatGoesAwayLeavesAStoppedPlayerUntilTheNextOne) {
    playback.finishStartup();
    call(kPlayer, QStringLiteral("Play"));
    // The window is rebuilt: its source goes, a new one comes.
    auto rebuilt = std::make_unique<MprisPlayback>(playback, model);
    service.setSource(rebuilt.get());
    log.changes.clear();
    rebuilt.reset();
    ASSERT_TRUE(waitFor([&] { return !log.changes.isEmpty(); }, 3000));
    EXPECT_EQ(log.changes.first().value(QStringLiteral("PlaybackStatus")),
              QStringLiteral("Stopped"));
    EXPECT_EQ(log.changes.first().value(QStringLiteral("CanPlay")), false);
    calls();
    call(kPlayer, QStringLiteral("PlayPause"));
    EXPECT_TRUE(calls().isEmpty());
    service.setSource(&source);
    EXPECT_EQ(status(), QStringLiteral("Playing"));
}

TEST_F(MprisServiceTest, ASecondPlayerTakesAnInstanceNameAndNoSourceIsAStoppedPlayer) {
    MprisService second;
    ASSERT_TRUE(second.registerOn(
        QDBusConnection::connectToBus(bus.address(), QStringLiteral("two") + clientName)));
    EXPECT_TRUE(second.serviceName().startsWith(QLatin1String(MprisService::kServiceName) +
                                                QStringLiteral(".instance")));
    QDBusMessage m = QDBusMessage::createMethodCall(
        second.serviceName(), kPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    m.setArguments({kPlayer, QStringLiteral("CanPlay")});
    QDBusPendingCall pending = client->asyncCall(m, 5000);
    ASSERT_TRUE(waitFor([&] { return pending.isFinished(); }));
    EXPECT_EQ(pending.reply().arguments().value(0).value<QDBusVariant>().variant(), false);

    // A connection that is not connected: refused, nothing registered.
    MprisService none;
    EXPECT_FALSE(none.registerOn(QDBusConnection(QStringLiteral("nothing"))));
    EXPECT_TRUE(none.serviceName().isEmpty());
}

} // namespace

#include "mpris_service_test.moc"
