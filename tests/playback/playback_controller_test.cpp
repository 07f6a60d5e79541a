// The playback controller against a scripted media player and a recording view.
#include "fake_media_player.h"
#include "playback/playback_controller.h"
#include "playback/track_chooser.h"
#include "recording_view.h"
#include "scripted_dialogs.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QStringList>
#include <gtest/gtest.h>
#include <set>

namespace {

using Dir = TrackChooser::Direction;
using Kind = TrackChooser::Choice::Kind;

TEST(TrackChooser, FollowsTheChoiceTable) {
    struct Case {
        Dir dir;
        int selected, current, count;
        bool shuffle;
        Kind kind;
        int index;
    };
    const Case cases[] = {
        // In order, wrapping at both ends.
        {Dir::Next, 1, 1, 3, false, Kind::Select, 2},
        {Dir::Next, 2, 2, 3, false, Kind::Select, 0},
        {Dir::Next, -1, -1, 3, false, Kind::Select, 0},
        {Dir::Previous, 2, 2, 3, false, Kind::Select, 1},
        {Dir::Previous, 0, 0, 3, false, Kind::Select, 2},
        {Dir::Previous, -1, -1, 3, false, Kind::Select, 2},
        // An item the user selected meanwhile is taken as it is, shuffled or not.
        {Dir::Next, 0, 1, 3, false, Kind::Select, 0},
        {Dir::Previous, 2, 1, 3, false, Kind::Select, 2},
        {Dir::Next, 2, 0, 3, true, Kind::Select, 2},
        // Shuffle picks randomly in both directions.
        {Dir::Next, 1, 1, 3, true, Kind::PickRandom, -1},
        {Dir::Previous, 1, 1, 3, true, Kind::PickRandom, -1},
        // No selection is no pick: the neighbour of the current track.
        {Dir::Next, -1, 1, 3, false, Kind::Select, 2},
        {Dir::Previous, -1, 1, 3, false, Kind::Select, 0},
        // A stale CurrentIndex beyond the end after items were deleted.
        {Dir::Next, 5, 5, 3, false, Kind::Select, 0},
        {Dir::Previous, 5, 5, 3, false, Kind::Select, 2},
        // One item and an empty list.
        {Dir::Next, 0, 0, 1, false, Kind::Select, 0},
        {Dir::Previous, 0, 0, 1, false, Kind::Select, 0},
        {Dir::Next, -1, -1, 0, false, Kind::None, -1},
    };
    for (const Case &c : cases) {
        const auto got = TrackChooser::choose(c.dir, c.selected, c.current, c.count, c.shuffle);
        EXPECT_EQ(got.kind, c.kind) << int(c.dir) << " " << c.selected << " " << c.current;
        if (c.kind == Kind::Select) {
            EXPECT_EQ(got.index, c.index) << int(c.dir) << " " << c.selected << " " << c.current;
        }
    }
}

class PlaybackControllerTest : public ::testing::Test {
protected:
    PlaybackControllerTest()
        : ctx(AppPaths(QStringLiteral("/nonexistent"), {})), controller(ctx, model, player, view) {
        ctx.dialogs = &dialogs;
        model.setItems(
            {QStringLiteral("/m/a.mp3"), QStringLiteral("/m/b.wav"), QStringLiteral("/m/c.avi")});
        player.setMedia(QStringLiteral("/m/c.avi"), {60.0, 320, 240, QString(), false, false});
        auto &h = controller.hooks();
        h.addTracks = [this] { events << QStringLiteral("addTracks"); };
        h.recoverAndReload = [this] { events << QStringLiteral("recover"); };
        h.takeMode = [this] { return takeMode; };
        h.clearTakeMode = [this] {
            takeMode = false;
            events << QStringLiteral("clearTake");
        };
        h.recording = [this] { return recording; };
        h.stopRecordingOrTake = [this] { events << QStringLiteral("stopRecorder"); };
        ctx.requestQuit = [this] { events << QStringLiteral("quit"); };
    }

    // Loads and plays item `index` as a double click would.
    void playItem(int index) {
        model.select(index);
        controller.playSelected();
    }
    QStringList opened() const {
        QStringList out;
        for (const QString &c : player.calls())
            if (c.startsWith(QLatin1String("open:"))) out << c.mid(5);
        return out;
    }

    ScriptedDialogs dialogs;
    AppContext ctx;
    PlaylistModel model;
    FakeMediaPlayer player;
    RecordingView view;
    PlaybackController controller;
    QStringList events;
    bool takeMode = false, recording = false;
};

TEST_F(PlaybackControllerTest, PlaySelectedLoadsTheItemAndPlaysIt) {
    QSignalSpy loaded(&controller, &PlaybackController::trackLoaded);
    QSignalSpy switching(&controller, &PlaybackController::trackSwitching);
    takeMode = true;
    playItem(1);
    EXPECT_EQ(model.CurrentIndex, 1);
    EXPECT_EQ(model.CurrentFile, QStringLiteral("/m/b.wav"));
    EXPECT_EQ(model.CurrentExt, QStringLiteral("wav"));
    EXPECT_EQ(player.calls(),
              (QStringList{QStringLiteral("open:/m/b.wav"), QStringLiteral("play")}));
    EXPECT_EQ(player.playState(), MediaPlayer::Playing);
    ASSERT_EQ(loaded.count(), 1);
    EXPECT_EQ(loaded.at(0).at(0).toString(), QStringLiteral("/m/b.wav"));
    EXPECT_EQ(switching.count(), 1);
    EXPECT_TRUE(events.contains(QStringLiteral("clearTake")));
    EXPECT_FALSE(ctx.PlayerBusy);
}

TEST_F(PlaybackControllerTest, NextAndPreviousWrapAroundAndKeepRepeatsOut) {
    playItem(2);
    player.clearCalls();
    view.log.clear();
    controller.next();
    EXPECT_EQ(model.CurrentIndex, 0);
    EXPECT_EQ(view.log.mid(0, 2), (QStringList{QStringLiteral("focus"), QStringLiteral("next:0")}));
    EXPECT_EQ(view.log.last(), QStringLiteral("next:1"));
    controller.previous();
    EXPECT_EQ(model.CurrentIndex, 2);
    controller.previous();
    EXPECT_EQ(model.CurrentIndex, 1);
    EXPECT_EQ(opened(), (QStringList{QStringLiteral("/m/a.mp3"), QStringLiteral("/m/c.avi"),
                                     QStringLiteral("/m/b.wav")}));
    EXPECT_FALSE(ctx.PlayerBusy);
}

TEST_F(PlaybackControllerTest, AnItemSelectedDuringPlaybackIsPlayedNext) {
    playItem(0);
    model.select(2); // the user clicks another item while the track plays
    controller.next();
    EXPECT_EQ(model.CurrentIndex, 2);

    model.select(0);
    player.finishTrack(); // the track ends: the selected item, not the one after it
    EXPECT_EQ(model.CurrentIndex, 0);
    EXPECT_EQ(player.fileName(), QStringLiteral("/m/a.mp3"));
    EXPECT_EQ(player.playState(), MediaPlayer::Playing);
}

TEST_F(PlaybackControllerTest, ShufflePlaysEveryItemOnceAndPreviousDoesNotGoBack) {
    ctx.settings.RandomPlay = -1;
    uint32_t draw = 0;
    model.setRandomSource([&draw](uint32_t bound) { return (draw++ * 2) % bound; });
    playItem(0);
    std::set<int> seen{model.CurrentIndex};
    controller.next();
    seen.insert(model.CurrentIndex);
    player.finishTrack();
    seen.insert(model.CurrentIndex);
    EXPECT_EQ(seen, (std::set<int>{0, 1, 2})) << "one cycle plays each item once";

    // A new cycle: previous picks randomly too, and not the track that just played first.
    for (int i = 0; i < 3; ++i) {
        const int before = model.CurrentIndex;
        controller.previous();
        EXPECT_NE(model.CurrentIndex, before);
    }
}

TEST_F(PlaybackControllerTest, TheEndOfATrackAdvancesUnlessARecordingOrTakeSaysStop) {
    QSignalSpy ended(&controller, &PlaybackController::trackEnded);
    playItem(2);
    player.finishTrack();
    EXPECT_EQ(model.CurrentIndex, 0) << "the list wraps";
    EXPECT_EQ(player.playState(), MediaPlayer::Playing);
    EXPECT_EQ(ended.count(), 1);

    takeMode = true;
    player.finishTrack();
    EXPECT_EQ(events.last(), QStringLiteral("stopRecorder"));
    EXPECT_EQ(model.CurrentIndex, 0) << "a take that ends does not advance the list";
    EXPECT_EQ(player.playState(), MediaPlayer::Stopped);

    takeMode = false;
    recording = true;
    ctx.settings.StopRecordAtEnd = 1;
    player.play();
    events.clear();
    player.finishTrack();
    EXPECT_EQ(events, QStringList{QStringLiteral("stopRecorder")});
    EXPECT_EQ(model.CurrentIndex, 0);

    ctx.settings.StopRecordAtEnd = 0;
    player.play();
    events.clear();
    player.finishTrack();
    EXPECT_TRUE(events.isEmpty()) << "the recording goes on";
    EXPECT_EQ(model.CurrentIndex, 1);
    EXPECT_EQ(player.playState(), MediaPlayer::Playing);
}

TEST_F(PlaybackControllerTest, ExitAfterTrackQuitsOnceInsteadOfAdvancing) {
    ctx.exitAfterTrack = true;
    playItem(0);
    player.finishTrack();
    EXPECT_EQ(events.count(QStringLiteral("quit")), 1);
    EXPECT_EQ(opened(), QStringList{QStringLiteral("/m/a.mp3")});
    EXPECT_EQ(player.playState(), MediaPlayer::Stopped);
    player.play();
    player.finishTrack();
    EXPECT_EQ(events.count(QStringLiteral("quit")), 1);
}

TEST_F(PlaybackControllerTest, PlayPauseNeverPausesAStreamWithoutLength) {
    player.setMedia(QStringLiteral("/m/a.mp3"), {0.0, 0, 0, QString(), false, false});
    playItem(0);
    controller.playPause();
    controller.spaceKey();
    controller.pauseButton();
    EXPECT_EQ(player.playState(), MediaPlayer::Playing);
    EXPECT_FALSE(player.calls().contains(QStringLiteral("pause")));

    playItem(1);
    controller.playPause();
    EXPECT_EQ(player.playState(), MediaPlayer::Paused);
    controller.spaceKey();
    EXPECT_EQ(player.playState(), MediaPlayer::Playing);
    controller.pauseButton();
    EXPECT_EQ(player.playState(), MediaPlayer::Paused);
    controller.pauseButton(); // only pauses while playing
    EXPECT_EQ(player.playState(), MediaPlayer::Paused);
}

TEST_F(PlaybackControllerTest, CommandsOnAnEmptyListAddTracksFirst) {
    model.clear();
    controller.playPause();
    controller.pauseButton();
    controller.playButton();
    controller.stop();
    controller.next();
    controller.previous();
    controller.playSelected();
    EXPECT_EQ(events.count(QStringLiteral("addTracks")), 7);
    EXPECT_TRUE(player.calls().isEmpty());
    controller.spaceKey(); // no list check: only the player is asked
    EXPECT_EQ(events.count(QStringLiteral("addTracks")), 7);
}

TEST_F(PlaybackControllerTest, PlayButtonAsksOnlyWhenTheSelectionIsNotTheLoadedTrack) {
    playItem(0);
    controller.stop();
    player.clearCalls();
    controller.playButton();
    EXPECT_TRUE(dialogs.entries().isEmpty());
    EXPECT_EQ(player.calls(), QStringList{QStringLiteral("play")});

    controller.stop();
    model.select(1);
    dialogs.answerMessage(Dialogs::Answer::No);
    player.clearCalls();
    controller.playButton();
    ASSERT_EQ(dialogs.entries().size(), 1);
    EXPECT_EQ(dialogs.entries().at(0).text,
              QStringLiteral("选择“是”播放列表中选中的曲目，选择“否”播放当前已加载的曲目。"));
    EXPECT_EQ(dialogs.entries().at(0).icon, Dialogs::Icon::Question);
    EXPECT_EQ(player.calls(), QStringList{QStringLiteral("play")});
    EXPECT_EQ(player.fileName(), QStringLiteral("/m/a.mp3"));

    dialogs.answerMessage(Dialogs::Answer::Yes);
    controller.playButton();
    EXPECT_EQ(player.fileName(), QStringLiteral("/m/b.wav"));
    EXPECT_EQ(model.CurrentIndex, 1);
}

TEST_F(PlaybackControllerTest, StopReturnsToTheStartAndTheListShowsTheLoadedTrack) {
    playItem(1);
    player.setPosition(42.0);
    model.select(2);
    view.log.clear();
    controller.stop();
    EXPECT_EQ(player.calls().mid(player.calls().size() - 2),
              (QStringList{QStringLiteral("stop"), QStringLiteral("seek:0")}));
    EXPECT_EQ(player.currentPosition(), 0.0);
    EXPECT_EQ(model.selectedIndex(), 1) << "stopped: the loaded track is selected again";
    EXPECT_TRUE(view.log.contains(QStringLiteral("timer1-stop")));
    EXPECT_TRUE(view.log.contains(QStringLiteral("lyric-reset")));

    controller.playPause();
    model.select(0);
    view.log.clear();
    controller.playPause();
    EXPECT_EQ(player.playState(), MediaPlayer::Paused);
    EXPECT_EQ(model.selectedIndex(), 1);
    EXPECT_EQ(view.log, QStringList{QStringLiteral("timer1-stop")});
}

TEST_F(PlaybackControllerTest, TitleLineShowsTheClipTitleOrTheFile) {
    player.setMedia(QStringLiteral("/m/a.mp3"), {200.0, 0, 0, QStringLiteral("  "), false, false});
    player.setMedia(QStringLiteral("/m/b.wav"),
                    {200.0, 0, 0, QStringLiteral("Moon River"), false, false});
    playItem(0);
    EXPECT_EQ(view.title, QStringLiteral("Lyravox 1.7.0 - /m/a.mp3"));
    EXPECT_EQ(view.titleTip, QStringLiteral("播放器加载曲目【/m/a.mp3】"));
    EXPECT_EQ(controller.ClipTitle(), QString()) << "a blank title is no title";
    EXPECT_TRUE(view.log.contains(QStringLiteral("download-stop")));

    playItem(1);
    EXPECT_EQ(view.title, QStringLiteral("Lyravox 1.7.0 - Moon River"));
    EXPECT_EQ(view.titleTip, QStringLiteral("播放器加载曲目【/m/b.wav】"));
    EXPECT_EQ(controller.ClipTitle(), QStringLiteral("Moon River"));

    // Media opened by another command (a processed copy): the file name, no clip title.
    player.setFileName(QStringLiteral("/tmp/3.wav"));
    EXPECT_EQ(view.title, QStringLiteral("Lyravox 1.7.0 - /tmp/3.wav"));
    EXPECT_EQ(controller.ClipTitle(), QString());
}

TEST_F(PlaybackControllerTest, VideoAndSoundLayoutsAndFullScreen) {
    ctx.settings.VisualOn = 1;
    playItem(2);
    EXPECT_TRUE(view.video);
    EXPECT_TRUE(view.fullScreenEnabled);
    EXPECT_EQ(view.hint, QStringLiteral("提示：按 F 键全屏显示影像；按 Esc 键退出全屏。"));
    EXPECT_EQ(player.displaySize(), 0) << "no automatic full screen unless set";

    controller.videoFullScreen(PlaybackController::FullScreenSource::Key);
    EXPECT_EQ(player.displaySize(), MediaPlayer::kFullScreen);
    player.clearCalls();
    controller.videoFullScreen(PlaybackController::FullScreenSource::Key);
    EXPECT_TRUE(player.calls().isEmpty()) << "F while already full screen does nothing";
    controller.videoFullScreen(PlaybackController::FullScreenSource::Button);
    EXPECT_EQ(player.calls(), QStringList{QStringLiteral("displaySize:3")});
    player.setDisplaySize(0);

    playItem(0);
    EXPECT_FALSE(view.video);
    EXPECT_TRUE(view.visualShown);
    EXPECT_FALSE(view.fullScreenEnabled);
    EXPECT_EQ(view.hint, QStringLiteral("提示：单击鼠标右键可以显示菜单。"));
    player.clearCalls();
    for (auto source :
         {PlaybackController::FullScreenSource::Key, PlaybackController::FullScreenSource::Button,
          PlaybackController::FullScreenSource::Menu})
        controller.videoFullScreen(source);
    EXPECT_TRUE(player.calls().isEmpty()) << "no full screen without a video";

    ctx.settings.AutoFullScreenVideo = 1;
    playItem(2);
    EXPECT_EQ(player.displaySize(), MediaPlayer::kFullScreen);
}

TEST_F(PlaybackControllerTest, BalanceLabelTruncatesTowardZero) {
    EXPECT_EQ(view.balance, QStringLiteral("L· 0 ·R"));
    const std::pair<int, const char *> cases[] = {
        {-2750, "L· -5 ·R"},  {499, "L· 0 ·R"},   {-499, "L· 0 ·R"}, {5000, "L· 10 ·R"},
        {-5000, "L· -10 ·R"}, {7000, "L· 10 ·R"}, {1000, "L· 2 ·R"}};
    for (const auto &[value, text] : cases) {
        controller.setBalance(value);
        EXPECT_EQ(view.balance, QString::fromUtf8(text)) << value;
    }
    EXPECT_EQ(player.balance(), 1000);
    EXPECT_EQ(view.log.last(), QStringLiteral("focus"));
}

TEST_F(PlaybackControllerTest, PlayerBusyIsSetWhileOthersReactToAStateChange) {
    QList<bool> busy;
    QObject::connect(&controller, &PlaybackController::playStateChanged,
                     [&](int) { busy << ctx.PlayerBusy; });
    playItem(0);
    ASSERT_FALSE(busy.isEmpty());
    for (bool b : busy)
        EXPECT_TRUE(b);
    EXPECT_FALSE(ctx.PlayerBusy);
}

TEST_F(PlaybackControllerTest, ATrackThatCannotBeOpenedRecovers) {
    player.setMedia(QStringLiteral("/m/b.wav"), {180.0, 0, 0, QString(), true, false});
    playItem(1);
    EXPECT_EQ(events.count(QStringLiteral("recover")), 1);
    EXPECT_FALSE(ctx.PlayerBusy);

    playItem(0);
    view.log.clear();
    controller.next(); // b.wav again: the controls come back after the failed load
    EXPECT_EQ(events.count(QStringLiteral("recover")), 2);
    EXPECT_EQ(view.log.last(), QStringLiteral("next:1"));

    // A failure found while opening arrives later, and is handled after the notification.
    player.setMedia(QStringLiteral("/m/c.avi"), {180.0, 0, 0, QString(), false, true});
    playItem(2);
    EXPECT_EQ(events.count(QStringLiteral("recover")), 2);
    QCoreApplication::processEvents();
    EXPECT_EQ(events.count(QStringLiteral("recover")), 3);

    // Failures of media playback did not load are not its business.
    Q_EMIT player.mediaError(QStringLiteral("/tmp/2.wav"), QStringLiteral("x"));
    QCoreApplication::processEvents();
    EXPECT_EQ(events.count(QStringLiteral("recover")), 3);

    // A scripted run has nobody to answer the recovery: it ends instead.
    ctx.exitAfterTrack = true;
    playItem(1);
    EXPECT_EQ(events.count(QStringLiteral("recover")), 3);
    EXPECT_EQ(events.count(QStringLiteral("quit")), 1);
}

TEST_F(PlaybackControllerTest, FinishStartupLoadsTheSelectedItemAndPlaysWhenAsked) {
    model.select(1);
    ctx.settings.AutoPlayOnStart = 0;
    controller.finishStartup();
    EXPECT_EQ(model.CurrentIndex, 1);
    EXPECT_EQ(player.calls(), QStringList{QStringLiteral("open:/m/b.wav")});
    EXPECT_EQ(player.playState(), MediaPlayer::Stopped);
    EXPECT_EQ(view.title, QStringLiteral("Lyravox 1.7.0 - /m/b.wav"));

    ctx.settings.AutoPlayOnStart = 1;
    model.select(2);
    controller.finishStartup(); // stopped: loads again and plays
    EXPECT_EQ(player.fileName(), QStringLiteral("/m/c.avi"));
    EXPECT_EQ(player.playState(), MediaPlayer::Playing);
    player.clearCalls();
    controller.finishStartup(); // playing: nothing
    EXPECT_TRUE(player.calls().isEmpty());

    player.stop();
    player.setMedia(QStringLiteral("/m/a.mp3"), {180.0, 0, 0, QString(), true, false});
    model.select(0);
    controller.finishStartup();
    EXPECT_EQ(events, QStringList{QStringLiteral("recover")});
}

} // namespace
