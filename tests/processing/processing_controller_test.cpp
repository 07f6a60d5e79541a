// Key shift and vocal removal on the real main-window switches, with the real codecs and the
// real effect control, scripted dialogs and a scripted media player (one test plays through
// libmpv).
#include "processing/processing_controller.h"

#include "app/main_menus.h"
#include "app/main_window_layout.h"
#include "fake_media_player.h"
#include "lyravox/effect.h"
#include "playback/mpv_media_player.h"
#include "playlist/playlist_model.h"
#include "processing/processing_rules.h"
#include "scripted_dialogs.h"
#include "shell/player_preferences.h"
#include "temp_home.h"
#include "test_media.h"
#include "wait_for.h"

#include <QCheckBox>
#include <QDir>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <algorithm>
#include <gtest/gtest.h>
#include <memory>

namespace {

using Command = ProcessingController::Command;

TEST(ProcessingRulesTest, NamesStepsAndGains) {
    const std::pair<const char *, const char *> names[] = {
        {"/m/a.wav", "/m/a.wav"},     {"/m/a.WAV", "/m/a.WAV.wav"},
        {"/m/a", "/m/a.wav"},         {"/m/a.wav.d/b", "/m/a.wav.d/b.wav"},
        {"/m/a.wav.wav", "/m/a.wav"}, {"/m/x - Shift.wav", "/m/x - Shift.wav"},
    };
    for (const auto &[chosen, written] : names)
        EXPECT_EQ(ProcessingRules::outputName(QLatin1String(chosen)), QLatin1String(written));
    EXPECT_EQ(ProcessingRules::baseName(QStringLiteral("/a.b/song.x.mp3")),
              QStringLiteral("song.x"));
    EXPECT_TRUE(ProcessingRules::processable(QStringLiteral("/m/SONG.MP3")));
    EXPECT_FALSE(ProcessingRules::processable(QStringLiteral("/m/song.ogg")));
    // Dialog steps -2 and -1 swap onto the control's modes so that -1 is the smaller step.
    const int modes[11] = {-5, -4, -3, -1, -2, 0, 0, 1, 2, 3, 4};
    for (int step = -5; step <= 5; ++step)
        if (step != 0) {
            EXPECT_EQ(ProcessingRules::shiftMode(step), modes[step + 5]) << step;
        }
    EXPECT_EQ(ProcessingRules::compensationGains(7), ProcessingRules::compensationGains(3));
    EXPECT_EQ(ProcessingRules::compensationGains(5)[0], 100);
}

class ProcessingTest : public ::testing::Test {
protected:
    ProcessingTest() {
        ctx.dialogs = &dialogs;
        buildMainWindowWidgets(&window, ui);
        buildMainMenus(&window, ui);
        home.paths().createFolders();
        // The channels' subtraction unless a test turns the frequency-domain removal on.
        EXPECT_TRUE(PlayerPreferences().setSpectralVocalRemoval(false));
    }
    ~ProcessingTest() override { controller.reset(); }

    QString file(const char *name) const { return home.file(QLatin1String(name)); }
    void build(MediaPlayer &p) {
        controller = std::make_unique<ProcessingController>(ctx, ui, p, model);
        controller->hooks().askShiftStep = [this] { return step; };
        controller->hooks().recoverAndReload = [this] { ++recoveries; };
    }
    // The fake player with `track` open and playing.
    void openFake(const QString &track, double duration = 3.0) {
        FakeMediaPlayer::Media media;
        media.duration = duration;
        fake.setMedia(track, media);
        fake.setFileName(track);
        fake.play();
        model.CurrentFile = track;
        build(fake);
    }
    QCheckBox *box(Command c) { return c == Command::KeyShift ? ui.Check3 : ui.Check2; }
    QAction *menu(Command c) {
        return ui.action(c == Command::KeyShift ? "mnuShifting" : "mnuRemoveVocal");
    }
    // Checks the switch and waits until the command has ended; the messages shown.
    QStringList run(Command c) {
        QSignalSpy ended(controller.get(), &ProcessingController::commandEnded);
        box(c)->click();
        if (controller->running()) {
            EXPECT_TRUE(ended.wait(30000));
        }
        return dialogs.messageTexts();
    }

    TempHome home;
    ScriptedDialogs dialogs;
    AppContext ctx{home.paths()};
    QWidget window;
    MainWindowUi ui;
    PlaylistModel model;
    FakeMediaPlayer fake;
    std::unique_ptr<ProcessingController> controller;
    int step = 2;
    int recoveries = 0;
};

TEST_F(ProcessingTest, KeyShiftPlaysAShiftedCopyThroughLibmpvAndSwitchesBack) {
    ASSERT_TRUE(TestMedia::writeMp3(file("song.mp3"), 1.5, {}, TestMedia::kBinTone));
    MpvMediaPlayer player;
    QObject::connect(&player, &MediaPlayer::playStateChanged, [this](int state) {
        if (controller) controller->onPlayStateChanged(state);
    });
    model.CurrentFile = file("song.mp3");
    ASSERT_TRUE(player.setFileName(file("song.mp3")));
    player.play();
    ASSERT_TRUE(waitFor([&] { return player.playState() == MediaPlayer::Playing; }));
    build(player);

    // Step 2 raises by 1.2, step -1 lowers by 1.1 (to a bin: 120 and 121 both take bin 100).
    const std::pair<int, double> steps[] = {{2, 1.2}, {-1, 1 / 1.1}};
    for (const auto &[s, ratio] : steps) {
        const double hz = TestMedia::kBinTone * ratio;
        step = s;
        dialogs.clear();
        dialogs.answerSave(file("up.WAV"));
        EXPECT_EQ(run(Command::KeyShift),
                  QStringList{QStringLiteral("你确定要将当前曲目进行改变音调处理吗？")})
            << s;
        const QString made = file("up.WAV.wav");
        EXPECT_EQ(controller->KeyShiftedFile, made);
        EXPECT_TRUE(controller->KeyShiftOn);
        EXPECT_TRUE(menu(Command::KeyShift)->isChecked());
        EXPECT_EQ(ui.Check3->toolTip(), QStringLiteral("改变当前曲目的音调(开)"));
        ASSERT_TRUE(waitFor([&] {
            return player.fileName() == made && player.playState() == MediaPlayer::Playing;
        }));
        const TestMedia::Measure m = TestMedia::measure(made);
        EXPECT_NEAR(m.hz[0], hz, hz * 0.011) << s;
        EXPECT_NEAR(m.hz[1], hz, hz * 0.011) << s;

        // Unchecking goes back to the playlist's track.
        ui.Check3->click();
        EXPECT_FALSE(controller->KeyShiftOn);
        EXPECT_TRUE(controller->KeyShiftedFile.isEmpty());
        EXPECT_EQ(player.fileName(), file("song.mp3"));
        EXPECT_EQ(ui.Check3->toolTip(), QStringLiteral("改变当前曲目的音调"));
        player.play();
        ASSERT_TRUE(waitFor([&] { return player.playState() == MediaPlayer::Playing; }));
    }

    // Playing another file switches the copy off.
    dialogs.answerSave(file("up.wav"));
    run(Command::KeyShift);
    ASSERT_TRUE(controller->KeyShiftOn);
    ASSERT_TRUE(TestMedia::writeWav(file("other.wav"), 1.0));
    ASSERT_TRUE(player.setFileName(file("other.wav")));
    player.play();
    ASSERT_TRUE(waitFor([&] { return !ui.Check3->isChecked(); }));
    EXPECT_FALSE(controller->KeyShiftOn);
    EXPECT_FALSE(menu(Command::KeyShift)->isChecked());
}

TEST_F(ProcessingTest, VocalRemovalCancelsTheCentreWithAndWithoutCompensation) {
    ASSERT_TRUE(TestMedia::writeCentreWav(file("voice.wav"), 1.0));
    openFake(file("voice.wav"));
    for (int level : {-3, 3}) {
        ctx.settings.VocalCompensation = level;
        dialogs.answerSave(file("devocal.wav"));
        EXPECT_EQ(run(Command::VocalRemoval).last(),
                  QStringLiteral("你确定要将当前曲目进行消减人声处理吗？"))
            << level;
        ASSERT_TRUE(controller->VocalRemovalOn) << level;
        EXPECT_EQ(fake.fileName(), file("devocal.wav"));
        EXPECT_EQ(fake.playState(), MediaPlayer::Playing);
        const TestMedia::Measure m = TestMedia::measure(file("devocal.wav"));
        EXPECT_TRUE(m.channelsEqual);
        EXPECT_EQ(m.rate, 44100);
        // The centre's 440 Hz is gone, the left-only 660 Hz tone stays.
        EXPECT_NEAR(m.hz[0], 660.0, 3.0) << level;
        EXPECT_EQ(QFile::exists(file("TEMP/22.wav")), level >= 1) << level;
        ui.Check2->click();
        EXPECT_EQ(fake.fileName(), file("voice.wav"));
    }
    const auto &save = dialogs.entries().at(1).request;
    EXPECT_EQ(save.fileName, file("voice - DeVocal.wav"));
    EXPECT_EQ(save.title, QStringLiteral("请选择输出文件的保存位置"));
}

TEST_F(ProcessingTest, FrequencyDomainRemovalNeedsNoCompensationAndKeepsTheBass) {
    ASSERT_TRUE(TestMedia::writeBandWav(file("band.wav"), 1.0));
    openFake(file("band.wav"));
    ASSERT_TRUE(PlayerPreferences().setSpectralVocalRemoval(true));
    ctx.settings.VocalCompensation = 3;
    dialogs.answerSave(file("karaoke.wav"));
    run(Command::VocalRemoval);
    ASSERT_TRUE(controller->VocalRemovalOn);
    EXPECT_EQ(fake.fileName(), file("karaoke.wav"));
    EXPECT_FALSE(QFile::exists(file("TEMP/22.wav")));
    const QString made = file("karaoke.wav");
    for (int c = 0; c < 2; ++c) {
        EXPECT_LT(TestMedia::toneLevel(made, c, 440), 0.03) << c;
        EXPECT_NEAR(TestMedia::toneLevel(made, c, 55), 0.3, 0.05) << c;
    }
    EXPECT_NEAR(TestMedia::toneLevel(made, 0, 660), 0.2, 0.03);
    EXPECT_NEAR(TestMedia::toneLevel(made, 1, 880), 0.2, 0.03);
}

TEST_F(ProcessingTest, RefusalsAndCancellationsLeaveTheSwitchOff) {
    ASSERT_TRUE(TestMedia::writeWav(file("mono.wav"), 0.5, 1));
    ASSERT_TRUE(TestMedia::writeWav(file("song.wav"), 0.5));
    home.write(QStringLiteral("song.ogg"), "OggS");
    struct Case {
        const char *what;
        Command command;
        const char *track;
        double duration;
        std::function<void()> script;
        QStringList messages;
        bool disabled;
    } cases[] = {
        {"a stream",
         Command::KeyShift,
         "song.wav",
         0.0,
         [] {},
         {QStringLiteral("无法处理当前文件！")},
         true},
        {"not MP3 or WAV",
         Command::VocalRemoval,
         "song.ogg",
         3.0,
         [] {},
         {QStringLiteral("无法处理当前文件格式！（仅限MP3或WAV格式）")},
         true},
        {"the question answered No",
         Command::KeyShift,
         "song.wav",
         3.0,
         [this] { dialogs.answerMessage(Dialogs::Answer::No); },
         {QStringLiteral("你确定要将当前曲目进行改变音调处理吗？")},
         false},
        {"a long track declined",
         Command::VocalRemoval,
         "song.wav",
         700.0,
         [this] {
             dialogs.answerMessage(Dialogs::Answer::Yes);
             dialogs.answerMessage(Dialogs::Answer::No);
         },
         {QStringLiteral("你确定要将当前曲目进行消减人声处理吗？"),
          QStringLiteral("当前曲目总长超过10分钟，运行此操作可能需要很长时间并可能导致计算机长时"
                         "间无响应！\r\n你确定要继续吗？")},
         false},
        {"the step dialog cancelled",
         Command::KeyShift,
         "song.wav",
         3.0,
         [this] { step = 0; },
         {QStringLiteral("你确定要将当前曲目进行改变音调处理吗？")},
         false},
        {"the save dialog cancelled",
         Command::VocalRemoval,
         "song.wav",
         3.0,
         [] {},
         {QStringLiteral("你确定要将当前曲目进行消减人声处理吗？")},
         false},
        {"a mono track",
         Command::VocalRemoval,
         "mono.wav",
         3.0,
         [this] { dialogs.answerSave(file("out.wav")); },
         {QStringLiteral("你确定要将当前曲目进行消减人声处理吗？"),
          QStringLiteral("无法处理当前文件！")},
         false},
    };
    for (Case &c : cases) {
        controller.reset();
        dialogs.clear();
        step = 2;
        openFake(file(c.track), c.duration);
        c.script();
        EXPECT_EQ(run(c.command), c.messages) << c.what;
        EXPECT_FALSE(box(c.command)->isChecked()) << c.what;
        EXPECT_FALSE(menu(c.command)->isChecked()) << c.what;
        EXPECT_EQ(box(c.command)->isEnabled(), !c.disabled) << c.what;
        EXPECT_FALSE(controller->KeyShiftOn || controller->VocalRemovalOn) << c.what;
        EXPECT_FALSE(ctx.LongCommandRunning) << c.what;
        EXPECT_FALSE(QFile::exists(file("out.wav"))) << c.what;
        EXPECT_EQ(fake.fileName(), file(c.track)) << c.what;
        box(c.command)->setEnabled(true);
        menu(c.command)->setEnabled(true);
    }
}

TEST_F(ProcessingTest, EveryFailureEndsTheCommandWithItsMessage) {
    ASSERT_TRUE(TestMedia::writeWav(file("song.wav"), 1.0));
    home.write(QStringLiteral("broken.mp3"), QByteArray(30000, '\x33'));
    lvx_effect *other = lvx_effect_create();
    struct Case {
        const char *what;
        Command command;
        const char *track;
        const char *output;
        std::function<void()> before;
        QString message;
    } cases[] = {
        {"the decoder fails", Command::KeyShift, "broken.mp3", "out.wav", [] {},
         QStringLiteral("音频效果处理失败（文件解码出现错误）！")},
        {"the save fails", Command::KeyShift, "song.wav", "no/such/folder/out.wav", [] {},
         QStringLiteral("音频效果处理失败（文件解码出现错误）！")},
        {"the compensation's save fails", Command::VocalRemoval, "song.wav",
         "no/such/folder/out.wav", [this] { ctx.settings.VocalCompensation = 2; },
         QStringLiteral("消减人声处理失败！")},
        {"the effect control is busy with another action", Command::KeyShift, "song.wav", "out.wav",
         [this, other] {
             // Another instance holds the process's one sound with a long-running action.
             ASSERT_TRUE(TestMedia::writeWav(file("long.wav"), 60.0));
             const QByteArray path = QFile::encodeName(file("long.wav"));
             lvx_variant arg{};
             arg.vt = LVX_STR;
             arg.v.str = path.constData();
             lvx_variant r{};
             lvx_effect_invoke(other, LVX_DISPID_INPUT_FILE_OPEN, LVX_METHOD, &arg, 1, &r);
             static bool loaded;
             loaded = false;
             ASSERT_TRUE(waitFor([other] {
                 lvx_effect_deliver_events(
                     other, [](void *, int event, int code) { loaded |= event == 1 && code == 1; },
                     nullptr);
                 return loaded;
             }));
             lvx_variant args[2]{};
             args[0].vt = LVX_I2;
             args[0].v.i2 = 4;
             args[1].vt = LVX_I4;
             args[1].v.i4 = 32768;
             lvx_effect_invoke(other, LVX_DISPID_SHIFTING, LVX_METHOD, args, 2, &r);
             ASSERT_EQ(r.v.i2, 1);
         },
         QStringLiteral("音频效果处理失败（文件解码出现错误）！")},
    };
    for (Case &c : cases) {
        controller.reset();
        dialogs.clear();
        openFake(file(c.track));
        c.before();
        dialogs.answerSave(file(c.output));
        const QStringList shown = run(c.command);
        ASSERT_FALSE(shown.isEmpty()) << c.what;
        EXPECT_EQ(shown.last(), c.message) << c.what;
        EXPECT_FALSE(box(c.command)->isChecked()) << c.what;
        EXPECT_FALSE(controller->waitWindow()->isVisible()) << c.what;
        EXPECT_FALSE(ctx.LongCommandRunning) << c.what;
        EXPECT_EQ(fake.fileName(), file(c.track)) << c.what;
        EXPECT_FALSE(QFile::exists(file("out.wav"))) << c.what;
    }
    lvx_variant r{};
    lvx_effect_invoke(other, LVX_DISPID_STOP_EFFECT, LVX_METHOD, nullptr, 0, &r);
    lvx_effect_destroy(other);
}

TEST_F(ProcessingTest, UntickingTheCopyThatPlaysWhileTheOthersJobRunsReturnsToTheTrack) {
    ASSERT_TRUE(TestMedia::writeWav(file("song.wav"), 8.0));
    struct Case {
        const char *what;
        Command on, running;
    };
    const Case cases[] = {
        {"vocal removal on, key shift running", Command::VocalRemoval, Command::KeyShift},
        {"key shift on, vocal removal running", Command::KeyShift, Command::VocalRemoval},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        controller.reset(); // abandons the last case's job
        for (Command k : {Command::KeyShift, Command::VocalRemoval}) {
            const QSignalBlocker block(box(k));
            box(k)->setChecked(false);
        }
        dialogs.clear();
        recoveries = 0;
        openFake(file("song.wav"), 8.0);
        dialogs.answerSave(file("on.wav"));
        run(c.on);
        ASSERT_EQ(fake.fileName().toStdString(), file("on.wav").toStdString())
            << dialogs.messageTexts().join(u'|').toStdString();
        ASSERT_TRUE(controller->copyInUse());

        dialogs.answerSave(file("running.wav"));
        box(c.running)->click();
        ASSERT_TRUE(controller->running());
        box(c.on)->click(); // off while the other copy is still being made
        EXPECT_EQ(fake.fileName().toStdString(), file("song.wav").toStdString())
            << "not the copy that does not exist yet";
        EXPECT_EQ(recoveries, 0) << "the healthy track is not blamed";
        EXPECT_FALSE(controller->copyInUse());
        for (const QString &text : dialogs.messageTexts())
            EXPECT_FALSE(text.contains(QStringLiteral("未知错误"))) << text.toStdString();
    }
}

TEST_F(ProcessingTest, TheEffectControlsMessagesAreShownInMessageBoxes) {
    openFake(file("song.wav"));
    Q_EMIT controller->effect().message(QStringLiteral("cannot open /x/y.wav"));
    ASSERT_EQ(dialogs.messageTexts().size(), 1);
    EXPECT_EQ(dialogs.messageTexts().last(), QStringLiteral("效果控件：cannot open /x/y.wav"));
}

TEST_F(ProcessingTest, TheWaitWindowsCancelButtonUnticksTheSwitch) {
    ASSERT_TRUE(TestMedia::writeWav(file("song.wav"), 60.0));
    for (Command c : {Command::KeyShift, Command::VocalRemoval}) {
        controller.reset();
        openFake(file("song.wav"), 60.0);
        dialogs.answerSave(file("out.wav"));
        box(c)->click();
        ASSERT_TRUE(controller->running());
        FrmWait *wait = controller->waitWindow();
        ASSERT_TRUE(wait && wait->isVisible());
        ASSERT_TRUE(wait->cmdCancel->isVisibleTo(wait));
        wait->cmdCancel->click();
        EXPECT_FALSE(controller->running());
        EXPECT_FALSE(box(c)->isChecked());
        EXPECT_FALSE(menu(c)->isChecked());
        EXPECT_FALSE(wait->isVisible());
        EXPECT_FALSE(ctx.LongCommandRunning);
        EXPECT_EQ(fake.fileName(), file("song.wav"));
        QTest::qWait(200);
        EXPECT_FALSE(QFile::exists(file("out.wav")));
    }
}

TEST_F(ProcessingTest, ASwitchWhileAConversionRunsIsRefusedNamingTheConversion) {
    ASSERT_TRUE(TestMedia::writeWav(file("song.wav"), 5.0));
    openFake(file("song.wav"));
    ctx.LongCommandRunning = true;
    ctx.LongCommandName = QStringLiteral("格式转换");
    ui.Check3->click();
    EXPECT_FALSE(ui.Check3->isChecked());
    EXPECT_FALSE(controller->running());
    EXPECT_EQ(dialogs.messageTexts().last(), QStringLiteral("请等待当前的格式转换完成！"));
    EXPECT_EQ(ctx.LongCommandName, QStringLiteral("格式转换")) << "still the conversion's";
}

TEST_F(ProcessingTest, TrackSwitchAndClosingAbandonTheJob) {
    ASSERT_TRUE(TestMedia::writeWav(file("song.wav"), 60.0));
    // A track switch while the effect control shifts: nothing of the job reaches the player.
    openFake(file("song.wav"));
    dialogs.answerSave(file("out.wav"));
    ui.Check3->click();
    ASSERT_TRUE(controller->running());
    // Past the load: the shift moves the bar.
    ASSERT_TRUE(
        waitFor([this] { return controller->waitWindow()->ProgressBar1->value() > 40; }, 30000));
    ASSERT_TRUE(controller->running());
    controller->switchOffForTrackChange();
    EXPECT_FALSE(controller->running());
    EXPECT_FALSE(ui.Check3->isChecked());
    EXPECT_FALSE(controller->waitWindow()->isVisible());
    EXPECT_FALSE(ctx.LongCommandRunning);
    QTest::qWait(300);
    EXPECT_EQ(fake.fileName(), file("song.wav"));
    EXPECT_FALSE(QFile::exists(file("out.wav")));

    // A second command while one runs is refused; closing the window while the working copy
    // is made joins its worker.
    dialogs.clear();
    dialogs.answerSave(file("out.wav"));
    ui.Check2->click();
    ASSERT_TRUE(controller->running());
    EXPECT_EQ(ctx.LongCommandName, QStringLiteral("消减人声处理"));
    ui.Check3->click();
    EXPECT_FALSE(ui.Check3->isChecked());
    EXPECT_EQ(dialogs.messageTexts().last(), QStringLiteral("请等待当前的处理完成！"));
    controller.reset();
    EXPECT_FALSE(ctx.LongCommandRunning);
    QTest::qWait(100);
    EXPECT_FALSE(QFile::exists(file("out.wav")));
    const QStringList hidden = QDir(home.file(QStringLiteral("TEMP")))
                                   .entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString &name : hidden)
        EXPECT_FALSE(name.startsWith(QLatin1Char('.'))) << name.toStdString();
}

} // namespace
