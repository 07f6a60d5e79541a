// The full-screen painter view's surface on a real X server: whether the server enlarges the
// frame (RENDER) or the player does, the screen shows every source pixel as its block, and
// every new frame and new size reaches the screen.
#include "real_input.h"
#include "visuals/stretched_picture.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QImage numbered(int w, int h, int shift) {
    QImage image(w, h, QImage::Format_RGB888);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(
                x, y, qRgb((40 * x + shift) % 256, (60 * y + shift) % 256, (x * 7 + y * 13) % 256));
    return image;
}

// Source pixels whose block centre on the screen does not show their colour.
int wrongBlocks(QWidget &surface, const QImage &picture) {
    const QImage shot = QGuiApplication::primaryScreen()
                            ->grabWindow(surface.window()->winId())
                            .toImage()
                            .convertToFormat(QImage::Format_RGB32);
    const QPoint origin = surface.mapTo(surface.window(), QPoint(0, 0));
    int wrong = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const int cx = origin.x() + (2 * x + 1) * surface.width() / (2 * picture.width());
            const int cy = origin.y() + (2 * y + 1) * surface.height() / (2 * picture.height());
            wrong += shot.pixel(cx, cy) != (picture.pixel(x, y) | 0xff000000u);
        }
    return wrong;
}

TEST(StretchedPicture, TheScreenShowsEveryBlockOfEachFrameAtEachSize) {
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    for (const bool server : {true, false}) {
        QImage picture = numbered(100, 75, 0);
        QWidget window;
        StretchedPicture surface([&picture] { return &picture; }, &window);
        // Without the server's help the widget paints through the backing store.
        if (!server) surface.setAttribute(Qt::WA_PaintOnScreen, false);
        window.resize(1000, 750);
        surface.setGeometry(0, 0, 1000, 750);
        showActive(&window);
        EXPECT_TRUE(QTest::qWaitFor([&] { return wrongBlocks(surface, picture) == 0; }, 3000))
            << "server " << server << ": " << wrongBlocks(surface, picture) << " wrong blocks";
        EXPECT_EQ(surface.serverScaled(), server);

        // The next frame replaces the picture on the screen.
        picture = numbered(100, 75, 90);
        surface.update();
        EXPECT_TRUE(QTest::qWaitFor([&] { return wrongBlocks(surface, picture) == 0; }, 3000))
            << "server " << server << ", next frame: " << wrongBlocks(surface, picture);

        // Another size: the blocks follow it.
        window.resize(640, 360);
        surface.setGeometry(0, 0, 640, 360);
        EXPECT_TRUE(QTest::qWaitFor([&] { return wrongBlocks(surface, picture) == 0; }, 3000))
            << "server " << server << ", resized: " << wrongBlocks(surface, picture);
    }
}

TEST(StretchedPicture, NoFrameYetShowsBlack) {
    QWidget window;
    StretchedPicture surface([] { return nullptr; }, &window);
    window.resize(300, 200);
    surface.setGeometry(0, 0, 300, 200);
    showActive(&window);
    auto blackPoints = [&] {
        const QImage shot = QGuiApplication::primaryScreen()->grabWindow(window.winId()).toImage();
        int black = 0;
        for (int y = 5; y < 200; y += 20)
            for (int x = 5; x < 300; x += 20)
                black += (shot.pixel(x, y) & 0xffffffu) == 0;
        return black;
    };
    EXPECT_TRUE(QTest::qWaitFor([&] { return blackPoints() == 150; }, 3000)) << blackPoints();
}

} // namespace
