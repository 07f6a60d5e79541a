// The recording commands against a scripted server, a scripted media player and a view that
// keeps what it was told: the start question, the buffer-time warnings, the clock, stop and
// saving (zero bytes, cancel, failure, full buffer, server lost), the take's playback and the
// reactions to playback.
#include "controls_log.h"
#include "fake_audio_input.h"
#include "fake_media_player.h"
#include "playback/playback_controller.h"
#include "playlist/playlist_model.h"
#include "recording/recording_controller.h"
#include "recording_view.h"
#include "scripted_dialogs.h"
#include "temp_home.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

using Indicator = RecordingControlsView::Indicator;

constexpr int kBytesPerSecond = 176400;

class RecordingControllerTest : public ::testing::Test {
protected:
    RecordingControllerTest()
        : ctx(home.paths()), engine(&input), controller(ctx, player, engine, view) {
        ctx.dialogs = &dialogs;
        ctx.settings.ShowMixerOnRecord = 0;
        input.list = {AudioSourceInfo{}};
        input.list[0].name = QStringLiteral("mic");
        controller.sourceName = [] { return QStringLiteral("mic"); };
        controller.elapsedMs = [this] { return elapsed; };
        player.setMedia(QStringLiteral("/m/song.mp3"), {180.0, 0, 0, QString(), false, false});
        player.setFileName(QStringLiteral("/m/song.mp3"));
    }

    // Starts with the question answered Yes from `position` of a playing track.
    void startRecording(double position = 30.0) {
        player.play();
        player.setPosition(position);
        dialogs.answerMessage(Dialogs::Answer::Yes);
        controller.startRecording();
        ASSERT_TRUE(controller.recording());
        ASSERT_NE(input.lastCapture, nullptr);
        dialogs.clear();
    }
    FakeCapture &capture() { return *input.lastCapture; }
    // The spools in TEMP.
    QStringList spools() const {
        const QDir dir(TakeSpool::folder(home.file(QStringLiteral("TEMP"))));
        QStringList paths;
        for (const QString &name : dir.entryList({QStringLiteral("*.wav")}, QDir::Files))
            paths << dir.filePath(name);
        return paths;
    }
    QStringList takesKept() const {
        return QDir(home.file(QStringLiteral("takes"))).entryList(QDir::Files);
    }
    QByteArray read(const QString &path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    TempHome home;
    ScriptedDialogs dialogs;
    AppContext ctx;
    FakeAudioInput input;
    FakeMediaPlayer player;
    ControlsLog view;
    CaptureEngine engine;
    RecordingController controller;
    qint64 elapsed = 0;
};

TEST_F(RecordingControllerTest, DeclinedQuestionPlaysTheAccompanimentOnFromWhereItStood) {
    struct Case {
        int before; // play state when the command runs
        int after;
    };
    const Case cases[] = {{MediaPlayer::Playing, MediaPlayer::Playing},
                          {MediaPlayer::Paused, MediaPlayer::Playing},
                          {MediaPlayer::Stopped, MediaPlayer::Stopped}};
    for (const Case &c : cases) {
        player.stop();
        if (c.before != MediaPlayer::Stopped) player.play();
        player.setPosition(42.0);
        if (c.before == MediaPlayer::Paused) player.pause();
        dialogs.clear();
        dialogs.answerMessage(Dialogs::Answer::No);
        controller.startRecording();
        ASSERT_EQ(dialogs.entries().size(), 1);
        const auto &q = dialogs.entries().at(0);
        EXPECT_TRUE(q.text.startsWith(QStringLiteral("您已经选择了录音功能")));
        EXPECT_TRUE(q.text.endsWith(QStringLiteral("“WAVE”。\r\n你确定要立即开始录音吗？")));
        EXPECT_EQ(q.title, QStringLiteral("Lyravox 录音提示"));
        EXPECT_EQ(q.buttons, Dialogs::Buttons::YesNo);
        EXPECT_EQ(q.icon, Dialogs::Icon::Information);
        EXPECT_EQ(player.playState(), c.after) << c.before;
        EXPECT_DOUBLE_EQ(player.currentPosition(), 42.0);
        EXPECT_FALSE(controller.recording());
        EXPECT_FALSE(view.stopEnabled);
        EXPECT_EQ(view.stopCaption, QStringLiteral(" 停 止 "));
        EXPECT_EQ(view.stopMenu, QStringLiteral("停止录音或回放(&S)"));
        EXPECT_EQ(input.lastCapture, nullptr);
    }
}

TEST_F(RecordingControllerTest, ConfirmedStartCapturesForTheTimeLeftAndLocksTheCommands) {
    startRecording(30.0);
    EXPECT_EQ(capture().startedSource, QStringLiteral("mic"));
    EXPECT_EQ(capture().startedFormat, (AudioFormat{44100, 2, 16}));
    EXPECT_DOUBLE_EQ(controller.recordSeconds(), 151.0);
    ASSERT_NE(engine.buffer(), nullptr);
    EXPECT_EQ(engine.buffer()->size(), size_t(154 * kBytesPerSecond));
    EXPECT_EQ(player.playState(), MediaPlayer::Playing);
    EXPECT_FALSE(view.recordEnabled);
    EXPECT_FALSE(view.playTakeEnabled);
    EXPECT_FALSE(view.processingEnabled);
    EXPECT_TRUE(view.stopEnabled);
    EXPECT_EQ(view.stopCaption, QStringLiteral("停止录音"));
    EXPECT_EQ(view.stopMenu, QStringLiteral("停止录音(&S)"));
    EXPECT_EQ(view.indicator, Indicator::Recording);
    EXPECT_TRUE(view.clock);
    EXPECT_TRUE(view.levelTimer); // the level display is on by default
    EXPECT_EQ(spools().size(), 1);
    EXPECT_TRUE(dialogs.entries().isEmpty());
}

TEST_F(RecordingControllerTest, BufferTimeFollowsTheModeAndWarnsAboveTheMaximum) {
    struct Case {
        int mode, maxMinutes;
        double duration, position;
        double seconds;
        QString warning; // empty: none
    };
    const QString over =
        QStringLiteral("录音开始时间距离曲目结束时间超过程序最大录音缓存时间设置：10分钟。\r\n"
                       "如果电脑内存不足或录音时间超过10分钟，录音均可能无效！");
    const QString overTwo =
        QStringLiteral("录音开始时间距离曲目结束时间超过程序最大录音缓存时间设置：2分钟。\r\n"
                       "如果电脑内存不足或录音时间超过2分钟，录音均可能无效！");
    // The warnings weigh this take's own time left (duration - position + 1), never the
    // previous take's plan.
    const Case cases[] = {
        {0, 2, 180, 0, 120, overTwo},
        {0, 10, 180, 0, 600, {}},
        {1, 10, 780, 60, 600, over}, // twelve minutes left
        {1, 10, 660, 61, 600, {}},   // 599 + 1 s: exactly the maximum
        {1, 2, 100, 0, 101, {}},     // after a 600 s plan
        // A stream without a length records up to the maximum.
        {1, 10, 0, 0, 600, {}},
        {1, 10, 100, 101.5, 600,
         QStringLiteral("程序的最大录音缓存时间设置为10分钟。\r\n"
                        "如果电脑内存不足或录音时间超过10分钟，录音均可能无效！")}};
    for (const Case &c : cases) {
        ctx.settings.RecordBufferMode = c.mode;
        ctx.settings.MaxRecordMinutes = c.maxMinutes;
        const QString name = QStringLiteral("/m/%1.mp3").arg(c.duration);
        player.setMedia(name, {c.duration, 0, 0, QString(), false, false});
        player.setFileName(name);
        player.play();
        player.setPosition(c.position);
        dialogs.clear();
        dialogs.answerMessage(Dialogs::Answer::Yes);
        controller.startRecording();
        ASSERT_TRUE(controller.recording());
        EXPECT_DOUBLE_EQ(controller.recordSeconds(), c.seconds) << c.duration;
        EXPECT_EQ(engine.buffer()->size(), size_t((c.seconds + 3) * kBytesPerSecond));
        const QStringList texts = dialogs.messageTexts();
        ASSERT_EQ(texts.size(), c.warning.isEmpty() ? 1 : 2) << c.duration;
        if (!c.warning.isEmpty()) {
            EXPECT_EQ(texts.at(1), c.warning);
            EXPECT_EQ(dialogs.entries().at(1).title, QStringLiteral("DirectSoundCapture 录音提示"));
            EXPECT_EQ(dialogs.entries().at(1).icon, Dialogs::Icon::Warning);
        }
        capture().feed(0);
        controller.stop(); // nothing captured: nothing to save
        ASSERT_FALSE(controller.recording());
    }
}

TEST_F(RecordingControllerTest, StopSavesTheTakeFromTheBufferAndLoadsItForPlayback) {
    startRecording();
    capture().feed(4000, 0);
    controller.clockTick();
    ASSERT_EQ(spools().size(), 1);
    EXPECT_EQ(read(spools()[0]).size(), 44 + 4000) << "the spool follows the capture";
    capture().feed(4000, 2000);
    const QString chosen = home.file(QStringLiteral("my take.wav.wav"));
    dialogs.answerSave(chosen);
    controller.stop();
    ASSERT_EQ(dialogs.entries().size(), 1);
    const auto &save = dialogs.entries().at(0);
    EXPECT_EQ(save.kind, ScriptedDialogs::Kind::SaveFile);
    EXPECT_EQ(save.request.title, QStringLiteral("保存录音文件 *.wav"));
    EXPECT_EQ(save.request.filter, QStringLiteral("声音文件(*.wav)|*.wav"));
    EXPECT_TRUE(save.request.confirmOverwrite);
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^Rec\\d{12}$")).match(save.request.fileName).hasMatch())
        << save.request.fileName.toStdString();

    const QString saved = home.file(QStringLiteral("my take.wav"));
    EXPECT_EQ(controller.takePath(), saved);
    const QByteArray file = read(saved);
    ASSERT_EQ(file.size(), 44 + 8000);
    const auto *samples = reinterpret_cast<const int16_t *>(file.constData() + 44);
    for (int k = 0; k < 4000; ++k)
        ASSERT_EQ(samples[k], k);
    EXPECT_EQ(player.fileName(), saved);
    EXPECT_TRUE(controller.takeMode());
    EXPECT_FALSE(controller.recording());
    EXPECT_TRUE(view.playTakeEnabled);
    EXPECT_FALSE(view.stopEnabled);
    EXPECT_EQ(view.stopMenu, QStringLiteral("停止录音或播放(&S)"));
    EXPECT_EQ(view.indicator, Indicator::Idle);
    EXPECT_FALSE(view.clock);
    EXPECT_FALSE(view.markerVisible);
    EXPECT_FALSE(view.recordEnabled) << "until the next track is loaded";
    EXPECT_TRUE(spools().isEmpty());
    EXPECT_EQ(engine.buffer(), nullptr) << "the capture buffer is released";
}

TEST_F(RecordingControllerTest, NothingSavedEnablesRecordingAgain) {
    enum class Way { ZeroBytes, Cancelled, WriteFails };
    for (Way way : {Way::ZeroBytes, Way::Cancelled, Way::WriteFails}) {
        startRecording();
        if (way != Way::ZeroBytes) capture().feed(400);
        if (way == Way::WriteFails)
            dialogs.answerSave(home.file(QStringLiteral("no/such/folder/take")));
        controller.stop();
        // A failed save offers the dialog again; cancelling that one gives the take up.
        const int dialogsShown = way == Way::ZeroBytes ? 0 : way == Way::Cancelled ? 1 : 3;
        EXPECT_EQ(dialogs.entries().size(), dialogsShown) << int(way);
        if (way == Way::WriteFails) {
            EXPECT_EQ(dialogs.messageTexts(), QStringList{QStringLiteral("保存文件出现错误！")});
            EXPECT_EQ(dialogs.entries().at(2).kind, ScriptedDialogs::Kind::SaveFile);
        }
        EXPECT_TRUE(view.recordEnabled) << int(way);
        EXPECT_FALSE(controller.takeMode());
        EXPECT_TRUE(controller.takePath().isEmpty());
        EXPECT_FALSE(view.stopEnabled);
        EXPECT_TRUE(spools().isEmpty());
        EXPECT_EQ(player.fileName(), QStringLiteral("/m/song.mp3"));
        dialogs.clear();
    }
}

TEST_F(RecordingControllerTest, ACaptureThatEndsByItselfStopsAndOffersWhatItHas) {
    enum class End { Full, Lost, Refused };
    struct Case {
        End end;
        QString warning;
    };
    const Case cases[] = {
        {End::Full, QStringLiteral("录音缓存已满，录音已停止。已录下的部分可以保存。")},
        {End::Lost, QStringLiteral("与声音服务器的连接已断开，录音已停止。已录下的部分可以保存。")},
        {End::Refused, QStringLiteral("你的声卡不支持当前音频捕捉采样设置！")}};
    for (const Case &c : cases) {
        player.setMedia(QStringLiteral("/m/short.mp3"), {2.0, 0, 0, QString(), false, false});
        player.setFileName(QStringLiteral("/m/short.mp3"));
        startRecording(0.0); // 3 s of record time, 6 s of buffer
        const size_t size = engine.buffer()->size();
        EXPECT_EQ(size, size_t(6 * kBytesPerSecond));
        if (c.end == End::Full) {
            for (size_t fed = 0; fed < size + 10000; fed += 10000)
                capture().feed(10000);
        } else {
            capture().feed(10000);
            capture().breakStream(c.end == End::Refused);
        }
        EXPECT_TRUE(controller.recording()) << "the end is posted, not handled in the callback";
        const QString chosen = home.file(QStringLiteral("end%1").arg(int(c.end)));
        dialogs.answerSave(chosen);
        QCoreApplication::processEvents();
        EXPECT_FALSE(controller.recording());
        ASSERT_EQ(dialogs.messageTexts(), QStringList{c.warning});
        EXPECT_EQ(read(chosen + QStringLiteral(".wav")).size(),
                  44 + int(c.end == End::Full ? size : 10000));
        EXPECT_TRUE(controller.takeMode());
        player.setFileName(QStringLiteral("/m/song.mp3"));
        controller.clearTakeMode();
    }
}

TEST_F(RecordingControllerTest, ClockMovesTheMarkerInWholeSecondsAndStopsAtTheRecordTime) {
    player.setMedia(QStringLiteral("/m/ten.mp3"), {9.0, 0, 0, QString(), false, false});
    player.setFileName(QStringLiteral("/m/ten.mp3"));
    startRecording(0.0); // record seconds 10
    capture().feed(1000);
    const std::pair<qint64, int> ticks[] = {{0, 360},    {999, 360},   {1000, 789},
                                            {1500, 789}, {5000, 2505}, {9999, 4221}};
    for (const auto &[ms, twips] : ticks) {
        elapsed = ms;
        controller.clockTick();
        EXPECT_TRUE(view.markerVisible);
        EXPECT_EQ(view.marker, twips) << ms;
        EXPECT_TRUE(controller.recording());
    }
    dialogs.answerSave(QString()); // the save dialog is cancelled
    elapsed = 10000;
    controller.clockTick();
    EXPECT_FALSE(controller.recording());
    EXPECT_FALSE(view.markerVisible);
    EXPECT_FALSE(view.clock);
    EXPECT_EQ(dialogs.entries().size(), 1) << "the take was offered";
    controller.clockTick(); // a late tick only stops the clock
    EXPECT_FALSE(view.clock);
}

TEST_F(RecordingControllerTest, TakePlaysAndStopsAndATrackSwitchReturnsToIdle) {
    controller.playTake();
    EXPECT_EQ(dialogs.messageTexts(), QStringList{QStringLiteral("错误！无录音文件！")});
    dialogs.clear();

    startRecording();
    capture().feed(800);
    dialogs.answerSave(home.file(QStringLiteral("t")));
    controller.stop();
    const QString take = controller.takePath();
    ASSERT_FALSE(take.isEmpty());

    controller.playTake();
    EXPECT_EQ(player.fileName(), take);
    EXPECT_EQ(player.playState(), MediaPlayer::Playing);
    EXPECT_TRUE(view.stopEnabled);
    EXPECT_EQ(view.stopCaption, QStringLiteral("停止回放"));
    EXPECT_EQ(view.stopMenu, QStringLiteral("停止回放(&S)"));
    EXPECT_FALSE(view.playTakeEnabled);
    EXPECT_EQ(view.indicator, Indicator::Playback);

    player.setPosition(0.4);
    controller.stop();
    EXPECT_EQ(player.playState(), MediaPlayer::Stopped);
    EXPECT_DOUBLE_EQ(player.currentPosition(), 0.0);
    EXPECT_TRUE(view.playTakeEnabled);
    EXPECT_FALSE(view.stopEnabled);
    EXPECT_EQ(view.indicator, Indicator::Idle);
    EXPECT_TRUE(controller.takeMode());

    // Loading a track in take mode keeps the take controls; after a switch they go idle.
    controller.onTrackLoaded();
    EXPECT_TRUE(view.playTakeEnabled);
    controller.clearTakeMode();
    controller.onTrackLoaded();
    EXPECT_FALSE(view.playTakeEnabled);
    EXPECT_TRUE(view.recordEnabled);
    EXPECT_EQ(view.recordTip, QStringLiteral("开始录音"));
}

TEST_F(RecordingControllerTest, WithoutAServerRecordingIsDisabledAndSaysWhy) {
    input.up = false;
    controller.applyAvailability();
    EXPECT_FALSE(view.recordEnabled);
    EXPECT_EQ(view.recordTip, QStringLiteral("录音不可用：没有可用的声音服务器（PulseAudio）"));
    player.play();
    controller.startRecording();
    EXPECT_TRUE(dialogs.entries().isEmpty()) << "no question, no message";
    EXPECT_FALSE(controller.recording());
    EXPECT_EQ(player.playState(), MediaPlayer::Playing);
}

TEST_F(RecordingControllerTest, ACaptureThatCannotStartReturnsToIdleAndSaysWhy) {
    struct Case {
        bool formatRefused;
        QString message; // its start
    };
    const Case cases[] = {{false, QStringLiteral("无法开始录音！")},
                          {true, QStringLiteral("你的声卡不支持当前音频捕捉采样设置！")}};
    for (const Case &c : cases) {
        input.refuseCapture = !c.formatRefused;
        input.refuseFormat = c.formatRefused;
        player.play();
        dialogs.clear();
        dialogs.answerMessage(Dialogs::Answer::Yes);
        controller.startRecording();
        EXPECT_FALSE(controller.recording());
        ASSERT_EQ(dialogs.messageTexts().size(), 2);
        EXPECT_TRUE(dialogs.messageTexts().at(1).startsWith(c.message))
            << dialogs.messageTexts().at(1).toStdString();
        EXPECT_EQ(dialogs.entries().at(1).icon, Dialogs::Icon::Critical);
        EXPECT_TRUE(view.recordEnabled);
        EXPECT_FALSE(view.stopEnabled);
    }
}

TEST_F(RecordingControllerTest, AGapInTheCaptureIsKeptAsSilenceOfItsLength) {
    startRecording();
    capture().feed(kBytesPerSecond, 0);     // 1 s
    capture().feedGap(kBytesPerSecond / 2); // 0.5 s the server could not deliver
    capture().feed(kBytesPerSecond / 4, 7); // 0.25 s
    const QString chosen = home.file(QStringLiteral("gap"));
    dialogs.answerSave(chosen);
    controller.stop();
    const QByteArray file = read(chosen + QStringLiteral(".wav"));
    ASSERT_EQ(file.size(), 44 + kBytesPerSecond * 7 / 4) << "1.75 s, the gap included";
    const auto *s = reinterpret_cast<const int16_t *>(file.constData() + 44);
    const int gapFrom = kBytesPerSecond / 2, gapTo = gapFrom + kBytesPerSecond / 4; // samples
    EXPECT_EQ(s[gapFrom - 1], int16_t(gapFrom - 1));
    int loud = 0;
    for (int k = gapFrom; k < gapTo; ++k)
        loud += s[k] != 0;
    EXPECT_EQ(loud, 0);
    EXPECT_EQ(s[gapTo], 7);
    EXPECT_EQ(s[gapTo + 100], 107);
}

TEST_F(RecordingControllerTest, TheMixerStartsWithTheRecordCommandWhenSet) {
    ctx.settings.ShowMixerOnRecord = -1;
    dialogs.answerMessage(Dialogs::Answer::No);
    controller.startRecording();
    EXPECT_EQ(view.mixerStarts, 1);
}

TEST_F(RecordingControllerTest, AFailedSaveKeepsTheWholeTakeForTheNextTry) {
    startRecording();
    capture().feed(6000, 0);
    controller.clockTick();
    capture().feed(2000, 3000);
    dialogs.answerSave(home.file(QStringLiteral("no/such/folder/take")));
    dialogs.answerSave(home.file(QStringLiteral("second try")));
    controller.stop();
    ASSERT_EQ(dialogs.entries().size(), 3);
    EXPECT_EQ(dialogs.entries().at(0).kind, ScriptedDialogs::Kind::SaveFile);
    EXPECT_EQ(dialogs.entries().at(1).text, QStringLiteral("保存文件出现错误！"));
    EXPECT_EQ(dialogs.entries().at(2).kind, ScriptedDialogs::Kind::SaveFile);
    const QString saved = home.file(QStringLiteral("second try.wav"));
    EXPECT_EQ(controller.takePath(), saved);
    const QByteArray file = read(saved);
    ASSERT_EQ(file.size(), 44 + 8000);
    const auto *samples = reinterpret_cast<const int16_t *>(file.constData() + 44);
    for (int k = 0; k < 3000; ++k)
        ASSERT_EQ(samples[k], k);
    for (int k = 0; k < 1000; ++k)
        ASSERT_EQ(samples[3000 + k], 3000 + k);
    EXPECT_TRUE(controller.takeMode());
    EXPECT_TRUE(spools().isEmpty());
}

TEST_F(RecordingControllerTest, TakesLeftByADeadPlayerOrAClosedWindowAreKeptWithAMessage) {
    // A dead player's spool (no lock held any more) and a live one of this window.
    TakeSpool dead;
    ASSERT_TRUE(dead.open(home.file(QStringLiteral("TEMP")), AudioFormat{}));
    QByteArray pcm(4000, '\x11');
    ASSERT_TRUE(dead.append(pcm.constData(), 4000));
    const QByteArray left = read(dead.path());
    dead.discard();
    QFile orphan(TakeSpool::folder(home.file(QStringLiteral("TEMP"))) +
                 QStringLiteral("/take-1-2-3.wav"));
    ASSERT_TRUE(orphan.open(QIODevice::WriteOnly));
    orphan.write(left);
    orphan.close();
    startRecording();
    capture().feed(1000);
    controller.clockTick();

    controller.recoverOrphanTake();
    ASSERT_EQ(takesKept().size(), 1);
    ASSERT_EQ(dialogs.messageTexts().size(), 1);
    EXPECT_TRUE(dialogs.messageTexts().at(0).startsWith(
        QStringLiteral("上次程序意外结束时的录音已保存为：")));
    EXPECT_TRUE(dialogs.messageTexts().at(0).contains(takesKept().at(0)));
    EXPECT_EQ(read(home.file(QStringLiteral("takes/")) + takesKept().at(0)).size(), 44 + 4000);
    EXPECT_EQ(spools().size(), 1) << "the running take's spool stays where it is";
    EXPECT_TRUE(controller.recording());
    dialogs.clear();

    // The window closes mid-take: the take goes into the takes folder and is named next time.
    capture().feed(3000, 500);
    const QString kept = controller.keepTakeAtExit();
    EXPECT_FALSE(controller.recording());
    ASSERT_FALSE(kept.isEmpty());
    EXPECT_EQ(read(kept).size(), 44 + 4000);
    EXPECT_TRUE(spools().isEmpty());
    EXPECT_TRUE(dialogs.entries().isEmpty()) << "no dialog while the window closes";
    controller.recoverOrphanTake();
    ASSERT_EQ(dialogs.messageTexts().size(), 1);
    EXPECT_EQ(dialogs.messageTexts().at(0),
              QStringLiteral("上次关闭程序时未保存的录音已保存为：\r\n") +
                  QDir::toNativeSeparators(kept));
}

// The recording controller bound to the real playback controller.
class RecordingWithPlaybackTest : public RecordingControllerTest {
protected:
    RecordingWithPlaybackTest() : playback(ctx, model, player, playbackView) {
        model.setItems({QStringLiteral("/m/a.mp3"), QStringLiteral("/m/b.mp3")});
        controller.bindPlayback(playback);
        model.select(0);
        playback.playSelected();
    }
    PlaylistModel model;
    RecordingView playbackView;
    PlaybackController playback;
};

TEST_F(RecordingWithPlaybackTest, TheEndOfTheAccompanimentStopsOrTheListGoesOn) {
    for (int stopAtEnd : {1, 0}) {
        ctx.settings.StopRecordAtEnd = stopAtEnd;
        startRecording(0.0);
        capture().feed(2000);
        dialogs.answerSave(home.file(QStringLiteral("end%1").arg(stopAtEnd)));
        const int before = model.CurrentIndex;
        player.finishTrack();
        if (stopAtEnd == 1) {
            EXPECT_FALSE(controller.recording());
            EXPECT_EQ(model.CurrentIndex, before);
            EXPECT_EQ(dialogs.entries().size(), 1) << "the take is offered";
            EXPECT_TRUE(controller.takeMode());
            // The next track switch leaves take mode and returns to idle.
            playback.next();
            EXPECT_FALSE(controller.takeMode());
            EXPECT_TRUE(view.recordEnabled);
            EXPECT_FALSE(view.playTakeEnabled);
        } else {
            EXPECT_TRUE(controller.recording()) << "the capture continues";
            EXPECT_NE(model.CurrentIndex, before);
            EXPECT_EQ(player.playState(), MediaPlayer::Playing);
            EXPECT_FALSE(view.recordEnabled) << "a track load while recording stays recording";
            EXPECT_TRUE(dialogs.entries().isEmpty());
            controller.stop();
            EXPECT_EQ(dialogs.entries().size(), 1);
        }
    }
}

TEST_F(RecordingWithPlaybackTest, TheEndOfATakeStopsItAndTheProcessingTogglesStayLocked) {
    startRecording(0.0);
    player.pause();
    player.play();
    EXPECT_FALSE(view.processingEnabled) << "while recording";
    capture().feed(2000);
    dialogs.answerSave(home.file(QStringLiteral("take")));
    controller.stop();
    controller.playTake();
    EXPECT_FALSE(view.processingEnabled) << "in take mode";
    player.finishTrack();
    EXPECT_EQ(player.playState(), MediaPlayer::Stopped);
    EXPECT_TRUE(view.playTakeEnabled);
    EXPECT_FALSE(view.stopEnabled);
    EXPECT_EQ(model.CurrentIndex, 0) << "a take that ends does not advance the list";
    // Pausing a playing take ends its playback; the play-take command resumes it.
    controller.playTake();
    player.setPosition(0.5);
    player.pause();
    EXPECT_EQ(player.playState(), MediaPlayer::Paused);
    EXPECT_TRUE(view.playTakeEnabled);
    EXPECT_FALSE(view.stopEnabled);
    player.clearCalls();
    controller.playTake();
    EXPECT_EQ(player.calls(), QStringList{QStringLiteral("play")}) << "resumed, not reloaded";
}

} // namespace
