// An enhanced LRC file played through libmpv with the full-screen lyric window up (xcb on a
// private X server): the picture view's current strip and then the text view's box fill word
// by word in step with the music, and no word tag is shown.
#include "app/main_window.h"
#include "lit_pixels.h"
#include "lyrics/frm_lrc.h"
#include "lyrics/lyric_window_controller.h"
#include "lyrics/lyrics_controller.h"
#include "platform/qt_dialogs.h"
#include "playback/media_player.h"
#include "playback/playback_controller.h"
#include "playback/playback_widgets.h"
#include "real_input.h"
#include "temp_home.h"
#include "test_media.h"
#include "wait_for.h"
#include "widgets/xp_button.h"

#include <QLabel>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <gtest/gtest.h>
#include <vector>

namespace {

// Two lines of four words, each sung over 1.8 s, then a plain line. The strip is looked at
// before the last 0.8 s of its line, when it would start to fade.
const char kLyrics[] = "[ti:Words]\r\n"
                       "[00:04.00]<00:04.00>first <00:04.45>line <00:04.90>of <00:05.35>words"
                       "<00:05.80>\r\n"
                       "[00:07.00]second [00:07.45]line [00:07.90]of [00:08.35]words "
                       "[00:08.80]\r\n"
                       "[00:10.00]the end\r\n";

class LyricWindowWordsTest : public ::testing::Test {
protected:
    LyricWindowWordsTest() {
        ctx.dialogs = &dialogs;
        const QString song = home.file(QStringLiteral("words.wav"));
        EXPECT_TRUE(TestMedia::writeWav(song, 14.0));
        home.write(QStringLiteral("words.lrc"), kLyrics);
        home.write(QStringLiteral("List.lvx"), ">0\r\n\"" + song.toUtf8() + "\"\r\n");
    }

    double position() { return window->playback().player().currentPosition(); }
    // Waits until the music reaches `seconds`.
    bool reach(double seconds) {
        return waitFor([&] { return position() >= seconds; }, 15000);
    }
    FrmLrc *lyricWindow() { return window->lyricWindow().window(); }
    // The main window, playing the song with its lyrics loaded.
    void start() {
        window = std::make_unique<MainWindow>(ctx);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        ASSERT_TRUE(waitFor([this] {
            return window->playback().player().playState() == MediaPlayer::Playing &&
                   window->lyrics().LyricsLoaded();
        }));
    }

    TempHome home;
    QtDialogs dialogs;
    AppContext ctx{home.paths()};
    std::unique_ptr<MainWindow> window;
};

// Characters of the line starting at `text` in the box that have the highlight colour.
qsizetype highlighted(QTextEdit *box, const QString &text, const QColor &highlight) {
    const qsizetype start = box->toPlainText().indexOf(text);
    if (start < 0) return -1;
    qsizetype lit = 0;
    for (; lit < text.size(); ++lit) {
        QTextCursor c(box->document());
        c.setPosition(int(start + lit) + 1);
        if (c.charFormat().foreground().color() != highlight) break;
    }
    return lit;
}

TEST_F(LyricWindowWordsTest, PictureViewStripAndTextViewBoxFillWordByWord) {
    ASSERT_NO_FATAL_FAILURE(start());
    ASSERT_LT(position(), 3.0) << "the start took too long for the first line";
    window->ui().action("mnuLrcVS2")->trigger();
    click(window->ui().XPButton[21]);
    ASSERT_TRUE(waitFor([this] { return lyricWindow() && lyricWindow()->isVisible(); }));
    ASSERT_EQ(ctx.settings.LyricDisplayMode, 102);
    FrmLrc *w = lyricWindow();
    EXPECT_FALSE(window->lyrics().sync().timeline().text().contains(QLatin1Char('<')));

    // View 102: the current strip lights from nothing to the whole line.
    QLabel *strip = w->Picture2[1];
    std::vector<int> pixels;
    for (double at = 4.1; at < 5.8; at += 0.25) {
        ASSERT_TRUE(reach(at));
        ASSERT_EQ(strip->text(), QStringLiteral("first line of words"));
        pixels.push_back(whitePixels(strip));
    }
    ASSERT_TRUE(reach(6.0));
    const int whole = whitePixels(strip);
    for (size_t k = 1; k < pixels.size(); ++k)
        EXPECT_GE(pixels[k], pixels[k - 1]) << k;
    EXPECT_LT(pixels.front(), whole / 4);
    EXPECT_GT(pixels.back(), pixels.front());
    EXPECT_GT(whole, pixels.back() / 2);

    // H: the text view 100; its box lights the second line word by word.
    QTest::keyClick(w->windowHandle(), Qt::Key_H);
    ASSERT_TRUE(waitFor([this] { return ctx.settings.LyricDisplayMode == 100; }));
    const QString second = QStringLiteral("second line of words");
    ASSERT_GE(w->RichTextBox1->toPlainText().indexOf(second), 0);
    EXPECT_LT(w->RichTextBox1->toPlainText().indexOf(QStringLiteral("[7.45]")), 0);
    std::vector<qsizetype> characters;
    for (double at = 7.1; at < 8.8; at += 0.25) {
        ASSERT_TRUE(reach(at));
        characters.push_back(
            highlighted(w->RichTextBox1, second, ctx.settings.LyricHighlightColor));
    }
    ASSERT_TRUE(reach(9.0));
    for (size_t k = 1; k < characters.size(); ++k)
        EXPECT_GE(characters[k], characters[k - 1]) << k;
    EXPECT_LT(characters.front(), 7); // "second " at most
    EXPECT_GT(characters.back(), characters.front());
    EXPECT_EQ(highlighted(w->RichTextBox1, second, ctx.settings.LyricHighlightColor),
              second.size());
}

// A window opened after a line has lit to its end shows it lit, not only from the next line.
TEST_F(LyricWindowWordsTest, TextViewOpenedAfterTheWordsShowsTheLineLit) {
    ASSERT_NO_FATAL_FAILURE(start());
    window->ui().action("mnuLrcVS0")->trigger();
    ASSERT_TRUE(reach(6.0)); // the first line's words are all lit; the next line comes at 7
    click(window->ui().XPButton[21]);
    ASSERT_TRUE(waitFor([this] { return lyricWindow() && lyricWindow()->isVisible(); }));
    const QString first = QStringLiteral("first line of words");
    EXPECT_TRUE(waitFor(
        [&] {
            return highlighted(lyricWindow()->RichTextBox1, first,
                               ctx.settings.LyricHighlightColor) == first.size();
        },
        400));
    EXPECT_LT(position(), 7.0) << "the machine was too slow to tell";
}

} // namespace
