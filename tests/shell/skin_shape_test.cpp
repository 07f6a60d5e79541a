#include "shell/skin_shape.h"

#include <gtest/gtest.h>

TEST(SkinShape, RunsOfNonWhitePixelsFormTheRegionExceptTheLastRow) {
    QImage img(6, 3, QImage::Format_RGB32);
    img.fill(Qt::white);
    img.setPixel(1, 0, qRgb(0, 0, 0));
    img.setPixel(2, 0, qRgb(254, 255, 255)); // not pure white: part of the window
    img.setPixel(4, 0, qRgb(10, 10, 10));
    img.setPixel(0, 1, qRgb(1, 2, 3));
    img.setPixel(5, 2, qRgb(1, 2, 3)); // last row never belongs to the window
    const QRegion r = SkinShape::regionFor(img);
    EXPECT_TRUE(r.contains(QPoint(1, 0)));
    EXPECT_TRUE(r.contains(QPoint(2, 0)));
    EXPECT_FALSE(r.contains(QPoint(3, 0)));
    EXPECT_TRUE(r.contains(QPoint(4, 0)));
    EXPECT_TRUE(r.contains(QPoint(0, 1)));
    EXPECT_FALSE(r.contains(QPoint(1, 1)));
    EXPECT_FALSE(r.contains(QPoint(5, 2)));
    EXPECT_EQ(r.rectCount(), 3);
}

TEST(SkinShape, WhiteIgnoresTheAlphaByteAndTheDefaultSkinIsRounded) {
    EXPECT_TRUE(SkinShape::isTransparent(0x00FFFFFFu));
    EXPECT_TRUE(SkinShape::isTransparent(0xFFFFFFFFu));
    EXPECT_FALSE(SkinShape::isTransparent(0xFFFFFFFEu));
    const QImage skin = SkinShape::defaultSkin(200, 100);
    const QRegion r = SkinShape::regionFor(skin);
    EXPECT_FALSE(r.contains(QPoint(0, 0)));   // rounded corner cut away
    EXPECT_TRUE(r.contains(QPoint(100, 50))); // the face
    EXPECT_TRUE(r.contains(QPoint(0, 50)));   // the left edge
}
