// The lyrics controller on the real main-window widgets with a scripted media player: lookup,
// the tick's highlight and echo, modes, compensation, the editor and the lyric file commands.
#include "app/main_menus.h"
#include "app/main_window_layout.h"
#include "fake_media_player.h"
#include "lit_pixels.h"
#include "lyrics/lyrics_controller.h"
#include "playlist/playlist_model.h"
#include "scripted_dialogs.h"
#include "temp_home.h"
#include "widgets/xp_button.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <cstdio>
#include <gtest/gtest.h>
#include <memory>

namespace {

class LyricsControllerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ctx = std::make_unique<AppContext>(AppContext{home.paths()});
        ctx->dialogs = &dialogs;
        ctx->settings.LyricDisplayMode = 0;
        ctx->settings.AutoDownloadLyrics = 0;
        buildMainWindowWidgets(&window, ui);
        buildMainMenus(&window, ui);
        ui.frmMain = &window;
        for (XPButton *b : ui.XPButton)
            if (b) b->setEnabled(true);
        controller = std::make_unique<LyricsController>(*ctx, ui, model, player);
        track = home.file(QStringLiteral("music/song.mp3"));
        home.write(QStringLiteral("music/song.mp3"), "sound");
        model.setItems({track, home.file(QStringLiteral("music/other.mp3"))});
        model.setCurrentTrack(0);
        FakeMediaPlayer::Media media;
        media.duration = 60.0;
        player.setMedia(track, media);
        player.setFileName(track);
    }

    QString storeFile() const { return controller->store().LyricStoreName(track); }
    void writeStore(const QByteArray &bytes) {
        home.write(QStringLiteral("LRCS/") + LyricStore::storeFileName(track), bytes);
    }
    QString boxText() const { return ui.RichTextBox1->toPlainText(); }
    QColor colourAt(qsizetype position) const {
        QTextCursor c(ui.RichTextBox1->document());
        c.setPosition(int(position) + 1);
        return c.charFormat().foreground().color();
    }
    QColor colourOf(const QString &text) const { return colourAt(boxText().indexOf(text)); }
    void tickAt(double seconds) {
        player.setPosition(seconds);
        controller->LyricTick();
    }

    TempHome home;
    ScriptedDialogs dialogs;
    std::unique_ptr<AppContext> ctx;
    QWidget window;
    MainWindowUi ui;
    PlaylistModel model;
    FakeMediaPlayer player;
    std::unique_ptr<LyricsController> controller;
    QString track;
};

TEST_F(LyricsControllerTest, FindLyricsShowsTheParsedFileColoured) {
    writeStore("[ti:Song]\r\n[offset:500]\r\n[00:02.00]two\r\n[00:01.00]one\r\n");
    controller->FindLyrics();
    EXPECT_TRUE(controller->LyricsLoaded());
    EXPECT_EQ(controller->LyricFile(), storeFile());
    EXPECT_EQ(controller->LyricOffsetMs(), 500);
    EXPECT_EQ(controller->TimeTagCount(), 2);
    EXPECT_EQ(boxText(),
              QStringLiteral("\n标题：Song \n时间补偿：500毫秒 \n[1.0]one\n[2.0]two\n\n"));
    EXPECT_TRUE(ui.XPButton[5]->isEnabled());
    EXPECT_EQ(ui.XPButton[5]->caption(), QStringLiteral("修改歌词"));
    EXPECT_EQ(colourOf(QStringLiteral("one")), ctx->settings.LyricTextColor);
    EXPECT_EQ(colourOf(QStringLiteral("[1.0]")), ctx->settings.LyricTagColor);
    EXPECT_EQ(colourOf(QStringLiteral("标题")), ctx->settings.LyricTagColor);
    EXPECT_EQ(ui.Label2->text(), QStringLiteral("0"));
}

TEST_F(LyricsControllerTest, MissingLyricsSayNoneAndBesideFileIsAdopted) {
    controller->FindLyrics();
    EXPECT_FALSE(controller->LyricsLoaded());
    EXPECT_EQ(boxText(),
              QStringLiteral("当前曲目“") + track + QStringLiteral("”\n查找歌词文件 … [无]"));
    EXPECT_FALSE(ui.XPButton[5]->isEnabled());

    home.write(QStringLiteral("music/song.lrc"), "[00:01]beside\n");
    controller->FindLyrics();
    EXPECT_TRUE(controller->LyricsLoaded());
    EXPECT_TRUE(QFile::exists(storeFile()));
    EXPECT_EQ(boxText(), QStringLiteral("\n[1.0]beside\n\n"));
}

TEST_F(LyricsControllerTest, TickHighlightsEchoesAndFollowsTheCompensation) {
    writeStore("[offset:500]\n[00:01]one\n[00:10.00]ten\n[00:12.05]twelve\n");
    std::FILE *echo = std::tmpfile();
    ASSERT_NE(echo, nullptr);
    ctx->echoLyrics = true;
    controller->setEchoStream(echo);
    player.play();
    controller->FindLyrics();
    EXPECT_TRUE(ui.Timer[1]->isActive());

    tickAt(0.2); // 0.7 adjusted: nothing yet
    EXPECT_EQ(ui.Label1->text(), QStringLiteral("0.7"));
    EXPECT_EQ(ui.Label2->text(), QStringLiteral("500"));
    EXPECT_EQ(ui.Timer[1]->interval(), 50);
    tickAt(0.5);
    EXPECT_EQ(colourOf(QStringLiteral("one")), ctx->settings.LyricHighlightColor);
    EXPECT_EQ(ui.Timer[1]->interval(), 110);
    tickAt(9.5); // [10.0] with 500 ms compensation
    EXPECT_EQ(colourOf(QStringLiteral("one")), ctx->settings.LyricTextColor);
    EXPECT_EQ(colourOf(QStringLiteral("ten")), ctx->settings.LyricHighlightColor);
    // The caret stands at the start of the following line.
    EXPECT_EQ(ui.RichTextBox1->textCursor().position(),
              boxText().indexOf(QStringLiteral("[12.05]")));

    // Three steps down: -1000 + 500 ... the compensation moves the lines at once.
    Q_EMIT ui.XPButton[3]->clicked();
    EXPECT_EQ(controller->LyricOffsetMs(), 450);
    EXPECT_EQ(ui.Label2->text(), QStringLiteral("450"));
    tickAt(11.6); // 12.05 adjusted
    EXPECT_EQ(colourOf(QStringLiteral("twelve")), ctx->settings.LyricHighlightColor);

    std::rewind(echo);
    char buffer[512] = {};
    const size_t n = std::fread(buffer, 1, sizeof buffer - 1, echo);
    std::fclose(echo);
    EXPECT_EQ(QString::fromUtf8(buffer, int(n)),
              QStringLiteral("0.50\t1.0\tone\n9.50\t10.0\tten\n11.60\t12.05\ttwelve\n"));
}

TEST_F(LyricsControllerTest, PlayStatesDriveTheTimerAndStopRemovesTheHighlight) {
    writeStore("[00:00]zero\n[00:05]five\n");
    controller->FindLyrics();
    EXPECT_FALSE(ui.Timer[1]->isActive());
    player.play();
    controller->onPlayStateChanged(MediaPlayer::Playing); // runs one tick at once
    EXPECT_TRUE(ui.Timer[1]->isActive());
    EXPECT_EQ(colourOf(QStringLiteral("zero")), ctx->settings.LyricHighlightColor);
    // A [0.0] title does not make the line before it the previous line.
    EXPECT_TRUE(controller->sync().PrevLineText.isEmpty());

    player.pause();
    controller->onPlayStateChanged(MediaPlayer::Paused);
    EXPECT_FALSE(ui.Timer[1]->isActive());
    controller->toggleMovement(); // not playing: stays stopped
    EXPECT_FALSE(ui.Timer[1]->isActive());

    controller->onPlayStateChanged(MediaPlayer::Stopped);
    EXPECT_EQ(colourOf(QStringLiteral("zero")), ctx->settings.LyricTextColor);
    EXPECT_EQ(ui.Label1->text(), QStringLiteral("0"));
}

TEST_F(LyricsControllerTest, EndOfTrackSaysThanks) {
    writeStore("[00:01]one\n[00:50]last\n");
    player.play();
    controller->FindLyrics();
    tickAt(50.0);
    tickAt(57.5);
    EXPECT_EQ(controller->sync().CurLineText, QStringLiteral("    谢谢使用！"));
    EXPECT_EQ(ui.RichTextBox1->textCursor().position(), boxText().size());
}

TEST_F(LyricsControllerTest, PictureModeMovesStripsAndCyclesModes) {
    writeStore("[00:01]short\n[00:03]" + QByteArray(60, 'w') + "\n[00:09]x\n");
    player.play();
    controller->FindLyrics();
    window.show();
    controller->setDisplayMode(2);
    tickAt(1.0);
    EXPECT_FALSE(ui.RichTextBox1->isVisible());
    EXPECT_TRUE(ui.Picture7->isVisible());
    EXPECT_TRUE(ui.Timer[10]->isActive()); // a background picture at the first tick
    EXPECT_EQ(ui.Picture6[0]->text(), QStringLiteral("欢迎使用 Lyravox"));
    EXPECT_EQ(ui.Picture6[1]->text(), QStringLiteral("short"));
    EXPECT_EQ(controller->strips().StripStep, 0); // short: centred, standing
    const int area = ui.Picture1->width();
    EXPECT_NEAR(ui.Picture6[1]->x() + ui.Picture6[1]->width() / 2.0, area / 2.0, 2.0);

    tickAt(3.0);
    EXPECT_EQ(ui.Picture6[0]->text(), QStringLiteral("short"));
    EXPECT_GT(controller->strips().StripStep, 0); // wider than the area: it scrolls
    const int x = ui.Picture6[1]->x();
    tickAt(3.05);
    EXPECT_LT(ui.Picture6[1]->x(), x);

    Q_EMIT ui.XPButton[20]->clicked(); // 2 -> 0
    EXPECT_EQ(ctx->settings.LyricDisplayMode, 0);
    EXPECT_TRUE(ui.RichTextBox1->isVisible());
    EXPECT_FALSE(ui.Picture7->isVisible());
    EXPECT_EQ(ui.Label5->text(), QStringLiteral("提示：按 H 键全屏显示歌词；按 Esc 键退出全屏。"));
}

TEST_F(LyricsControllerTest, ModeOneShowsTheBoxUntilAPainterIsWiredIn) {
    writeStore("[00:01]one\n[00:02]two\n");
    player.play();
    controller->FindLyrics();
    controller->setDisplayMode(1);
    tickAt(0.5);
    EXPECT_FALSE(ui.RichTextBox1->isHidden());
    EXPECT_TRUE(ui.Picture1->isHidden());

    std::vector<bool> frames;
    controller->hooks().paintLyricPainter = [&](bool newTransform) {
        frames.push_back(newTransform);
        EXPECT_EQ(controller->lineState().CurLineText, QStringLiteral("one"));
    };
    tickAt(1.0);
    tickAt(1.05);
    EXPECT_TRUE(ui.RichTextBox1->isHidden());
    EXPECT_FALSE(ui.Picture1->isHidden());
    EXPECT_EQ(frames, (std::vector<bool>{true, false}));
}

TEST_F(LyricsControllerTest, CompensationEditorAndSaving) {
    writeStore("[00:01]one\r\n");
    controller->FindLyrics();
    for (int i = 0; i < 3; ++i)
        Q_EMIT ui.XPButton[4]->clicked();
    EXPECT_EQ(controller->LyricOffsetMs(), 150);
    EXPECT_EQ(home.read(QStringLiteral("LRCS/") + LyricStore::storeFileName(track)),
              QByteArray("[00:01]one\r\n")); // the file is unchanged

    Q_EMIT ui.XPButton[5]->clicked();
    ASSERT_TRUE(controller->editing());
    EXPECT_FALSE(ui.RichTextBox2->isHidden());
    EXPECT_EQ(ui.XPButton[5]->caption(), QStringLiteral("退出修改"));
    EXPECT_EQ(ui.action("mnuEditLRC")->text(), QStringLiteral("退出修改当前曲目歌词(&W)"));
    EXPECT_EQ(ui.RichTextBox2->toPlainText(), QStringLiteral("[offset:150]\n[00:01]one\n"));
    EXPECT_EQ(ui.RichTextBox2->textCursor().position(), 11);

    // A step while editing rewrites the tag.
    Q_EMIT ui.XPButton[3]->clicked();
    EXPECT_EQ(ui.RichTextBox2->toPlainText(), QStringLiteral("[offset:100]\n[00:01]one\n"));

    dialogs.answerMessage(Dialogs::Answer::Yes);
    player.clearCalls();
    Q_EMIT ui.XPButton[5]->clicked();
    EXPECT_EQ(dialogs.messageTexts().last(), QStringLiteral("是否保存修改?"));
    EXPECT_FALSE(controller->editing());
    EXPECT_TRUE(ui.RichTextBox2->isHidden());
    EXPECT_EQ(home.read(QStringLiteral("LRCS/") + LyricStore::storeFileName(track)),
              QByteArray("[offset:100]\r\n[00:01]one\r\n"));
    EXPECT_EQ(controller->LyricOffsetMs(), 100); // read back from the file
    EXPECT_TRUE(player.calls().contains(QStringLiteral("play")));
    EXPECT_EQ(ui.action("mnuEditLRC")->text(), QStringLiteral("编辑修改当前曲目歌词(&W)"));
}

TEST_F(LyricsControllerTest, EditorDiscardsOnNoAndOnTrackSwitch) {
    writeStore("[00:01]one\n");
    controller->FindLyrics();
    Q_EMIT ui.XPButton[5]->clicked();
    ui.RichTextBox2->setPlainText(QStringLiteral("changed"));
    dialogs.answerMessage(Dialogs::Answer::No);
    Q_EMIT ui.XPButton[5]->clicked();
    EXPECT_EQ(home.read(QStringLiteral("LRCS/") + LyricStore::storeFileName(track)),
              QByteArray("[00:01]one\n"));
    EXPECT_EQ(boxText(), QStringLiteral("\n[1.0]one\n\n"));

    Q_EMIT ui.XPButton[5]->clicked();
    ASSERT_TRUE(controller->editing());
    controller->leaveEditing();
    EXPECT_FALSE(controller->editing());
    EXPECT_TRUE(ui.RichTextBox2->isHidden());
    EXPECT_FALSE(ui.XPButton[5]->isEnabled());
    EXPECT_TRUE(controller->LyricFile().isEmpty());

    // Without lyrics the toggle refuses.
    dialogs.clear();
    controller->toggleEditor();
    EXPECT_EQ(dialogs.messageTexts(), QStringList{QStringLiteral("错误！未发现歌词。")});
}

TEST_F(LyricsControllerTest, NoLyricsCommands) {
    dialogs.answerMessage(Dialogs::Answer::Yes);
    dialogs.answerInput(QString());
    ui.action("mnuNotLRC")->trigger();
    ASSERT_GE(dialogs.entries().size(), 2);
    EXPECT_EQ(dialogs.entries()[0].text,
              QStringLiteral("你确定要设置曲目“") + track + QStringLiteral("”暂时不使用歌词吗?"));
    EXPECT_EQ(dialogs.entries()[1].title, QStringLiteral("歌词设置"));
    EXPECT_EQ(dialogs.entries()[1].defaultText, track); // no clip title
    EXPECT_EQ(boxText(), QStringLiteral("\n[0.0]当前曲目被设置为暂不使用歌词。\n"
                                        "［如果想使用歌词，请重新查找或修改］\n\n"));

    // The playlist's item: nothing selected, then another track than the loaded one.
    dialogs.clear();
    controller->noLyricsForSelected();
    model.select(-1);
    controller->noLyricsForSelected();
    EXPECT_EQ(dialogs.messageTexts().last(), QStringLiteral("请首先选中列表中的曲目！"));
    model.select(1);
    dialogs.answerMessage(Dialogs::Answer::Yes);
    dialogs.answerInput(QStringLiteral("Live [2020]"));
    controller->noLyricsForSelected();
    const QString other = home.file(QStringLiteral("music/other.mp3"));
    QFile written(controller->store().LyricStoreName(other));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(written.readAll()),
              QStringLiteral("[0:0]Live ［2020］\r\n［如果想使用歌词，请重新查找或修改］\r\n"));
}

TEST_F(LyricsControllerTest, DeleteKeepsTheBesideFileWhenTheUserSaysNo) {
    home.write(QStringLiteral("music/song.lrc"), "[00:01]beside\n");
    controller->FindLyrics();
    ASSERT_TRUE(QFile::exists(storeFile()));
    dialogs.answerMessage(Dialogs::Answer::Yes);
    dialogs.answerMessage(Dialogs::Answer::No);
    ui.action("mnuDelLRC")->trigger();
    EXPECT_FALSE(QFile::exists(storeFile()));
    EXPECT_TRUE(QFile::exists(home.file(QStringLiteral("music/song.lrc"))));
    EXPECT_TRUE(controller->LyricsLoaded()); // the state stays as it was
    EXPECT_EQ(dialogs.entries()[0].defaultText, QString());

    // The next lookup copies the beside file in again; deleting both clears the state.
    controller->FindLyrics();
    dialogs.answerMessage(Dialogs::Answer::Yes);
    dialogs.answerMessage(Dialogs::Answer::Yes);
    ui.action("mnuDelLRC")->trigger();
    EXPECT_FALSE(QFile::exists(home.file(QStringLiteral("music/song.lrc"))));
    EXPECT_FALSE(controller->LyricsLoaded());
    EXPECT_FALSE(ui.XPButton[5]->isEnabled());
    EXPECT_TRUE(boxText().endsWith(QStringLiteral("”已经被删除！")));
}

TEST_F(LyricsControllerTest, OpenLyricFileReplacesTheStoreFileOnYes) {
    writeStore("[00:01]old\n");
    controller->FindLyrics();
    home.write(QStringLiteral("chosen.lrc"), "[00:02]new\n");
    dialogs.answerOpen({home.file(QStringLiteral("chosen.lrc"))});
    dialogs.answerMessage(Dialogs::Answer::Yes);
    ui.action("mnuOpenLRC")->trigger();
    EXPECT_EQ(dialogs.entries()[0].request.filter, QStringLiteral("歌词文件(*.lrc)|*.lrc"));
    EXPECT_EQ(dialogs.messageTexts(),
              QStringList{QStringLiteral("你要保存当前的歌词文件来替换原来的歌词文件吗?")});
    EXPECT_EQ(controller->LyricFile(), storeFile());
    EXPECT_EQ(boxText(), QStringLiteral("\n[2.0]new\n\n"));
    EXPECT_EQ(home.read(QStringLiteral("LRCS/") + LyricStore::storeFileName(track)),
              QByteArray("[00:02]new\n"));

    // No: the store file stays and is shown again.
    home.write(QStringLiteral("third.lrc"), "[00:03]third\n");
    dialogs.answerOpen({home.file(QStringLiteral("third.lrc"))});
    dialogs.answerMessage(Dialogs::Answer::No);
    ui.action("mnuOpenLRC")->trigger();
    EXPECT_EQ(boxText(), QStringLiteral("\n[2.0]new\n\n"));
}

TEST_F(LyricsControllerTest, ReloadAsksFirst) {
    writeStore("[00:01]one\n");
    dialogs.answerMessage(Dialogs::Answer::No);
    Q_EMIT ui.XPButton[19]->clicked();
    EXPECT_FALSE(controller->LyricsLoaded());
    dialogs.answerMessage(Dialogs::Answer::Yes);
    Q_EMIT ui.XPButton[19]->clicked();
    EXPECT_TRUE(controller->LyricsLoaded());
    EXPECT_EQ(dialogs.messageTexts().first(), QStringLiteral("你确定要重新装载歌词吗?"));
}

TEST_F(LyricsControllerTest, PictureModeDrawsAtOnceAndTakesNewBackgroundsWithoutARestart) {
    writeStore("[00:01.00]one\r\n[00:02.00]two\r\n");
    controller->FindLyrics();
    ASSERT_EQ(player.playState(), MediaPlayer::Stopped);
    controller->setDisplayMode(2); // stopped: shown now, not at the next tick
    EXPECT_TRUE(ui.Picture7->isVisibleTo(&window));
    EXPECT_FALSE(ui.RichTextBox1->isVisibleTo(&window));
    // "bkground" is empty: no picture of it is shown yet.
    EXPECT_NE(ui.Image6->pixmap().toImage().pixel(0, 0), QColor(Qt::green).rgb());

    QImage picture(8, 6, QImage::Format_RGB32);
    picture.fill(Qt::green);
    QDir().mkpath(home.file(QStringLiteral("bkground")));
    ASSERT_TRUE(picture.save(home.file(QStringLiteral("bkground/added.png"))));
    controller->rereadBackgrounds();
    EXPECT_EQ(ui.Image6->pixmap().toImage().pixel(0, 0), QColor(Qt::green).rgb());
}

TEST_F(LyricsControllerTest, WordLineFillsWordByWordInTheBoxAndTheStrip) {
    writeStore("[00:01.00]<00:01.00>Sing <00:01.50>along <00:02.00>with <00:02.50>me<00:02.90>\r\n"
               "[00:03.00]plain\r\n");
    player.play();
    controller->FindLyrics();
    EXPECT_EQ(boxText(), QStringLiteral("\n[1.0]Sing along with me\n[3.0]plain\n\n"));
    window.resize(600, 400);
    window.show();
    controller->setDisplayMode(2);
    QLabel *strip = ui.Picture6[1];
    const qsizetype line = boxText().indexOf(QStringLiteral("Sing"));
    // Characters of the line in the highlight colour.
    auto boxLit = [&] {
        qsizetype lit = 0;
        while (lit < 18 && colourAt(line + lit) == ctx->settings.LyricHighlightColor)
            ++lit;
        return lit;
    };

    std::vector<int> pixels;
    std::vector<qsizetype> characters;
    for (int tenth = 10; tenth <= 29; ++tenth) {
        tickAt(tenth / 10.0);
        ASSERT_EQ(strip->text(), QStringLiteral("Sing along with me"));
        pixels.push_back(whitePixels(strip));
        characters.push_back(boxLit());
    }
    // The box: "Sing " lights over 0.5 s, a character every 0.1 s (a tick on the boundary may
    // still be a hair short of it), the whole line by 2.9 s.
    EXPECT_EQ(characters[0], 0);
    EXPECT_NEAR(double(characters[2]), 2.0, 1.0);
    EXPECT_NEAR(double(characters[5]), 5.0, 1.0);
    EXPECT_EQ(characters.back(), 18);
    // The strip: the lit part grows at every tick through the line and never shrinks.
    EXPECT_LT(pixels.front(), pixels.back() / 20);
    for (size_t k = 1; k < pixels.size(); ++k)
        EXPECT_GT(pixels[k], pixels[k - 1]) << "at " << (k + 10) / 10.0 << " s";
    for (size_t k = 1; k < characters.size(); ++k)
        EXPECT_GE(characters[k], characters[k - 1]);

    // A line without word times lights at once, as it always did.
    tickAt(3.0);
    ASSERT_EQ(strip->text(), QStringLiteral("plain"));
    EXPECT_GT(whitePixels(strip), 0);
    EXPECT_EQ(colourOf(QStringLiteral("plain")), ctx->settings.LyricHighlightColor);
    EXPECT_EQ(colourOf(QStringLiteral("Sing")), ctx->settings.LyricTextColor);
}

TEST_F(LyricsControllerTest, EditorKeepsTheWordTags) {
    const QByteArray file = "[00:01.00]<00:01.00>Sing <00:01.50>along\r\n"
                            "[00:03.00]one [00:03.40]two [00:03.90]\r\n";
    writeStore(file);
    controller->FindLyrics();
    EXPECT_EQ(boxText(), QStringLiteral("\n[1.0]Sing along\n[3.0]one two \n\n"));
    window.show();
    QTest::mouseClick(ui.XPButton[5], Qt::LeftButton);
    ASSERT_TRUE(controller->editing());
    EXPECT_EQ(ui.RichTextBox2->toPlainText(),
              QString::fromUtf8(file).replace(QLatin1String("\r\n"), QLatin1String("\n")));
    dialogs.answerMessage(Dialogs::Answer::Yes);
    QTest::mouseClick(ui.XPButton[5], Qt::LeftButton);
    EXPECT_FALSE(controller->editing());
    EXPECT_EQ(home.read(QStringLiteral("LRCS/") + LyricStore::storeFileName(track)), file);
    EXPECT_EQ(boxText(), QStringLiteral("\n[1.0]Sing along\n[3.0]one two \n\n"));
}

} // namespace
