// The playback controller driving the real libmpv engine over a playlist of generated media.
#include "playback/mpv_media_player.h"
#include "playback/playback_controller.h"
#include "recording_view.h"
#include "scripted_dialogs.h"
#include "stream_server.h"
#include "test_media.h"
#include "wait_for.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <set>

namespace {

class PlaybackIntegrationTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(s_dir->isValid());
        ASSERT_TRUE(TestMedia::writeWav(media("one.wav"), 0.5));
        ASSERT_TRUE(
            TestMedia::writeMp3(media("two.mp3"), 0.5, {QStringLiteral("Two"), {}, {}, {}}));
        ASSERT_TRUE(TestMedia::writeAvi(media("three.avi"), 0.5));
        ASSERT_TRUE(TestMedia::writeWav(media("long.wav"), 3.0));
        QFile junk(media("junk.wav"));
        ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
        junk.write(QByteArray(2048, '\x7f'));
    }
    static void TearDownTestSuite() { s_dir.reset(); }
    static QString media(const char *name) {
        return s_dir->path() + QLatin1Char('/') + QLatin1String(name);
    }

    PlaybackIntegrationTest()
        : ctx(AppPaths(s_dir->path(), {})), controller(ctx, model, player, view) {
        ctx.dialogs = &dialogs;
        model.setItems({media("one.wav"), media("two.mp3"), media("three.avi")});
        controller.hooks().recoverAndReload = [this] { ++recoveries; };
        QObject::connect(
            &controller, &PlaybackController::trackLoaded,
            [this](const QString &path) { loaded << path.section(QLatin1Char('/'), -1); });
    }

    bool waitPlaying() {
        return waitFor([this] {
            return player.playState() == MediaPlayer::Playing && player.currentPosition() > 0.05;
        });
    }

    static std::unique_ptr<QTemporaryDir> s_dir;
    ScriptedDialogs dialogs;
    AppContext ctx;
    PlaylistModel model;
    MpvMediaPlayer player;
    RecordingView view;
    PlaybackController controller;
    QStringList loaded;
    int recoveries = 0;
};
std::unique_ptr<QTemporaryDir> PlaybackIntegrationTest::s_dir;

TEST_F(PlaybackIntegrationTest, AThreeItemListPlaysThroughAndWraps) {
    ASSERT_TRUE(player.isValid());
    QList<bool> videoWhilePlaying;
    QObject::connect(&controller, &PlaybackController::playStateChanged, [&](int state) {
        if (state == MediaPlayer::Playing) videoWhilePlaying << view.video;
    });
    model.select(0);
    controller.playSelected();
    ASSERT_TRUE(waitFor([&] { return loaded.size() >= 4; }));
    EXPECT_EQ(loaded.mid(0, 4),
              (QStringList{QStringLiteral("one.wav"), QStringLiteral("two.mp3"),
                           QStringLiteral("three.avi"), QStringLiteral("one.wav")}));
    ASSERT_TRUE(waitPlaying());
    EXPECT_EQ(model.CurrentIndex, 0);
    // Sound, sound, video, sound again: the layout followed every track.
    ASSERT_GE(videoWhilePlaying.size(), 4);
    EXPECT_EQ(videoWhilePlaying.mid(0, 4), (QList<bool>{false, false, true, false}));
    EXPECT_EQ(recoveries, 0);
    EXPECT_FALSE(ctx.PlayerBusy);
}

TEST_F(PlaybackIntegrationTest, NextAndPreviousFollowTheTableWithTheRealPlayer) {
    model.select(0);
    controller.playSelected();
    ASSERT_TRUE(waitPlaying());
    controller.next();
    ASSERT_TRUE(waitPlaying());
    EXPECT_EQ(player.fileName(), media("two.mp3"));
    EXPECT_EQ(view.title, QStringLiteral("Lyravox 1.7.0 - Two"));
    controller.previous();
    controller.previous(); // a second press while the first switch still opens
    ASSERT_TRUE(waitPlaying());
    EXPECT_EQ(player.fileName(), media("three.avi")) << "previous from the first item wraps";
    EXPECT_EQ(model.CurrentIndex, 2);
    EXPECT_TRUE(view.fullScreenEnabled);
}

TEST_F(PlaybackIntegrationTest, ShuffleVisitsEveryItemOnce) {
    ctx.settings.RandomPlay = -1;
    uint32_t n = 0;
    model.setRandomSource([&n](uint32_t bound) { return (n++ * 7) % bound; });
    model.select(1);
    controller.playSelected();
    ASSERT_TRUE(waitPlaying());
    std::set<int> seen{model.CurrentIndex};
    controller.next();
    ASSERT_TRUE(waitPlaying());
    seen.insert(model.CurrentIndex);
    // The end of the track picks the last unplayed item.
    const int before = loaded.size();
    ASSERT_TRUE(waitFor([&] { return loaded.size() > before; }));
    seen.insert(model.CurrentIndex);
    EXPECT_EQ(seen, (std::set<int>{0, 1, 2}));
}

TEST_F(PlaybackIntegrationTest, PauseOnAStreamWithoutLengthDoesNothing) {
    // A network stream: an endless MP3 over HTTP without a length.
    ASSERT_TRUE(TestMedia::writeMp3(media("radio.mp3"), 2.0));
    QFile radio(media("radio.mp3"));
    ASSERT_TRUE(radio.open(QIODevice::ReadOnly));
    StreamServer server(radio.readAll());
    ASSERT_TRUE(server.isListening());
    model.setItems({server.address(), media("one.wav")});
    model.select(0);
    controller.playSelected();
    ASSERT_TRUE(waitPlaying());
    EXPECT_EQ(player.duration(), 0.0);
    controller.pauseButton();
    controller.playPause();
    controller.spaceKey();
    EXPECT_EQ(player.playState(), MediaPlayer::Playing);
    const double at = player.currentPosition();
    EXPECT_TRUE(waitFor([&] { return player.currentPosition() > at + 0.2; }))
        << "the stream keeps playing";

    // A file with a length does pause.
    controller.next();
    ASSERT_TRUE(waitPlaying());
    controller.playPause();
    EXPECT_EQ(player.playState(), MediaPlayer::Paused);
}

TEST_F(PlaybackIntegrationTest, MissingAndBrokenFilesRecover) {
    model.setItems({media("gone.mp3"), media("junk.wav"), media("one.wav")});
    model.select(0);
    controller.playSelected();
    EXPECT_EQ(recoveries, 1) << "a missing file fails at once";

    controller.next(); // junk.wav: mpv finds out while opening
    EXPECT_TRUE(waitFor([&] { return recoveries == 2; }));
    EXPECT_EQ(player.playState(), MediaPlayer::Closed);

    controller.next();
    ASSERT_TRUE(waitPlaying());
    EXPECT_EQ(recoveries, 2);
}

TEST_F(PlaybackIntegrationTest, StopThenPlayStartsAgainFromTheBeginning) {
    model.setItems({media("long.wav")});
    model.select(0);
    controller.playSelected();
    ASSERT_TRUE(waitFor([&] { return player.currentPosition() > 0.4; }));
    controller.stop();
    EXPECT_EQ(player.playState(), MediaPlayer::Stopped);
    controller.playButton(); // the selected item is the loaded one: no question
    EXPECT_TRUE(dialogs.entries().isEmpty());
    ASSERT_TRUE(waitPlaying());
    EXPECT_LT(player.currentPosition(), 0.35);
}

} // namespace
