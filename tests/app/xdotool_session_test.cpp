// The built program on a private X server, used with xdotool as a person uses it: the pointer
// and the keyboard reach it through the X server alone. Positions come from the window's own
// layout code, built here on the same display with the same fonts.
#include "app/main_window_layout.h"
#include "lyrics/lyric_store.h"
#include "player_process.h"
#include "shell/main_window_ui.h"
#include "shell/settings.h"
#include "temp_home.h"
#include "test_media.h"
#include "wait_for.h"
#include "widgets/xp_button.h"
#include "xdotool.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>
#include <QtGui/qguiapplication_platform.h>
#include <algorithm>
#include <gtest/gtest.h>
#include <xcb/xcb.h>

namespace {

using Xdotool::findWindow;
using Xdotool::geometryOf;

// True when the window `id` shows a child window smaller than itself (of the lyric window's
// views only the picture view has them: its lyric strips).
bool showsStrips(const QString &id) {
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t *c = x11 ? x11->connection() : nullptr;
    if (!c) return false;
    const QSize size = geometryOf(id).size();
    xcb_query_tree_reply_t *tree = xcb_query_tree_reply(c, xcb_query_tree(c, id.toUInt()), nullptr);
    if (!tree) return false;
    bool shown = false;
    const xcb_window_t *children = xcb_query_tree_children(tree);
    for (int k = 0; k < xcb_query_tree_children_length(tree); ++k) {
        xcb_get_window_attributes_reply_t *a =
            xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, children[k]), nullptr);
        xcb_get_geometry_reply_t *g =
            xcb_get_geometry_reply(c, xcb_get_geometry(c, children[k]), nullptr);
        shown = shown || (a && g && a->map_state == XCB_MAP_STATE_VIEWABLE &&
                          QSize(g->width, g->height) != size);
        free(a);
        free(g);
    }
    free(tree);
    return shown;
}

// The view of the full-screen lyric window `id` as the screen shows it: the picture view has
// its strips, the painter draws on black, the text view on the lyric box's colour.
int lyricView(const QString &id) {
    if (showsStrips(id)) return 102;
    const QImage shot = QGuiApplication::primaryScreen()->grabWindow(0).toImage().scaled(64, 36);
    int black = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) {
            const QRgb p = shot.pixel(x, y);
            black += std::max({qRed(p), qGreen(p), qBlue(p)}) < 30;
        }
    return black * 5 > shot.width() * shot.height() * 2 ? 101 : 100;
}

class XdotoolSession : public ::testing::Test {
protected:
    void SetUp() override {
        QByteArray list = ">0\r\n";
        for (int k = 0; k < 3; ++k) {
            const QString track = home.file(QStringLiteral("t%1.wav").arg(k));
            ASSERT_TRUE(TestMedia::writeWav(track, 30.0));
            // A lyric line every half second names the track that plays.
            QByteArray lrc;
            for (int tenth = 3; tenth < 300; tenth += 5)
                lrc += QStringLiteral("[00:%1.%2]track %3\r\n")
                           .arg(tenth / 10, 2, 10, QLatin1Char('0'))
                           .arg(tenth % 10 * 10, 2, 10, QLatin1Char('0'))
                           .arg(k)
                           .toUtf8();
            home.write(QStringLiteral("t%1.lrc").arg(k), lrc);
            list += '"' + track.toUtf8() + "\"\r\n";
            tracks << track;
        }
        home.write(QStringLiteral("List.lvx"), list);

        // Where the controls are: the window's layout with the same three rows.
        buildMainWindowWidgets(&probe, layout);
        for (const QString &t : tracks)
            layout.List1->addItem(t);
        probe.setWindowTitle(QStringLiteral("layout probe"));
        probe.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&probe));
        probe.hide();

        QProcessEnvironment env = PlayerProcess::environment(home);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        player.setProcessEnvironment(env);
        QObject::connect(&player, &QProcess::readyReadStandardOutput,
                         [this] { echoed += QString::fromUtf8(player.readAllStandardOutput()); });
        player.start(PlayerProcess::program(), {QStringLiteral("--echo-lyrics")});
        ASSERT_TRUE(player.waitForStarted(10000));
        window = findWindow(QStringLiteral("Lyravox 1.7.0"));
        ASSERT_FALSE(window.isEmpty());
        origin = geometryOf(window).topLeft();
    }

    void TearDown() override {
        if (player.state() == QProcess::NotRunning) return;
        PlayerProcess::terminate(player);
        EXPECT_TRUE(player.waitForFinished(15000));
        EXPECT_EQ(player.exitCode(), 0) << player.readAllStandardError().toStdString();
    }

    // A click (or `count` clicks) at `pos` of a control of the layout (its centre by default).
    void click(QWidget *control, QPoint pos = {}, int count = 1) {
        const QPoint at =
            origin + control->mapTo(&probe, pos.isNull() ? control->rect().center() : pos);
        Xdotool::run({QStringLiteral("mousemove"), QStringLiteral("--sync"),
                      QString::number(at.x()), QString::number(at.y())});
        Xdotool::run({QStringLiteral("click"), QStringLiteral("--repeat"), QString::number(count),
                      QStringLiteral("--delay"), QStringLiteral("60"), QStringLiteral("1")});
    }
    // A key typed into whatever window has the X input focus.
    static void key(const char *name) {
        Xdotool::run({QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("60"),
                      QString::fromLatin1(name)});
        QTest::qWait(150);
    }
    QPoint row(int k) { return layout.List1->visualItemRect(layout.List1->item(k)).center(); }
    // True once a lyric line of track `k` is echoed after `from` characters of the echo.
    bool echoes(int k, qsizetype from) {
        return waitFor(
            [&] { return echoed.mid(from).contains(QStringLiteral("\ttrack %1\n").arg(k)); });
    }

    TempHome home;
    QStringList tracks;
    QWidget probe;
    MainWindowUi layout;
    QProcess player;
    QString echoed;
    QString window;
    QPoint origin;
};

TEST_F(XdotoolSession, ClicksReachTheListTheButtonsAndTheCloseImage) {
    ASSERT_TRUE(echoes(0, 0));
    qsizetype mark = echoed.size();
    click(layout.List1->viewport(), row(1), 2);
    EXPECT_TRUE(echoes(1, mark));
    mark = echoed.size();
    click(layout.XPButton[2]); // next
    EXPECT_TRUE(echoes(2, mark));
    mark = echoed.size();
    click(layout.XPButton[1]); // previous
    EXPECT_TRUE(echoes(1, mark));

    click(layout.Image4);
    const QString question = findWindow(QStringLiteral("Lyravox"));
    ASSERT_FALSE(question.isEmpty());
    Xdotool::run({QStringLiteral("key"), QStringLiteral("--window"), question,
                  QStringLiteral("Escape")}); // "No"
    EXPECT_TRUE(waitFor([&] { return geometryOf(question).isNull(); }, 5000));
    EXPECT_EQ(player.state(), QProcess::Running);
}

TEST_F(XdotoolSession, TypingInTheLyricEditorIsTextAndIsSaved) {
    ASSERT_TRUE(echoes(0, 0));
    click(layout.XPButton[5]); // "修改歌词": the track pauses while the lyrics are edited
    QTest::qWait(700);
    click(layout.RichTextBox2, {20, 10});
    const qsizetype mark = echoed.size();
    Xdotool::run({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("40"),
                  QStringLiteral("ktv ktv ")});
    QTest::qWait(1500);
    EXPECT_EQ(geometryOf(window).topLeft(), origin);
    EXPECT_EQ(echoed.size(), mark) << "playback resumed while typing";

    click(layout.XPButton[5]); // leave the editor: it asks whether to save
    const QString question = findWindow(QStringLiteral("Lyravox"));
    ASSERT_FALSE(question.isEmpty());
    Xdotool::run({QStringLiteral("key"), QStringLiteral("--window"), question,
                  QStringLiteral("Return")}); // "Yes"
    const QString store = home.file(QStringLiteral("LRCS/")) + LyricStore::storeFileName(tracks[0]);
    EXPECT_TRUE(waitFor([&] {
        QFile f(store);
        return f.open(QIODevice::ReadOnly) && f.readAll().contains("ktv ktv ");
    }));
}

TEST_F(XdotoolSession, TheFullScreenLyricWindowFollowsTheKeysAndTheMouse) {
    ASSERT_TRUE(echoes(0, 0));
    click(layout.XPButton[21]); // "歌词全屏"
    const QString full = findWindow(QStringLiteral("歌词窗口"));
    ASSERT_FALSE(full.isEmpty());
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_TRUE(waitFor([&] { return geometryOf(full).size() == screen.size(); }, 5000));
    // It opens in the picture view of the main window's mode 2; H and a right click step
    // through the views.
    EXPECT_TRUE(waitFor([&] { return lyricView(full) == 102; }, 3000)) << lyricView(full);
    const std::pair<const char *, int> steps[] = {
        {"h", 100}, {"h", 101}, {"right click", 102}, {"h", 100}, {"h", 101}};
    for (const auto &[input, view] : steps) {
        if (input[0] == 'h') {
            key(input);
        } else {
            Xdotool::run({QStringLiteral("mousemove"), QStringLiteral("--sync"),
                          QString::number(screen.center().x()),
                          QString::number(screen.center().y())});
            Xdotool::run({QStringLiteral("click"), QStringLiteral("3")});
        }
        EXPECT_TRUE(waitFor([&] { return lyricView(full) == view; }, 3000))
            << input << " shows " << lyricView(full) << ", not " << view;
    }
    const qsizetype mark = echoed.size();
    EXPECT_TRUE(echoes(0, mark)); // the lines go on while the window is up
    key("Escape");
    EXPECT_TRUE(waitFor([&] { return findWindow(QStringLiteral("歌词窗口"), 1).isEmpty(); }, 5000));
    EXPECT_FALSE(findWindow(QStringLiteral("Lyravox 1.7.0")).isEmpty());

    PlayerProcess::terminate(player);
    ASSERT_TRUE(player.waitForFinished(15000));
    Settings saved;
    SettingsFile::read(home.file(QStringLiteral("SetLog.ini")), saved);
    EXPECT_EQ(saved.LyricDisplayMode, 1); // the painter view closes into the main window's mode 1
}

} // namespace
