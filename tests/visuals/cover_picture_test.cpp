#include "visuals/cover_picture.h"

#include "temp_home.h"

#include <QImage>
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

} // namespace
