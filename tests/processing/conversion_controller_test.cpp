// The conversion commands on the real main-window widgets and the real codecs, with scripted
// dialogs and a scripted media player.
#include "processing/conversion_controller.h"

#include "app/main_menus.h"
#include "app/main_window_layout.h"
#include "fake_media_player.h"
#include "scripted_dialogs.h"
#include "shell/frm_wait.h"
#include "temp_home.h"
#include "test_media.h"
#include "wait_for.h"

#include <QProgressBar>
#include <gtest/gtest.h>
#include <memory>

namespace {

class ConversionTest : public ::testing::Test {
protected:
    ConversionTest() {
        ctx.dialogs = &dialogs;
        buildMainWindowWidgets(&window, ui);
        buildMainMenus(&window, ui);
        FakeMediaPlayer::Media media;
        player.setMedia(QStringLiteral("song.mp3"), media);
        player.setFileName(QStringLiteral("song.mp3"));
        player.play();
        conversion = std::make_unique<ConversionController>(ctx, ui, player);
    }
    QString file(const char *name) const { return home.file(QLatin1String(name)); }
    // Runs the command and waits for its closing message.
    bool run(const char *action) {
        ui.action(action)->trigger();
        return waitFor([this] { return messages() > 0; }, 20000);
    }
    qsizetype messages() const {
        qsizetype n = 0;
        for (const auto &e : dialogs.entries())
            n += e.kind == ScriptedDialogs::Kind::Message;
        return n;
    }

    TempHome home;
    ScriptedDialogs dialogs;
    AppContext ctx{home.paths()};
    QWidget window;
    MainWindowUi ui;
    FakeMediaPlayer player;
    std::unique_ptr<ConversionController> conversion;
};

TEST_F(ConversionTest, ProposedNamesLookForTheDotInTheFileNameOnly) {
    const std::pair<const char *, const char *> cases[] = {
        {"/music/song.wav", "/music/song.mp3"},
        {"/a.b/song", "/a.b/song.mp3"},
        {"/music/song.WAV", "/music/song.mp3"},
        {"/music/x.y.wav", "/music/x.y.mp3"},
    };
    for (const auto &[in, out] : cases)
        EXPECT_EQ(ConversionController::proposedName(QLatin1String(in), QStringLiteral("mp3")),
                  QLatin1String(out));
}

TEST_F(ConversionTest, DecodingRunsBehindTheWaitWindowAndReportsCompletion) {
    ASSERT_TRUE(TestMedia::writeMp3(file("in.mp3"), 2.0));
    dialogs.answerOpen({file("in.mp3")});
    dialogs.answerSave(file("out.wav"));
    ui.Timer[4]->start();
    ui.action("mnuTools2")->trigger();
    EXPECT_EQ(player.playState(), MediaPlayer::Paused);
    EXPECT_TRUE(ctx.PlayerBusy);
    EXPECT_TRUE(conversion->DecodingActive());
    EXPECT_FALSE(ui.Timer[4]->isActive());
    ASSERT_TRUE(conversion->waitWindow() && conversion->waitWindow()->isVisible());
    EXPECT_EQ(conversion->waitWindow()->Label1->text(),
              QStringLiteral("正在进行MP3解码处理，请稍候…"));
    const auto &save = dialogs.entries().at(1).request;
    EXPECT_EQ(save.title, QStringLiteral("请选择输出WAV文件的目录和名称："));
    EXPECT_EQ(save.fileName, file("in.wav"));
    EXPECT_EQ(save.defaultSuffix, QStringLiteral("wav"));

    ASSERT_TRUE(waitFor([this] { return messages() > 0; }, 20000));
    EXPECT_EQ(dialogs.messageTexts().last(), QStringLiteral("MP3解码完成！"));
    EXPECT_EQ(dialogs.entries().last().icon, Dialogs::Icon::None);
    EXPECT_EQ(conversion->waitWindow()->ProgressBar1->value(), 100);
    EXPECT_FALSE(conversion->waitWindow()->isVisible());
    EXPECT_FALSE(ctx.PlayerBusy);
    EXPECT_TRUE(ui.Timer[4]->isActive());               // ShowLevelMeter is on by default
    EXPECT_EQ(player.playState(), MediaPlayer::Paused); // a finished job does not resume
    EXPECT_GT(QFile(file("out.wav")).size(), 44 + 100000);
}

TEST_F(ConversionTest, AFailedEncodingSaysSoAndEndsTheBusyState) {
    home.write(QStringLiteral("bad.wav"), "RIFF0000WAVEnothing");
    home.write(QStringLiteral("out.mp3"), "old");
    dialogs.answerOpen({file("bad.wav")});
    dialogs.answerSave(file("out.mp3"));
    ASSERT_TRUE(run("mnuTools1"));
    EXPECT_TRUE(dialogs.messageTexts().last().startsWith(QStringLiteral("MP3编码失败！")));
    EXPECT_EQ(dialogs.entries().last().icon, Dialogs::Icon::Critical);
    EXPECT_FALSE(ctx.PlayerBusy);
    EXPECT_FALSE(conversion->waitWindow()->isVisible());
    EXPECT_EQ(home.read(QStringLiteral("out.mp3")), QByteArray("old"));
}

TEST_F(ConversionTest, CancellingEitherDialogResumesTheTrackAndEndsTheBusyState) {
    ASSERT_TRUE(TestMedia::writeWav(file("in.wav"), 1.0));
    struct Case {
        const char *what;
        bool chooseInput;
    };
    for (const Case &c :
         {Case{"open dialog cancelled", false}, Case{"save dialog cancelled", true}}) {
        SCOPED_TRACE(c.what);
        dialogs.clear();
        if (c.chooseInput) dialogs.answerOpen({file("in.wav")});
        ui.action("mnuTools1")->trigger();
        EXPECT_EQ(player.playState(), MediaPlayer::Playing);
        EXPECT_FALSE(ctx.PlayerBusy) << "the visualization would stay frozen";
        EXPECT_FALSE(ctx.LongCommandRunning);
        EXPECT_EQ(messages(), 0);
    }
}

TEST_F(ConversionTest, ASecondLongCommandIsRefusedNamingTheOneThatRuns) {
    // Another command's long job (a processed copy) holds the player.
    ctx.LongCommandRunning = true;
    ctx.LongCommandName = QStringLiteral("变调处理");
    ui.action("mnuTools2")->trigger();
    EXPECT_EQ(dialogs.messageTexts().last(), QStringLiteral("请等待当前的变调处理完成！"));
    ctx.LongCommandRunning = false;
    ctx.LongCommandName.clear();

    ASSERT_TRUE(TestMedia::writeWav(file("long.wav"), 30.0));
    dialogs.answerOpen({file("long.wav")});
    dialogs.answerSave(file("long.mp3"));
    ui.action("mnuTools1")->trigger();
    ASSERT_TRUE(conversion->EncodingActive());
    EXPECT_EQ(ctx.LongCommandName, QStringLiteral("格式转换"));
    ui.action("mnuTools2")->trigger();
    EXPECT_EQ(dialogs.messageTexts().last(), QStringLiteral("请等待当前的格式转换完成！"));
}

} // namespace
