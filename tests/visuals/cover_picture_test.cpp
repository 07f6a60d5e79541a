#include "visuals/cover_picture.h"

#include "scripted_dialogs.h"
#include "temp_home.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

TEST(CoverPicture, PlacementStretchesOrKeepsProportions) {
    const QSize box(288, 216);
    struct Case {
        QSize natural;
        bool stretch;
        QRect expected;
    } cases[] = {
        {{400, 400}, false, {36, 0, 216, 216}}, // taller than 3:4: full height, centred
        {{800, 300}, false, {0, 54, 288, 108}}, // wider: full width, centred
        {{400, 300}, false, {0, 0, 288, 216}},  // exactly 4:3
        {{400, 400}, true, {0, 0, 288, 216}},
        {{0, 0}, false, {0, 0, 288, 216}}, // nothing to keep in proportion
    };
    for (const Case &c : cases)
        EXPECT_EQ(CoverPicture::placement(c.natural, box, c.stretch), c.expected)
            << c.natural.width() << "x" << c.natural.height() << " stretch " << c.stretch;
}

TEST(CoverPicture, ModeChoosesTheUsersPictureOrTheDefaultAndZeroHidesIt) {
    TempHome home;
    QImage user(40, 30, QImage::Format_RGB32);
    user.fill(Qt::red);
    ASSERT_TRUE(user.save(home.file(QStringLiteral("userdefine.pic")), "PNG"));
    QImage builtIn(30, 30, QImage::Format_RGB32);
    builtIn.fill(Qt::blue);
    ASSERT_TRUE(builtIn.save(home.file(QStringLiteral("default.pic")), "BMP"));

    AppContext ctx{home.paths()};
    QWidget box;
    box.resize(288, 216);
    auto *picture = new QLabel(&box);
    box.show();
    CoverPicture cover(ctx, &box, picture);
    ctx.settings.CoverPictureMode = 2;
    ctx.settings.PictureStretch = 0;
    cover.reload();
    EXPECT_EQ(cover.defaultPicture().pixel(0, 0), QColor(Qt::red).rgb());
    EXPECT_EQ(picture->geometry(), QRect(0, 0, 288, 216));
    EXPECT_TRUE(picture->isVisible());

    ctx.settings.CoverPictureMode = 1;
    cover.reload();
    EXPECT_EQ(cover.defaultPicture().pixel(0, 0), QColor(Qt::blue).rgb());
    EXPECT_EQ(picture->geometry(), QRect(36, 0, 216, 216));
    ctx.settings.PictureStretch = 1;
    cover.layout();
    EXPECT_EQ(picture->geometry(), QRect(0, 0, 288, 216));

    ctx.settings.CoverPictureMode = 0;
    cover.reload();
    EXPECT_FALSE(picture->isVisible());
}

TEST(CoverPicture, PictureNamesFollowTheLyricStoreRule) {
    struct Case {
        QString track, name;
    } cases[] = {
        {QStringLiteral("C:\\Music\\a.mp3"), QStringLiteral("PICS/C-_Music_a.mp3.pic")},
        {QStringLiteral("/home/a/b.mp3"), QStringLiteral("PICS/_home_a_b.mp3.pic")},
        {QStringLiteral("/") + QString(200, QLatin1Char('x')),
         QStringLiteral("PICS/") + QString(150, QLatin1Char('x')) + QStringLiteral(".pic")},
    };
    for (const Case &c : cases)
        EXPECT_EQ(CoverPicture::pictureFileName(c.track), c.name) << c.track.toStdString();
}

// A loaded track with a picture box; `chosen` is the file the open dialog answers with.
struct TrackPictureFixture : ::testing::Test {
    TempHome home;
    ScriptedDialogs dialogs;
    AppContext ctx{home.paths()};
    QWidget box;
    QLabel *picture = new QLabel(&box);
    CoverPicture cover{ctx, &box, picture};
    const QString track = QStringLiteral("/music/song.mp3");
    int pauses = 0, resumes = 0;

    TrackPictureFixture() {
        ctx.dialogs = &dialogs;
        box.resize(288, 216);
        box.show();
        ctx.settings.PictureStretch = 0;
        cover.hooks().currentTrack = [this] { return track; };
        cover.hooks().pauseWhenPlaying = [this] { return ++pauses > 0; };
        cover.hooks().resume = [this] { ++resumes; };
        QDir().mkpath(home.file(QStringLiteral("PICS")));
    }
    QString target() const { return home.file(CoverPicture::pictureFileName(track)); }
    QString writePicture(const QString &name, QColor colour, QSize size = {400, 400}) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(colour);
        const QString path = home.file(name);
        image.save(path, "PNG");
        return path;
    }
};

TEST_F(TrackPictureFixture, TheTracksOwnPictureShowsInProportion) {
    writePicture(CoverPicture::pictureFileName(track), Qt::green);
    cover.showTrackPicture();
    EXPECT_EQ(cover.currentPicturePath(), target());
    EXPECT_EQ(picture->geometry(), QRect(36, 0, 216, 216)); // 540 twips from the left
    EXPECT_EQ(cover.trackPicture().pixel(0, 0), QColor(Qt::green).rgb());
}

TEST_F(TrackPictureFixture, TheReplaceQuestionIsAnsweredBothWays) {
    struct Case {
        Dialogs::Answer answer;
        QRgb stored;
    } cases[] = {
        {Dialogs::Answer::No, QColor(Qt::green).rgb()}, // the old picture stays
        {Dialogs::Answer::Yes, QColor(Qt::red).rgb()},
    };
    for (const Case &c : cases) {
        writePicture(CoverPicture::pictureFileName(track), Qt::green);
        dialogs.answerOpen({writePicture(QStringLiteral("new.png"), Qt::red)});
        dialogs.answerMessage(c.answer);
        cover.replacePicture();
        EXPECT_EQ(dialogs.messageTexts().last(),
                  QStringLiteral("你要保存当前的图片文件来替换原来的图片文件吗?"));
        QImageReader reader(target());
        reader.setDecideFormatFromContent(true);
        EXPECT_EQ(reader.read().pixel(5, 5), c.stored);
        EXPECT_EQ(cover.trackPicture().pixel(5, 5), c.stored) << "the box shows the kept one";
    }
    EXPECT_EQ(pauses, 2);
    EXPECT_EQ(resumes, 2);
}

TEST_F(TrackPictureFixture, ANewPictureIsStoredWithoutAQuestionAndACancelResumes) {
    dialogs.answerOpen({writePicture(QStringLiteral("new.png"), Qt::red)});
    cover.replacePicture();
    EXPECT_TRUE(dialogs.messageTexts().isEmpty());
    EXPECT_TRUE(QFile::exists(target()));
    EXPECT_EQ(cover.currentPicturePath(), target());
    cover.replacePicture(); // nothing scripted: the dialog is cancelled
    EXPECT_EQ(resumes, 2);
}

} // namespace
