// The screen the full-screen lyric window opens on, on a private X server with two screens
// (1024x768 and 800x600): the choice made in "歌词全屏显示器" with the pointer is kept in
// lyravox.ini and the window opens there; without a choice it follows the main window; a
// choice whose screen is gone sends it to the primary screen.
#include "app/main_window.h"
#include "lyrics/frm_lrc.h"
#include "lyrics/lyric_screen_choice.h"
#include "lyrics/lyric_window_controller.h"
#include "lyrics/lyrics_controller.h"
#include "platform/qt_dialogs.h"
#include "playback/media_player.h"
#include "playback/playback_controller.h"
#include "playback/playback_widgets.h"
#include "real_input.h"
#include "shell/player_preferences.h"
#include "temp_home.h"
#include "test_media.h"
#include "wait_for.h"
#include "widgets/xp_button.h"

#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using Screen = LyricScreenChoice::Screen;

TEST(LyricScreenChoiceTest, StoredKeysFindTheirScreen) {
    const QList<Screen> screens = {{QStringLiteral("eDP-1"), {0, 0, 1920, 1080}},
                                   {QStringLiteral("HDMI-1"), {1920, 0, 1280, 720}},
                                   {QStringLiteral("DP-1"), {0, 1080, 800, 600}},
                                   {QStringLiteral("DP-1"), {800, 1080, 800, 600}}};
    const struct {
        const char *stored;
        int expected;
    } cases[] = {
        {"", -1},                          // never chosen
        {"HDMI-1 1280x720+1920+0", 1},     // the same screen
        {"HDMI-1 1920x1080+3200+0", 1},    // the TV came back at another size and place
        {"eDP-1 1920x1080+0+0", 0},        //
        {"DP-1 800x600+800+1080", 3},      // two of a name: the exact key still decides
        {"DP-1 1024x768+0+0", -1},         // ... but a name alone does not
        {"VGA-1 1024x768+0+0", -1},        // gone
        {"HDMI-1", -1},                    // no geometry part: not a key we wrote
        {"garbage without any sense", -1}, //
    };
    for (const auto &c : cases)
        EXPECT_EQ(LyricScreenChoice::find(QString::fromUtf8(c.stored), screens), c.expected)
            << c.stored;
    for (int k = 0; k < screens.size(); ++k)
        EXPECT_EQ(LyricScreenChoice::find(LyricScreenChoice::keyOf(screens[k]), screens), k);
    EXPECT_EQ(LyricScreenChoice::labelOf(screens[1]), QStringLiteral("HDMI-1 (1280×720)"));
}

class LyricScreenTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_media = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(TestMedia::writeWav(s_media->filePath(QStringLiteral("song.wav")), 30.0));
        QFile lrc(s_media->filePath(QStringLiteral("song.lrc")));
        ASSERT_TRUE(lrc.open(QIODevice::WriteOnly));
        lrc.write("[00:01.00]first line\r\n[00:20.00]second line\r\n");
    }
    static void TearDownTestSuite() { s_media.reset(); }

    LyricScreenTest() {
        ctx.dialogs = &dialogs;
        home.write(QStringLiteral("List.lvx"),
                   ">0\r\n\"" + s_media->filePath(QStringLiteral("song.wav")).toUtf8() + "\"\r\n");
    }
    void SetUp() override {
        screens = QGuiApplication::screens();
        ASSERT_EQ(screens.size(), 2) << "the test needs an X server with two screens";
        ASSERT_EQ(screens[1]->geometry().size(), QSize(800, 600));
    }

    void start(QScreen *on = nullptr) {
        window = std::make_unique<MainWindow>(ctx);
        if (on) window->setScreen(on);
        ASSERT_NO_FATAL_FAILURE(showActive(window.get()));
        ASSERT_TRUE(waitFor([this] {
            return window->playback().player().playState() == MediaPlayer::Playing &&
                   window->lyrics().LyricsLoaded();
        }));
    }
    // "歌词全屏" by pointer; the lyric window is up and laid out over `expected`.
    void openOn(QScreen *expected) {
        click(window->ui().XPButton[21]);
        ASSERT_TRUE(waitFor([this] {
            FrmLrc *w = lyricWindow();
            return w && w->isVisible() && QTest::qWaitForWindowExposed(w, 10);
        }));
        FrmLrc *w = lyricWindow();
        EXPECT_EQ(w->windowHandle()->screen(), expected);
        EXPECT_TRUE(waitFor([&] { return w->geometry() == expected->geometry(); }))
            << "window at " << w->geometry().width() << "x" << w->geometry().height();
        EXPECT_EQ(w->RichTextBox1->size(), expected->geometry().size());
    }
    FrmLrc *lyricWindow() { return window->lyricWindow().window(); }

    static std::unique_ptr<QTemporaryDir> s_media;
    TempHome home;
    QtDialogs dialogs;
    AppContext ctx{home.paths()};
    std::unique_ptr<MainWindow> window;
    QList<QScreen *> screens;
};

std::unique_ptr<QTemporaryDir> LyricScreenTest::s_media;

TEST_F(LyricScreenTest, ChosenWithThePointerKeptAndOpenedThere) {
    start();
    // Main menu (a right click on the title) > 查看 > 歌词显示模式 > 歌词全屏显示器 > the TV.
    click(window->ui().Label4, {}, Qt::RightButton);
    QMenu *main = window->ui().Popmnu[0];
    ASSERT_TRUE(waitFor([main] { return main->isVisible(); }, 3000));
    QMenu *chain[] = {main, window->ui().menu("mnuView"), window->ui().menu("mnuLrcVS"),
                      window->ui().menu("mnuLrcScreen")};
    for (int k = 1; k < 4; ++k) {
        ASSERT_NE(chain[k], nullptr);
        clickMenuItem(chain[k - 1], chain[k]->menuAction());
        ASSERT_TRUE(waitFor([&] { return chain[k]->isVisible(); }, 3000)) << k;
    }
    QMenu *choice = chain[3];
    ASSERT_EQ(choice->actions().size(), 2);
    QStringList labels;
    for (QAction *a : choice->actions())
        labels << a->text();
    EXPECT_TRUE(labels[1].endsWith(QStringLiteral("(800×600)")))
        << labels.join(QStringLiteral(", ")).toStdString();
    EXPECT_TRUE(choice->actions()[0]->isChecked()); // the main window's screen until chosen
    clickMenuItem(choice, choice->actions()[1]);
    EXPECT_TRUE(waitFor([] { return !PlayerPreferences().lyricScreen().isEmpty(); }));
    EXPECT_EQ(PlayerPreferences().lyricScreen(),
              LyricScreenChoice::keyOf(LyricScreenChoice::describe(screens[1])));

    ASSERT_NO_FATAL_FAILURE(openOn(screens[1]));
    EXPECT_FALSE(window->isVisible());
    // Esc closes it back to the main window, which stayed on its own screen.
    QTest::keyClick(lyricWindow()->windowHandle(), Qt::Key_Escape);
    EXPECT_TRUE(waitFor([this] { return !lyricWindow() && window->isVisible(); }));
    EXPECT_EQ(window->windowHandle()->screen(), screens[0]);
}

TEST_F(LyricScreenTest, WithoutAChoiceFollowsTheMainWindow) {
    start(screens[1]);
    ASSERT_EQ(window->windowHandle()->screen(), screens[1]);
    openOn(screens[1]);
}

TEST_F(LyricScreenTest, AChoiceWhoseScreenIsGoneOpensOnThePrimary) {
    ASSERT_TRUE(PlayerPreferences().setLyricScreen(QStringLiteral("HDMI-9 1920x1080+1024+0")));
    start(screens[1]);
    openOn(QGuiApplication::primaryScreen());
}

} // namespace
