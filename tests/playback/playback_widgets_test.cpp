// Playback bound to main-window widgets (offscreen), with the real libmpv engine behind them.
#include "playback/mpv_video_widget.h"
#include "playback/playback_widgets.h"
#include "playlist/playlist_model.h"
#include "scripted_dialogs.h"
#include "test_media.h"
#include "wait_for.h"
#include "widgets/xp_button.h"

#include <QAction>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

// The part of frmMain that playback touches, named as on the main window.
struct Window {
    Window() {
        frame.setObjectName(QStringLiteral("frmMain"));
        frame.setWindowTitle(QStringLiteral("Lyravox 1.7.0"));
        ui.frmMain = &frame;
        auto make = [this](auto *w, const char *name) {
            w->setParent(&frame);
            w->setObjectName(QLatin1String(name));
            return w;
        };
        ui.PicShape = make(new QLabel, "PicShape");
        ui.Label1 = make(new QLabel, "Label1");
        ui.Label3 = make(new QLabel, "Label3");
        ui.Label4 = make(new QLabel, "Label4");
        ui.Label5 = make(new QLabel, "Label5");
        ui.HScroll1 = make(new QScrollBar(Qt::Horizontal), "HScroll1");
        ui.Picture2 = make(new QWidget, "Picture2");
        ui.Image2 = new QLabel(ui.Picture2);
        ui.Image2->setObjectName(QStringLiteral("Image2"));
        ui.Picture5 = make(new QWidget, "Picture5");
        ui.MediaPlayer1 = make(new QWidget, "MediaPlayer1");
        ui.MediaPlayer1->hide();
        ui.RichTextBox1 = make(new QTextEdit, "RichTextBox1");
        for (size_t k = 1; k < ui.XPButton.size(); ++k)
            ui.XPButton[k] = make(new XPButton, "XPButton");
        for (size_t k = 1; k < ui.Timer.size(); ++k)
            ui.Timer[k] = new QTimer(&frame);
        for (const char *name :
             {"mnuPlayPause", "mnuStop", "mnuPrevious", "mnuNext", "mnuPlaySelct", "mnuFull"})
            make(new QAction, name);
        for (QWidget *w : {static_cast<QWidget *>(ui.Picture2), ui.Picture5, ui.MediaPlayer1})
            w->setGeometry(24, 32, 288, 288);
        ui.Image2->setGeometry(0, 0, 288, 288);
        frame.resize(660, 480);
        frame.show();
    }
    QWidget frame;
    MainWindowUi ui;
};

class PlaybackWidgetsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(TestMedia::writeWav(s_dir->filePath(QStringLiteral("a.wav")), 2.0));
        ASSERT_TRUE(TestMedia::writeAvi(s_dir->filePath(QStringLiteral("b.avi")), 6.0));
    }
    static void TearDownTestSuite() { s_dir.reset(); }

    PlaybackWidgetsTest() : ctx(AppPaths(s_dir->path(), {})) {
        ctx.dialogs = &dialogs;
        model.setItems(
            {s_dir->filePath(QStringLiteral("a.wav")), s_dir->filePath(QStringLiteral("b.avi"))});
        model.select(0);
        playback = std::make_unique<PlaybackWidgets>(ctx, window.ui, model);
    }

    bool playing() {
        return playback->player().playState() == MediaPlayer::Playing &&
               playback->player().currentPosition() > 0.05;
    }

    static std::unique_ptr<QTemporaryDir> s_dir;
    ScriptedDialogs dialogs;
    AppContext ctx;
    PlaylistModel model;
    Window window;
    std::unique_ptr<PlaybackWidgets> playback;
};
std::unique_ptr<QTemporaryDir> PlaybackWidgetsTest::s_dir;

TEST_F(PlaybackWidgetsTest, BalanceBarSetsThePlayerAndTheLabel) {
    MainWindowUi &ui = window.ui;
    EXPECT_EQ(ui.Label3->text(), QStringLiteral("L· 0 ·R"));
    EXPECT_EQ(ui.HScroll1->minimum(), -5000);
    EXPECT_EQ(ui.HScroll1->maximum(), 5000);
    EXPECT_EQ(ui.HScroll1->toolTip(), QStringLiteral("左右声道均衡"));
    ui.HScroll1->setValue(-2750);
    EXPECT_EQ(ui.Label3->text(), QStringLiteral("L· -5 ·R"));
    EXPECT_EQ(playback->player().balance(), -2750);
    ui.HScroll1->setValue(499);
    EXPECT_EQ(ui.Label3->text(), QStringLiteral("L· 0 ·R"));
}

TEST_F(PlaybackWidgetsTest, ButtonsAndMenuItemsReachTheirCommands) {
    MainWindowUi &ui = window.ui;
    QSignalSpy loaded(&playback->controller(), &PlaybackController::trackLoaded);
    ui.action("mnuPlaySelct")->trigger();
    ASSERT_TRUE(waitFor([&] { return playing(); }));
    EXPECT_EQ(ui.Label4->text(), QStringLiteral("Lyravox 1.7.0 - ") + model.item(0));
    EXPECT_EQ(ui.Label4->toolTip(),
              QStringLiteral("播放器加载曲目【") + model.item(0) + QStringLiteral("】"));
    EXPECT_EQ(ui.Label5->text(), QStringLiteral("提示：单击鼠标右键可以显示菜单。"));
    EXPECT_EQ(ui.Label5->toolTip(), ui.Label5->text());
    EXPECT_FALSE(ui.action("mnuFull")->isEnabled());
    EXPECT_FALSE(ui.MediaPlayer1->isVisible()) << "sound shows no video area";

    Q_EMIT ui.XPButton[18]->clicked(); // pause
    EXPECT_EQ(playback->player().playState(), MediaPlayer::Paused);
    ui.action("mnuPlayPause")->trigger();
    EXPECT_EQ(playback->player().playState(), MediaPlayer::Playing);
    Q_EMIT ui.XPButton[13]->clicked(); // stop
    EXPECT_EQ(playback->player().playState(), MediaPlayer::Stopped);
    EXPECT_EQ(ui.Label1->text(), QStringLiteral("0"));

    Q_EMIT ui.XPButton[2]->clicked(); // next: the video
    ASSERT_TRUE(waitFor([&] { return playing(); }));
    EXPECT_EQ(model.CurrentIndex, 1);
    EXPECT_TRUE(ui.action("mnuFull")->isEnabled());
    EXPECT_TRUE(ui.MediaPlayer1->isVisible());
    EXPECT_FALSE(ui.Picture2->isVisible());
    EXPECT_FALSE(ui.Picture5->isVisible());
    EXPECT_EQ(ui.Label5->text(), QStringLiteral("提示：按 F 键全屏显示影像；按 Esc 键退出全屏。"));
    EXPECT_TRUE(ui.XPButton[1]->isEnabled());
    EXPECT_TRUE(ui.XPButton[2]->isEnabled());

    auto &engine = static_cast<MpvMediaPlayer &>(playback->player());
    if (MpvVideoWidget::openGlAvailable()) {
        // With a display (xvfb-run), the video is drawn through the render API.
        EXPECT_TRUE(waitFor([&] { return engine.hasRenderer(); }));
    } else {
        EXPECT_FALSE(engine.hasRenderer());
    }

    Q_EMIT ui.XPButton[24]->clicked();
    EXPECT_EQ(playback->player().displaySize(), MediaPlayer::kFullScreen);
    QTest::qWait(100);
    playback->player().setDisplaySize(0); // as Esc does
    QTest::qWait(100);
    EXPECT_EQ(playback->player().playState(), MediaPlayer::Playing);
    EXPECT_TRUE(ui.MediaPlayer1->isVisible());

    Q_EMIT ui.XPButton[1]->clicked(); // previous: back to the sound file
    ASSERT_TRUE(waitFor([&] { return playing(); }));
    EXPECT_EQ(model.CurrentIndex, 0);
    EXPECT_FALSE(ui.MediaPlayer1->isVisible());
    EXPECT_GE(loaded.count(), 3);
}

TEST_F(PlaybackWidgetsTest, ALeftPressOnTheCoverOrVisualizationPlaysAndPauses) {
    MainWindowUi &ui = window.ui;
    ui.action("mnuPlaySelct")->trigger();
    ASSERT_TRUE(waitFor([&] { return playing(); }));
    ui.Picture2->show();
    QTest::mousePress(ui.Image2, Qt::LeftButton);
    EXPECT_EQ(playback->player().playState(), MediaPlayer::Paused) << "one press, one command";
    QTest::mousePress(ui.Image2, Qt::RightButton);
    EXPECT_EQ(playback->player().playState(), MediaPlayer::Paused);
    ui.Picture5->show();
    QTest::mousePress(ui.Picture5, Qt::LeftButton);
    EXPECT_EQ(playback->player().playState(), MediaPlayer::Playing);
}

} // namespace
