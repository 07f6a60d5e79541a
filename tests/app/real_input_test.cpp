// The main window driven the way a user drives it: pointer and key events enter through the
// window system (the xcb platform on a private X server), so every application-wide filter, the
// widget under the pointer and the focus decide where they go.
#include "app/main_window.h"
#include "lyrics/lyrics_controller.h"
#include "platform/qt_dialogs.h"
#include "playback/media_player.h"
#include "playback/playback_widgets.h"
#include "playlist/playlist_controller.h"
#include "real_input.h"
#include "shell/frm_set.h"
#include "temp_home.h"
#include "test_media.h"
#include "wait_for.h"
#include "widgets/xp_button.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QRadioButton>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {

class RealInputTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_media = std::make_unique<QTemporaryDir>();
        for (int k = 0; k < 3; ++k)
            ASSERT_TRUE(TestMedia::writeWav(track(k), 20.0, 2, 44100, 330.0 + 110 * k));
    }
    static void TearDownTestSuite() { s_media.reset(); }
    static QString track(int k) { return s_media->path() + QStringLiteral("/track%1.wav").arg(k); }

    RealInputTest() {
        ctx.dialogs = &dialogs;
        // The first track has its lyrics beside it.
        QFile lrc(s_media->path() + QStringLiteral("/track0.lrc"));
        lrc.open(QIODevice::WriteOnly);
        lrc.write("[ti:Zero]\r\n[00:00.50]first line\r\n[00:05.00]second line\r\n");
        lrc.close();
        QByteArray list = ">0\r\n";
        for (int k = 0; k < 3; ++k)
            list += '"' + track(k).toUtf8() + "\"\r\n";
        home.write(QStringLiteral("List.lvx"), list);
    }

    // Shows the window and waits until start-up has played the first track.
    void start() {
        window = std::make_unique<MainWindow>(ctx);
        showActive(window.get());
        ASSERT_TRUE(waitFor([this] { return playing() && currentIndex() == 0; }));
    }

    MainWindowUi &ui() { return window->ui(); }
    MediaPlayer &player() { return window->playback().player(); }
    bool playing() { return player().playState() == MediaPlayer::Playing; }
    int currentIndex() { return window->playlist().model().CurrentIndex; }
    bool playingTrack(int k) {
        return waitFor([&] { return playing() && currentIndex() == k; });
    }
    QPoint rowCentre(int row) { return ui().List1->visualItemRect(ui().List1->item(row)).center(); }

    static std::unique_ptr<QTemporaryDir> s_media;
    TempHome home;
    QtDialogs dialogs;
    AppContext ctx{home.paths()};
    std::unique_ptr<MainWindow> window;
};

std::unique_ptr<QTemporaryDir> RealInputTest::s_media;

TEST_F(RealInputTest, ListRowsAndTransportButtonsTakeClicks) {
    start();
    QListWidget *list = ui().List1;
    click(list->viewport(), rowCentre(2));
    EXPECT_EQ(list->currentRow(), 2);
    doubleClick(list->viewport(), rowCentre(1));
    EXPECT_TRUE(playingTrack(1)) << currentIndex() << " " << player().playState();

    click(ui().XPButton[2]); // next
    EXPECT_TRUE(playingTrack(2));
    click(ui().XPButton[1]); // previous
    EXPECT_TRUE(playingTrack(1)) << currentIndex() << " " << player().playState();
    click(ui().XPButton[18]); // pause
    EXPECT_TRUE(waitFor([&] { return player().playState() == MediaPlayer::Paused; }));
    click(ui().XPButton[13]); // stop
    EXPECT_TRUE(waitFor([&] { return player().playState() == MediaPlayer::Stopped; }));
    click(ui().XPButton[12]); // play the selected track
    EXPECT_TRUE(playingTrack(1));
}

TEST_F(RealInputTest, MenuItemsChosenWithThePointerRunTheirCommands) {
    start();
    // A right click on the title opens the main menu; its "控制" submenu holds "播放下一曲".
    click(ui().Label4, {}, Qt::RightButton);
    QMenu *main = ui().Popmnu[0];
    ASSERT_TRUE(waitFor([main] { return main->isVisible(); }, 3000));
    QMenu *control = ui().menu("mnuControl");
    clickMenuItem(main, control->menuAction());
    ASSERT_TRUE(waitFor([control] { return control->isVisible(); }, 3000));
    clickMenuItem(control, ui().action("mnuNext"));
    EXPECT_TRUE(playingTrack(1));
    EXPECT_FALSE(main->isVisible());
}

TEST_F(RealInputTest, CloseImageAsksAndTheAnswerIsClicked) {
    start();
    QString asked;
    whenModal([&asked](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        ASSERT_NE(box, nullptr);
        asked = box->text();
        click(box->button(QMessageBox::No));
    });
    click(ui().Image4);
    EXPECT_EQ(asked, QStringLiteral("你确定要关闭程序吗?"));
    EXPECT_TRUE(window->isVisible());

    whenModal([](QWidget *modal) {
        click(qobject_cast<QMessageBox *>(modal)->button(QMessageBox::Yes));
    });
    click(ui().Image4);
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(QFile::exists(home.file(QStringLiteral("SetLog.ini"))));
}

TEST_F(RealInputTest, SettingsChangedWithThePointerTakeEffectAtOnce) {
    start();
    click(ui().XPButton[13]); // stopped: the display must still change
    ASSERT_TRUE(waitFor([&] { return player().playState() == MediaPlayer::Stopped; }));
    ASSERT_EQ(ctx.settings.LyricDisplayMode, 2);
    ASSERT_TRUE(ui().Picture7->isVisible());
    bool seenWhileOpen = false;
    whenModal([&](QWidget *modal) {
        auto *dialog = qobject_cast<FrmSet *>(modal);
        ASSERT_NE(dialog, nullptr);
        // Check boxes and option buttons take clicks on their box and text.
        auto onBox = [](QWidget *w) { return QPoint(8, w->height() / 2); };
        click(dialog->Option6[0], onBox(dialog->Option6[0])); // "文本框模式"
        click(dialog->Check6, onBox(dialog->Check6));         // "打开可视化效果"
        seenWhileOpen = ui().RichTextBox1->isVisible() && ui().Picture5->isVisible();
        click(dialog->XPButton2); // "确   定"
    });
    click(ui().XPButton[16]);
    EXPECT_TRUE(seenWhileOpen);
    EXPECT_EQ(ctx.settings.LyricDisplayMode, 0);
    EXPECT_EQ(ctx.settings.VisualOn, 1);
    EXPECT_TRUE(ui().RichTextBox1->isVisible());
    EXPECT_FALSE(ui().Picture7->isVisible());
    EXPECT_TRUE(ui().Picture5->isVisible());
    EXPECT_TRUE(ui().Timer[4]->isActive());
    EXPECT_EQ(ui().action("mnuShowVisualS")->text(), QStringLiteral("关闭可视化效果(&E)"));
}

TEST_F(RealInputTest, TextTypedIntoTheLyricEditorStaysText) {
    start();
    ASSERT_TRUE(waitFor([&] { return ui().XPButton[5]->isEnabled(); }));
    const QRect before = window->geometry();
    click(ui().XPButton[5]); // "修改歌词": the editor opens and the track pauses
    ASSERT_TRUE(ui().RichTextBox2->isVisible());
    ASSERT_TRUE(waitFor([&] { return player().playState() == MediaPlayer::Paused; }));
    click(ui().RichTextBox2->viewport(), {5, 5});
    type(window->windowHandle(), "ktv ktv ");
    QTest::keyClick(window->windowHandle(), Qt::Key_Plus, Qt::KeypadModifier);
    QTest::qWait(300);
    EXPECT_TRUE(ui().RichTextBox2->toPlainText().contains(QStringLiteral("ktv ktv +")));
    EXPECT_EQ(window->bounceStage(), 0);
    EXPECT_EQ(window->geometry(), before);
    EXPECT_EQ(player().playState(), MediaPlayer::Paused);
    EXPECT_EQ(window->lyrics().LyricOffsetMs(), 0);

    // Outside the editor the same keys are the window's.
    click(ui().List1->viewport(), rowCentre(0));
    QTest::keyClick(window->windowHandle(), Qt::Key_Space);
    EXPECT_TRUE(waitFor([&] { return playing(); }));
    QTest::keyClick(window->windowHandle(), Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(window->lyrics().LyricOffsetMs(), 50);
}

TEST_F(RealInputTest, TheWindowIsDraggedByItsBackgroundOnly) {
    start();
    QWindow *handle = window->windowHandle();
    const QPoint origin = window->pos();
    // A drag on the playlist selects; it does not move the window.
    const QPoint row = ui().List1->viewport()->mapTo(window.get(), rowCentre(0));
    QTest::mousePress(handle, Qt::LeftButton, {}, row);
    QTest::mouseMove(handle, row + QPoint(40, 0));
    QTest::mouseRelease(handle, Qt::LeftButton, {}, row + QPoint(40, 0));
    QTest::qWait(200);
    EXPECT_EQ(window->pos(), origin);
    // The title label drags it.
    const QPoint title = ui().Label4->mapTo(window.get(), QPoint(20, 10));
    QTest::mousePress(handle, Qt::LeftButton, {}, title);
    QTest::mouseMove(handle, title + QPoint(60, 30));
    EXPECT_TRUE(waitFor([&] { return window->pos() == origin + QPoint(60, 30); }, 3000))
        << window->pos().x() << "," << window->pos().y();
    // The window has moved under the pointer: the same place on the screen is the old place
    // in the window.
    QTest::mouseRelease(handle, Qt::LeftButton, {}, title);
    QTest::qWait(200);
    EXPECT_EQ(window->pos(), origin + QPoint(60, 30));
}

TEST_F(RealInputTest, SavingAPlaylistUnderATypedNameAsksBeforeReplacingItsLvxFile) {
    start();
    const QString existing = home.file(QStringLiteral("b.lvx"));
    home.write(QStringLiteral("b.lvx"), "old");
    QString question;
    whenModal([&](QWidget *modal) {
        auto *files = qobject_cast<QFileDialog *>(modal);
        ASSERT_NE(files, nullptr);
        files->setDirectory(home.path());
        QLineEdit *name = files->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        name->selectAll();
        name->setFocus();
        type(files->windowHandle(), "b");
        whenModal(
            [&](QWidget *box) {
                question = qobject_cast<QMessageBox *>(box)->text();
                click(qobject_cast<QMessageBox *>(box)->button(QMessageBox::No));
                files->reject();
            },
            files);
        QTest::keyClick(files->windowHandle(), Qt::Key_Return);
    });
    ui().action("mnuListSa")->trigger();
    EXPECT_TRUE(question.contains(QStringLiteral("b.lvx"))) << question.toStdString();
    EXPECT_EQ(home.read(QStringLiteral("b.lvx")), QByteArray("old"));
}

} // namespace
