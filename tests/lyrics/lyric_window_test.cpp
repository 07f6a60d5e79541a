// The full-screen lyric window frmLrc driven through the window system (xcb on a private X
// server): the button and H open it, right clicks cycle its views, Esc and a left click close
// it back to the main window, keypad +/- show the compensation indicator, the video button,
// the goodbye strips and the changing background of the picture view, and the main window
// coming forward over it when a track has no lyrics.
#include "app/main_window.h"
#include "lyrics/frm_lrc.h"
#include "lyrics/lyric_window_controller.h"
#include "lyrics/lyrics_controller.h"
#include "platform/qt_dialogs.h"
#include "playback/media_player.h"
#include "playback/playback_controller.h"
#include "playback/playback_widgets.h"
#include "playlist/playlist_controller.h"
#include "real_input.h"
#include "shell/settings.h"
#include "temp_home.h"
#include "test_media.h"
#include "wait_for.h"
#include "widgets/xp_button.h"

#include <QDir>
#include <QLabel>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>

namespace {

// The window a window manager keeps on top of all it manages (0 without a manager).
WId topOfStacking() {
    QProcess xprop;
    xprop.start(QStringLiteral("xprop"),
                {QStringLiteral("-root"), QStringLiteral("_NET_CLIENT_LIST_STACKING")});
    if (!xprop.waitForFinished(5000)) return 0;
    const QString out = QString::fromLatin1(xprop.readAllStandardOutput());
    const qsizetype hash = out.indexOf(QLatin1Char('#'));
    if (hash < 0) return 0;
    const QStringList ids = out.mid(hash + 1).split(QLatin1Char(','), Qt::SkipEmptyParts);
    return ids.isEmpty() ? 0 : WId(ids.last().trimmed().toULongLong(nullptr, 16));
}

class LyricWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_media = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(TestMedia::writeWav(media("song.wav"), 30.0));
        ASSERT_TRUE(TestMedia::writeWav(media("quiet.wav"), 30.0)); // no lyrics
        ASSERT_TRUE(TestMedia::writeWav(media("short.wav"), 4.0));
        ASSERT_TRUE(TestMedia::writeAvi(media("clip.avi"), 30.0));
        QByteArray text = "[ti:Song]\r\n";
        for (int k = 1; k < 28; ++k)
            text += QStringLiteral("[00:%1.00]line %2\r\n")
                        .arg(k, 2, 10, QLatin1Char('0'))
                        .arg(k)
                        .toUtf8();
        const QByteArray shortText = "[00:00.30]first words\r\n[00:00.60]last words\r\n";
        for (const char *name : {"song.lrc", "clip.lrc", "short.lrc"}) {
            QFile lrc(media(name));
            ASSERT_TRUE(lrc.open(QIODevice::WriteOnly));
            lrc.write(name == std::string("short.lrc") ? shortText : text);
        }
    }
    static void TearDownTestSuite() { s_media.reset(); }
    static QString media(const char *name) {
        return s_media->path() + QLatin1Char('/') + QLatin1String(name);
    }

    LyricWindowTest() {
        ctx.dialogs = &dialogs;
        playList({"song.wav"});
    }
    // The list the player starts with, playing its first item.
    void playList(std::initializer_list<const char *> names) {
        QByteArray list = ">0\r\n";
        for (const char *name : names)
            list += "\"" + media(name).toUtf8() + "\"\r\n";
        home.write(QStringLiteral("List.lvx"), list);
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
    // Mode 2 in the main window, then "歌词全屏" by pointer: the picture view 102.
    void openPictureView() {
        ASSERT_NO_FATAL_FAILURE(start());
        window->ui().action("mnuLrcVS2")->trigger();
        click(window->ui().XPButton[21]);
        ASSERT_TRUE(shown());
        ASSERT_EQ(mode(), 102);
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
    // Sound only: the video button stays hidden at its ticks.
    QSignalSpy videoTicks(w->Timer0, &QTimer::timeout);
    w->Timer0->setInterval(50);
    ASSERT_TRUE(videoTicks.wait(2000));
    EXPECT_FALSE(w->Picture5->isVisible());

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
    // Readable on the screen: its text stands out from its box.
    auto contrast = [&] {
        const QPoint at = w->Picture4->mapTo(w, QPoint());
        const QImage shot = w->screen()
                                ->grabWindow(w->winId(), at.x(), at.y(), w->Picture4->width(),
                                             w->Picture4->height())
                                .toImage();
        int darkest = 255, lightest = 0;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x) {
                darkest = std::min(darkest, qGray(shot.pixel(x, y)));
                lightest = std::max(lightest, qGray(shot.pixel(x, y)));
            }
        return lightest - darkest;
    };
    EXPECT_TRUE(waitFor([&] { return contrast() > 100; }, 3000)) << contrast();
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

TEST_F(LyricWindowTest, ATrackWithoutLyricsBringsTheMainWindowForwardUntilTheNextTick) {
    Settings stored;
    stored.AutoDownloadLyrics = 0; // the lookup ends with "[无]" instead of a download
    home.write(QStringLiteral("SetLog.ini"), SettingsFile::format(stored));
    playList({"song.wav", "quiet.wav"});
    start();
    click(window->ui().XPButton[21]);
    ASSERT_TRUE(shown());
    ASSERT_FALSE(window->isVisible());
    PlaybackController &playback = window->playback().controller();

    playback.next(); // quiet.wav
    ASSERT_TRUE(waitFor([&] { return window->isVisible(); }, 5000));
    // Under a window manager the main window must also be in front of the full-screen one.
    if (topOfStacking() != 0) {
        EXPECT_TRUE(waitFor([&] { return topOfStacking() == window->winId(); }, 3000))
            << std::hex << topOfStacking() << " on top, not " << window->winId();
    }
    EXPECT_FALSE(window->lyrics().LyricsLoaded());
    EXPECT_TRUE(window->ui().RichTextBox1->toPlainText().contains(QStringLiteral("[无]")));
    EXPECT_TRUE(lyricWindow()->isVisible());

    // Lyrics again: the first tick hides the main window; the full-screen window stays.
    playback.previous(); // song.wav with its LRC
    ASSERT_TRUE(waitFor([&] { return window->lyrics().LyricsLoaded() && !window->isVisible(); }));
    EXPECT_TRUE(lyricWindow()->isVisible());
    EXPECT_TRUE(lyricWindow()->RichTextBox1->toPlainText().contains(QStringLiteral("line 3")));
}

TEST_F(LyricWindowTest, EndOfTheTrackShowsTheTitleAndTheThanksCentredInWhite) {
    playList({"short.wav"});
    ASSERT_NO_FATAL_FAILURE(openPictureView());
    FrmLrc *w = lyricWindow();
    QLabel *current = w->Picture2[1];
    // The goodbye comes once a line was highlighted and less than 3 s are left.
    ASSERT_TRUE(waitFor([&] { return current->text() == QStringLiteral("谢谢使用！"); }, 6000))
        << current->text().toStdString();
    EXPECT_EQ(w->Picture2[0]->text(), QStringLiteral("Lyravox 1.7.0"));
    EXPECT_EQ(w->Picture2[2]->text(), QStringLiteral("…"));
    const int textWidth = QFontMetrics(current->font()).horizontalAdvance(current->text());
    EXPECT_LE(std::abs(current->width() - textWidth), 4) << current->width();
    EXPECT_LE(std::abs(current->x() + current->width() / 2 - w->width() / 2), 1)
        << current->x() << " + " << current->width() << " in " << w->width();
    EXPECT_EQ(current->palette().color(QPalette::WindowText), QColor(Qt::white));
    EXPECT_TRUE(w->RichTextBox1->textCursor().atEnd());
    EXPECT_TRUE(window->ui().RichTextBox1->textCursor().atEnd());
}

TEST_F(LyricWindowTest, OpeningCarriesOnWithTheBackgroundTheMainWindowShows) {
    // Eight pictures: a new random choice would match the main window's one time in eight.
    QDir().mkpath(home.file(QStringLiteral("bkground")));
    for (int k = 0; k < 8; ++k) {
        QImage picture(40, 30, QImage::Format_RGB32);
        picture.fill(QColor::fromHsv(k * 45, 255, 200));
        ASSERT_TRUE(picture.save(home.file(QStringLiteral("bkground/%1.png").arg(k))));
    }
    auto centre = [](const QLabel *label) {
        const QImage shown = label->pixmap().toImage();
        return shown.isNull() ? QString() : QColor(shown.pixel(20, 15)).name();
    };
    ASSERT_NO_FATAL_FAILURE(start());
    window->ui().action("mnuLrcVS2")->trigger();
    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(waitFor([&] { return !centre(window->ui().Image6).isEmpty(); }));
        const QString main = centre(window->ui().Image6);
        click(window->ui().XPButton[21]);
        ASSERT_TRUE(shown()) << round;
        EXPECT_EQ(centre(lyricWindow()->Image1).toStdString(), main.toStdString()) << round;
        QTest::keyClick(lyricWindow()->windowHandle(), Qt::Key_Escape);
        ASSERT_TRUE(closedBack()) << round;
        // A new picture in the main window before the next round.
        window->lyrics().refreshBackground();
    }
}

TEST_F(LyricWindowTest, PictureViewTakesANewBackgroundEvery201Ticks) {
    const QColor colours[2] = {QColor(200, 0, 0), QColor(0, 200, 0)};
    QDir().mkpath(home.file(QStringLiteral("bkground")));
    for (int k = 0; k < 2; ++k) {
        QImage picture(40, 30, QImage::Format_RGB32);
        picture.fill(colours[k]);
        ASSERT_TRUE(picture.save(home.file(QStringLiteral("bkground/%1.png").arg(k))));
    }
    ASSERT_NO_FATAL_FAILURE(openPictureView());
    FrmLrc *w = lyricWindow();
    // The ticks are counted here one by one instead of by the 50 ms timer.
    QTimer *tick = window->ui().Timer[1];
    QTimer *newBackground = window->ui().Timer[10];
    tick->stop();
    const QImage blue = [] {
        QImage b(40, 30, QImage::Format_RGB32);
        b.fill(Qt::blue);
        return b;
    }();
    auto shownColour = [](const QLabel *label) {
        const QImage shown = label->pixmap().toImage();
        return shown.isNull() ? QColor()
                              : QColor(shown.pixel(shown.width() / 2, shown.height() / 2));
    };
    auto ticksUntilNewBackground = [&] {
        int count = 0;
        while (!newBackground->isActive() && count < 500) {
            window->lyrics().LyricTick();
            ++count;
        }
        return count;
    };
    auto expectFolderPicture = [&](const char *when) {
        ASSERT_TRUE(waitFor([&] { return !newBackground->isActive(); }, 3000)) << when;
        const QColor inWindow = shownColour(w->Image1);
        EXPECT_TRUE(inWindow == colours[0] || inWindow == colours[1])
            << when << ": " << inWindow.name().toStdString();
        EXPECT_EQ(shownColour(window->ui().Image6).name().toStdString(),
                  inWindow.name().toStdString())
            << when;
    };
    w->Image1->setPixmap(QPixmap::fromImage(blue));
    const int first = ticksUntilNewBackground();
    EXPECT_LE(first, 201); // opening set the counter to 1
    expectFolderPicture("first cycle");
    w->Image1->setPixmap(QPixmap::fromImage(blue));
    EXPECT_EQ(ticksUntilNewBackground(), 201);
    expectFolderPicture("second cycle");
    EXPECT_TRUE(w->isVisible());
}

TEST_F(LyricWindowTest, VideoButtonFollowsThePictureAndAsksForTheVideoFullScreen) {
    playList({"clip.avi"});
    start();
    MediaPlayer &player = window->playback().player();
    ASSERT_TRUE(waitFor([&] { return player.hasVideo(); }));
    click(window->ui().XPButton[21]);
    ASSERT_TRUE(shown());
    FrmLrc *w = lyricWindow();
    w->Timer0->setInterval(100); // its second, shortened
    ASSERT_TRUE(waitFor([&] { return w->Picture5->isVisible(); }, 3000));
    EXPECT_EQ(w->Picture5->toolTip(), QStringLiteral("全屏显示视频"));

    struct Case {
        const char *how;
        std::function<void()> ask;
    } cases[] = {
        {"click", [&] { click(w->Picture5); }},
        {"F", [&] { QTest::keyClick(w->windowHandle(), Qt::Key_F); }},
    };
    for (const Case &c : cases) {
        ASSERT_TRUE(waitFor([&] { return w->Picture5->isVisible(); }, 3000)) << c.how;
        c.ask();
        EXPECT_EQ(player.displaySize(), MediaPlayer::kFullScreen) << c.how;
        EXPECT_TRUE(waitFor([&] { return !w->Picture5->isVisible(); }, 1000)) << c.how;
        player.setDisplaySize(0); // Esc in the video window
    }
}

} // namespace
