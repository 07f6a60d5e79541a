// The full-screen lyric window frmLrc driven through the window system (xcb on a private X
// server): the button and H open it, right clicks cycle its views, Esc and a left click close
// it back to the main window, keypad +/- show the compensation indicator.
#include "app/main_window.h"
#include "lyrics/frm_lrc.h"
#include "lyrics/lyric_window_controller.h"
#include "lyrics/lyrics_controller.h"
#include "platform/qt_dialogs.h"
#include "playback/media_player.h"
#include "playback/playback_widgets.h"
#include "playlist/playlist_controller.h"
#include "real_input.h"
#include "temp_home.h"
#include "test_media.h"
#include "wait_for.h"
#include "widgets/xp_button.h"

#include <QLabel>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

class LyricWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_media = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(TestMedia::writeWav(s_media->path() + QStringLiteral("/song.wav"), 30.0));
        QFile lrc(s_media->path() + QStringLiteral("/song.lrc"));
        ASSERT_TRUE(lrc.open(QIODevice::WriteOnly));
        QByteArray text = "[ti:Song]\r\n";
        for (int k = 1; k < 28; ++k)
            text += QStringLiteral("[00:%1.00]line %2\r\n")
                        .arg(k, 2, 10, QLatin1Char('0'))
                        .arg(k)
                        .toUtf8();
        lrc.write(text);
    }
    static void TearDownTestSuite() { s_media.reset(); }

    LyricWindowTest() {
        ctx.dialogs = &dialogs;
        home.write(QStringLiteral("List.lvx"),
                   ">0\r\n\"" + (s_media->path() + QStringLiteral("/song.wav")).toUtf8() +
                       "\"\r\n");
    }

    void start() {
        window = std::make_unique<MainWindow>(ctx);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        ASSERT_TRUE(waitFor([this] {
            return window->playback().player().playState() == MediaPlayer::Playing &&
                   window->lyrics().LyricsLoaded();
        }));
        window->ui().action("mnuLrcVS0")->trigger();
    }
    FrmLrc *lyricWindow() { return window->lyricWindow().window(); }
    bool shown() {
        return waitFor([this] {
            return lyricWindow() && lyricWindow()->isVisible() &&
                   QTest::qWaitForWindowExposed(lyricWindow(), 10);
        });
    }
    bool closedBack() {
        return waitFor([this] { return !lyricWindow() && window->isVisible(); });
    }
    int mode() const { return ctx.settings.LyricDisplayMode; }

    static std::unique_ptr<QTemporaryDir> s_media;
    TempHome home;
    QtDialogs dialogs;
    AppContext ctx{home.paths()};
    std::unique_ptr<MainWindow> window;
};

std::unique_ptr<QTemporaryDir> LyricWindowTest::s_media;

TEST_F(LyricWindowTest, ButtonOpensRightClicksCycleAndEscReturns) {
    start();
    click(window->ui().XPButton[21]);
    ASSERT_TRUE(shown());
    FrmLrc *w = lyricWindow();
    EXPECT_EQ(mode(), 100);
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(w->RichTextBox1->isVisible());
    EXPECT_TRUE(w->RichTextBox1->toPlainText().contains(QStringLiteral("line 3")));
    EXPECT_EQ(w->geometry().size(), w->screen()->geometry().size());

    struct Step {
        int mode;
        bool text, painter, picture;
    } steps[] = {{101, false, true, false}, {102, false, false, true}, {100, true, false, false}};
    for (const Step &s : steps) {
        click(w, {}, Qt::RightButton);
        ASSERT_TRUE(waitFor([&] { return mode() == s.mode; }, 3000)) << s.mode;
        EXPECT_EQ(w->RichTextBox1->isVisible(), s.text) << s.mode;
        EXPECT_EQ(w->Picture1->isVisible(), s.painter) << s.mode;
        EXPECT_EQ(w->Image1->isVisible(), s.picture) << s.mode;
        EXPECT_EQ(w->Picture2[1]->isVisible(), s.picture) << s.mode;
        if (s.picture) {
            // The strips carry the lines of the tick; the previous one starts with the title.
            EXPECT_TRUE(waitFor([&] { return w->Picture2[1]->text().startsWith(u"line "); }, 3000))
                << w->Picture2[1]->text().toStdString();
            EXPECT_FALSE(w->Picture2[0]->text().isEmpty());
        }
    }
    QTest::keyClick(w->windowHandle(), Qt::Key_Escape);
    ASSERT_TRUE(closedBack());
    EXPECT_EQ(mode(), 0);
}

TEST_F(LyricWindowTest, HOpensAndALeftClickClosesIntoTheLastView) {
    start();
    QTest::keyClick(window->windowHandle(), Qt::Key_H);
    ASSERT_TRUE(shown());
    FrmLrc *w = lyricWindow();
    QTest::keyClick(w->windowHandle(), Qt::Key_H); // H in the window cycles at once
    EXPECT_EQ(mode(), 101);
    // The painter view draws the lyric frames of the tick: on the screen, enlarged there by
    // the X server.
    auto litPoints = [&] {
        const QImage shot = w->screen()->grabWindow(w->winId()).toImage();
        int lit = 0;
        for (int y = 0; y < shot.height(); y += 8)
            for (int x = 0; x < shot.width(); x += 8)
                lit += qGray(shot.pixel(x, y)) > 40;
        return lit;
    };
    EXPECT_TRUE(waitFor([&] { return litPoints() > 50; }, 3000)) << litPoints();
    EXPECT_TRUE(w->Picture1->serverScaled());
    click(w);
    ASSERT_TRUE(closedBack());
    EXPECT_EQ(mode(), 1); // the painter view becomes the main window's mode 1
    EXPECT_TRUE(window->ui().Picture1->isVisible());
}

TEST_F(LyricWindowTest, KeypadPlusShowsTheCompensationAndItHidesAfterTheRelease) {
    start();
    click(window->ui().XPButton[21]);
    ASSERT_TRUE(shown());
    FrmLrc *w = lyricWindow();
    w->Timer3->setInterval(300); // the indicator's 5 s, shortened
    QTest::keyPress(w->windowHandle(), Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_TRUE(w->Picture4->isVisible());
    EXPECT_EQ(w->Label1->text(), QStringLiteral("【歌词时间补偿：50】"));
    EXPECT_EQ(window->lyrics().LyricOffsetMs(), 50);
    QTest::keyRelease(w->windowHandle(), Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_TRUE(w->Picture4->isVisible());
    EXPECT_TRUE(waitFor([&] { return !w->Picture4->isVisible(); }, 3000));
    QTest::keyClick(w->windowHandle(), Qt::Key_Minus, Qt::KeypadModifier);
    QTest::keyClick(w->windowHandle(), Qt::Key_Minus, Qt::KeypadModifier);
    EXPECT_EQ(w->Label1->text(), QStringLiteral("【歌词时间补偿：-50】"));
    EXPECT_EQ(window->lyrics().LyricOffsetMs(), -50);
    // Lyrics loaded while the window is up reach its box.
    const QString store =
        window->lyrics().store().LyricStoreName(s_media->path() + QStringLiteral("/song.wav"));
    QFile lrc(store);
    ASSERT_TRUE(lrc.open(QIODevice::WriteOnly | QIODevice::Truncate));
    lrc.write("[00:01.00]replaced words\r\n");
    lrc.close();
    window->lyrics().FindLyrics();
    EXPECT_TRUE(waitFor(
        [&] { return w->RichTextBox1->toPlainText().contains(QStringLiteral("replaced")); }, 3000));
    // A display mode command closes the window first.
    window->ui().action("mnuLrcVS2")->trigger();
    ASSERT_TRUE(closedBack());
    EXPECT_EQ(mode(), 2);
}

} // namespace
