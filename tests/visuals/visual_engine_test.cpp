// The visual engine's arithmetic on injected sample windows: levels, meter, map, transform,
// the styles and the random style change.
#include "visuals/capture_window.h"
#include "visuals/level_meter.h"
#include "visuals/picture_scaler.h"
#include "visuals/visual_engine.h"
#include "visuals/visual_styles.h"

#include <QPainter>
#include <cmath>
#include <gtest/gtest.h>
#include <set>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// A window of a stereo tone of `amplitude` (left and right in phase, 441 Hz at 44.1 kHz) whose
// newest frame is at a peak.
CaptureWindow sineWindow(double amplitude) {
    std::vector<int16_t> values(CaptureWindow::kSize);
    const int newest = CaptureWindow::kSize / 2 - 1;
    for (int k = 0; k < CaptureWindow::kSize; ++k)
        values[size_t(k)] =
            int16_t(std::lround(amplitude * std::cos(2 * M_PI * (k / 2 - newest) / 100.0)));
    CaptureWindow w;
    w.assign(values.data());
    return w;
}

VisualMath::Clock fixedClock(uint32_t ms) {
    return [ms] { return ms; };
}

TEST(CaptureWindow, LevelRuleRoundsAndShapes) {
    struct Case {
        int sample, level;
    } cases[] = {
        {0, 0},         {32767, 2160}, // v = 2160, sin(pi / 2)
        {-32768, 2160},                // magnitude counts
        {16384, 764},                  // v = 1080: 1080 x sin(pi / 4) = 763.68
        {100, 0},                      // v = 7: 7 x sin(0.0051) = 0.036
        {1000, 3},                     // v = 66: 66 x 0.0480 = 3.17
    };
    for (const Case &c : cases)
        EXPECT_EQ(CaptureWindow::level(c.sample), c.level) << c.sample;
}

TEST(CaptureWindow, SamplesTakeTheLouderOfTheNewestAndTheOlderFrame) {
    std::vector<int16_t> values(CaptureWindow::kSize, 0);
    auto at = [&](int d) -> int16_t & { return values[size_t(CaptureWindow::kSize - d)]; };
    at(2) = 100;    // newest left
    at(720) = -900; // older left, louder
    at(1) = 500;    // newest right
    at(719) = 400;  // older right, quieter
    CaptureWindow w;
    w.assign(values.data());
    EXPECT_EQ(w.leftSample(), -900);
    EXPECT_EQ(w.rightSample(), 500);
    EXPECT_EQ(sineWindow(0).leftSample(), 0);
    EXPECT_EQ(CaptureWindow::level(sineWindow(32767).leftSample()), 2160);
}

TEST(CaptureWindow, EngineWindowsPairAndOrderTheNewestValues) {
    std::vector<int16_t> values(CaptureWindow::kSize);
    for (int k = 0; k < CaptureWindow::kSize; ++k)
        values[size_t(k)] = int16_t(k - 720);
    CaptureWindow w;
    w.assign(values.data());
    float mono[512];
    int16_t raw[1024];
    w.fillMono(mono);
    w.fillRaw(raw);
    // raw(k) = W(1024 - k); W(d) is values[1440 - d].
    EXPECT_EQ(raw[0], values[1440 - 1024]);
    EXPECT_EQ(raw[1023], values[1439]);
    EXPECT_FLOAT_EQ(mono[0], float((values[1440 - 1024] + values[1440 - 1023]) / 65535.0));
    EXPECT_FLOAT_EQ(mono[511], float((values[1438] + values[1439]) / 65535.0));
    // Full-scale values sum without overflow.
    std::vector<int16_t> loud(CaptureWindow::kSize, 32767);
    w.assign(loud.data());
    w.fillMono(mono);
    EXPECT_NEAR(mono[100], 1.0, 1e-4);
}

TEST(LevelMeter, SilenceKeepsTheCoversAtRestAndTheMarkersSettle) {
    LevelMeter m;
    for (int tick = 0; tick < 5; ++tick) {
        m.fallBack();
        m.show(0, 0);
    }
    EXPECT_EQ(m.leftCover, -45);
    EXPECT_EQ(m.rightCover, 2145);
    EXPECT_EQ(m.leftMarker, 2085); // 30 units left of the left cover's inner edge
    EXPECT_EQ(m.rightMarker, 2145);
    // Switched off: the covers park and the markers fall back to rest.
    for (int tick = 0; tick < 3; ++tick) {
        m.fallBack();
        m.park();
    }
    EXPECT_TRUE(m.markersAtRest());
}

TEST(LevelMeter, MarkersHoldThePeakAndFallBack15PerTick) {
    LevelMeter m;
    m.fallBack();
    m.show(2160, 1000);
    EXPECT_EQ(m.leftCover, -2205);
    EXPECT_EQ(m.rightCover, 3145);
    EXPECT_EQ(m.leftMarker, -2205 + 2160 - 30);
    EXPECT_EQ(m.rightMarker, 3145);
    m.fallBack();
    m.show(100, 100); // quieter: the markers stay out, falling back
    EXPECT_EQ(m.leftMarker, -75 + 15);
    EXPECT_EQ(m.rightMarker, 3130);
    for (int tick = 0; tick < 400; ++tick)
        m.fallBack();
    EXPECT_TRUE(m.markersAtRest()); // never past the rest
}

TEST(VisualEngine, CountsAndOutOfRangeTransformsLeaveTheMap) {
    VisualMath::Random random(1);
    clsVisual e(random, fixedClock(0));
    EXPECT_EQ(e.TransCount(), 26);
    EXPECT_EQ(e.StyleCount(), 6);
    ASSERT_TRUE(e.BuildTrans(3));
    const clsVisual::MapEntry before = e.map(0, 0);
    EXPECT_FALSE(e.BuildTrans(26));
    EXPECT_FALSE(e.BuildTrans(-1));
    EXPECT_EQ(e.map(0, 0).x, before.x);
    EXPECT_EQ(e.map(0, 0).y, before.y);
    e.setDrawStyle(6);
    EXPECT_EQ(e.DrawStyle(), 0);
    EXPECT_EQ(e.scale(255, 255), 255);
    EXPECT_EQ(e.scale(200, 108), 84);
    EXPECT_FLOAT_EQ(e.sine(128), float(std::sin(128 * 3.1416 / 256)));
}

TEST(VisualEngine, TransformsPlaceTheirSources) {
    VisualMath::Random random(1);
    clsVisual e(random, fixedClock(0));
    struct Case {
        int n, i, j, x, y;
    } cases[] = {
        {3, 0, 0, 5, 4},      // zoom: 0 + 0.1 x 50, 0 + 0.1 x 37.5 = 3.75
        {3, 99, 74, 94, 70},  // 99 - 4.9 = 94.1, 74 - 3.65 = 70.35
        {9, 10, 20, 12, 24},  // 10 + 0.1 x 17.5 = 11.75, 20 + 0.1 x 40
        {16, 7, 3, 9, 3},     // 7 + 2 sin(1.5) = 8.995
        {18, 5, 74, 3, 75},   // 5 + 2 sin(74) = 3.03; one row up leaves the picture
        {0, 0, 0, 0, 0},      // sin(0) = 0
        {10, 50, 37, 50, 37}, // at the centre nothing turns
    };
    for (const Case &c : cases) {
        ASSERT_TRUE(e.BuildTrans(c.n));
        EXPECT_EQ(e.map(c.i, c.j).x, c.x) << "n " << c.n << " (" << c.i << "," << c.j << ")";
        EXPECT_EQ(e.map(c.i, c.j).y, c.y) << "n " << c.n << " (" << c.i << "," << c.j << ")";
    }
}

TEST(VisualEngine, EveryTransformStaysInRangeAndTheTangentSaturates) {
    VisualMath::Random random(1);
    clsVisual e(random, fixedClock(0));
    int saturated = 0;
    for (int n = 0; n < e.TransCount(); ++n) {
        ASSERT_TRUE(e.BuildTrans(n));
        e.Transform(); // reads through every map entry (ASan checks the reach)
        if (n != 12 && n != 13) continue;
        for (int j = 0; j < clsVisual::kHeight; ++j) {
            for (int i = 0; i < clsVisual::kWidth; ++i) {
                const clsVisual::MapEntry m = e.map(i, j);
                if (m.x == 32767 || m.x == -32768 || m.y == 32767 || m.y == -32768) ++saturated;
            }
        }
    }
    EXPECT_GT(saturated, 0) << "near the poles of tan the sources run past 16 bits";
}

TEST(VisualEngine, TransformBlursInsideDimsEdgesAndKeepsOutsidePixels) {
    VisualMath::Random random(1);
    clsVisual e(random, fixedClock(0));
    auto grey = [&](int x, int row) { return e.picture().constScanLine(row)[3 * x]; };
    struct Case {
        int n;        // -1: the map before any BuildTrans (every pixel its own source)
        int x, row;   // picture position, top-down
        int expected; // after one step from a uniform 200
    } cases[] = {
        {-1, 50, 37, 196}, // 108/255 + 4 x 36/255: 84 + 4 x 28
        {-1, 0, 37, 150},  // left edge: 192/255
        {-1, 50, 74, 150}, // bottom edge
        {18, 30, 0, 150},  // source above the top row: the pixel itself, dimmed
    };
    for (const Case &c : cases) {
        if (c.n >= 0) {
            ASSERT_TRUE(e.BuildTrans(c.n));
        }
        e.picture().fill(QColor(200, 200, 200));
        e.Transform();
        EXPECT_EQ(grey(c.x, c.row), c.expected) << "n " << c.n << " at " << c.x << "," << c.row;
    }
    // A still picture fades away.
    e.picture().fill(QColor(255, 255, 255));
    for (int k = 0; k < 400; ++k)
        e.Transform();
    EXPECT_LT(grey(50, 37), 40);
}

TEST(VisualMath, ColourCycleTurnsThroughTheHuesEverySixSeconds) {
    struct Case {
        uint32_t ms;
        QColor colour;
    } cases[] = {
        {0, QColor(255, 0, 255)},    // hue -1: magenta
        {1000, QColor(255, 0, 0)},   // red
        {1500, QColor(255, 128, 0)}, // half way to yellow (127.5 to even)
        {3000, QColor(0, 255, 0)},   // green
        {5000, QColor(0, 0, 255)},   // blue
        {7000, QColor(255, 0, 0)},   // the next turn
    };
    for (const Case &c : cases)
        EXPECT_EQ(VisualMath::colourCycle(c.ms), c.colour) << c.ms;
}

// Draws one tick of `style` from `window` with fixed chance and time.
QImage drawStyle(int style, const CaptureWindow &window) {
    VisualMath::Random random(7);
    VisualStyles styles(random, fixedClock(123456));
    styles.setRandomMode(false);
    styles.setStyle(style);
    const int left = CaptureWindow::level(window.leftSample());
    const int right = CaptureWindow::level(window.rightSample());
    for (int tick = 0; tick < 3; ++tick)
        styles.draw(window, left, right);
    return styles.box().copy();
}

TEST(VisualStyles, SilenceDrawsTheFlatWaveTracesInDarkGrey) {
    const QImage box = drawStyle(1, sineWindow(0));
    const QRgb grey = qRgb(64, 64, 64);
    for (int x = 1; x < 288; x += 17) {
        EXPECT_EQ(box.pixel(x, 53), grey) << x;
        EXPECT_EQ(box.pixel(x, 161), grey) << x;
        EXPECT_EQ(box.pixel(x, 52), qRgb(0, 0, 0)) << x;
        EXPECT_EQ(box.pixel(x, 100), qRgb(0, 0, 0)) << x;
    }
}

TEST(VisualStyles, EveryStyleDrawsTheToneDifferentlyFromSilence) {
    const CaptureWindow silence = sineWindow(0), tone = sineWindow(20000);
    for (int style = 1; style <= 9; ++style)
        EXPECT_NE(drawStyle(style, silence), drawStyle(style, tone)) << "style " << style;
}

TEST(VisualStyles, RandomModeChangesEvery101TicksNeverToTheSameStyle) {
    VisualMath::Random random(99);
    VisualStyles styles(random, fixedClock(0));
    styles.setRandomMode(true);
    styles.setStyle(1);
    const CaptureWindow window = sineWindow(1000);
    std::set<int> seen{1};
    int previous = 1, sinceChange = 0, changes = 0;
    for (int tick = 0; tick < 101 * 30; ++tick) {
        styles.draw(window, 10, 10);
        ++sinceChange;
        if (styles.style() != previous) {
            EXPECT_EQ(sinceChange, 101) << "tick " << tick;
            sinceChange = 0;
            ++changes;
            previous = styles.style();
            seen.insert(previous);
        }
    }
    EXPECT_EQ(changes, 30); // every change was a different style
    EXPECT_EQ(seen.size(), 9u);
}

TEST(VisualStyles, AnOutOfRangeStyleBecomesTheWaveAndDrawsNothing) {
    VisualMath::Random random(1);
    VisualStyles styles(random, fixedClock(0));
    styles.setRandomMode(false);
    styles.setStyle(12);
    const QImage before = styles.box().copy();
    styles.draw(sineWindow(20000), 100, 100);
    EXPECT_EQ(styles.style(), 1);
    EXPECT_EQ(styles.box(), before);
}

TEST(LyricPainter, LinesScrollOutAndBlankLinesGetTheirStandIns) {
    struct Case {
        QString prev, cur, next;
        int x, step, limit;
        QString prevAfter, curAfter;
        int xAfter;
        bool nextReplaced;
    } cases[] = {
        {u""_s, u"第一行"_s, u"第二行"_s, 30, 2, 100, u" Lyravox "_s, u"第一行"_s, 28, false},
        // Gone past its limit: it becomes the previous line and the welcome text enters.
        {u"甲"_s, u"乙"_s, u""_s, -101, 3, 100, u"乙"_s, u""_s, 97, true},
        {u"甲"_s, u"乙"_s, u" "_s, -100, 3, 100, u"甲"_s, u"乙"_s, -103, true},
    };
    for (const Case &c : cases) {
        VisualMath::Random random(1);
        clsVisual e(random, fixedClock(0));
        QString prev = c.prev, cur = c.cur, next = c.next;
        int x = c.x;
        e.CalcLrc(prev, cur, next, x, c.step, c.limit);
        EXPECT_EQ(prev, c.prevAfter);
        EXPECT_EQ(cur, c.curAfter);
        EXPECT_EQ(x, c.xAfter);
        EXPECT_EQ(next != c.next, c.nextReplaced);
        EXPECT_FALSE(next.trimmed().isEmpty());
    }
}

TEST(LyricPainter, DrawsTheLinesIntoThePicture) {
    VisualMath::Random random(1);
    clsVisual e(random, fixedClock(2000));
    QString prev, cur = QStringLiteral("当前一行歌词"), next;
    int x = 20;
    const QImage black = e.picture().copy();
    e.CalcLrc(prev, cur, next, x, 1, 200);
    EXPECT_NE(e.picture(), black);
    QImage big(334, 240, QImage::Format_RGB32);
    big.fill(Qt::black);
    QPainter painter(&big);
    e.PaintPicture(painter, big.size());
    painter.end();
    int lit = 0;
    for (int y = 0; y < big.height(); ++y)
        for (int px = 0; px < big.width(); ++px)
            lit += big.pixel(px, y) != qRgb(0, 0, 0);
    EXPECT_GT(lit, 200) << "the enlarged lines cover the target";
}

TEST(LyricPainter, WordWipeLightsTheCurrentLineFromTheLeft) {
    const QString cur = QStringLiteral("当前一行歌词");
    LyricLineWords words; // one character a second
    for (qsizetype k = 0; k < cur.size(); ++k)
        words.push_back({k, 1, double(k), double(k + 1)});
    const QColor unlit(150, 150, 255);
    const QColor c = VisualMath::colourCycle(2000);
    const QColor lit(255 - c.red(), 255 - c.green(), 255 - c.blue());
    auto distance = [](QRgb p, const QColor &q) {
        return std::abs(qRed(p) - q.red()) + std::abs(qGreen(p) - q.green()) +
               std::abs(qBlue(p) - q.blue());
    };
    // Pixels of the current line's band nearer the lit colour, and nearer the unlit one.
    std::vector<int> litPixels, unlitPixels;
    for (double position = 0.0; position <= 6.0; position += 0.5) {
        VisualMath::Random random(1);
        clsVisual e(random, fixedClock(2000));
        QString prev, line = cur, next;
        int x = 2;
        e.CalcLrc(prev, line, next, x, 0, 200, WordWipe(cur, &words, position), unlit);
        int litCount = 0, unlitCount = 0;
        for (int y = 32; y < 62 && y < e.picture().height(); ++y)
            for (int px = 0; px < e.picture().width(); ++px) {
                const QRgb p = e.picture().pixel(px, y);
                if (distance(p, lit) < 60) ++litCount;
                if (distance(p, unlit) < 60) ++unlitCount;
            }
        litPixels.push_back(litCount);
        unlitPixels.push_back(unlitCount);
    }
    EXPECT_EQ(litPixels.front(), 0);
    EXPECT_EQ(unlitPixels.back(), 0);
    EXPECT_GT(litPixels.back(), 20);
    for (size_t k = 1; k < litPixels.size(); ++k) {
        EXPECT_GE(litPixels[k], litPixels[k - 1]) << k;
        EXPECT_LE(unlitPixels[k], unlitPixels[k - 1]) << k;
    }
    // Halfway through the line both colours are there.
    EXPECT_GT(litPixels[6], 0);
    EXPECT_GT(unlitPixels[6], 0);
}

// A source whose every pixel has its own colour, in either layout the engine hands over.
QImage numbered(int w, int h, QImage::Format format) {
    QImage image(w, h, format);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(40 * x % 256, 60 * y % 256, (x * 7 + y * 13) % 256));
    return image;
}

TEST(PictureScaler, NearestGivesEachSourcePixelItsBlock) {
    struct Case {
        QSize from, to;
        QImage::Format format;
    } cases[] = {
        {{4, 3}, {12, 9}, QImage::Format_RGB888},         // whole-number factor
        {{4, 3}, {10, 7}, QImage::Format_RGB32},          // uneven blocks
        {{100, 75}, {1920, 1080}, QImage::Format_RGB888}, // the engine picture over a screen
        {{6, 4}, {3, 2}, QImage::Format_RGB888},          // reduced
        {{5, 5}, {5, 5}, QImage::Format_Indexed8},        // converted first
    };
    for (const Case &c : cases) {
        QImage source = numbered(c.from.width(), c.from.height(), QImage::Format_RGB32);
        if (c.format == QImage::Format_Indexed8)
            source = source.convertToFormat(c.format, Qt::ThresholdDither);
        else
            source = source.convertToFormat(c.format);
        PictureScaler scaler;
        const QImage out = scaler.scale(source, c.to);
        ASSERT_EQ(out.size(), c.to);
        int wrong = 0;
        for (int y = 0; y < c.to.height(); ++y)
            for (int x = 0; x < c.to.width(); ++x) {
                // The source pixel under the output pixel's centre.
                const int sx = (2 * x + 1) * c.from.width() / (2 * c.to.width());
                const int sy = (2 * y + 1) * c.from.height() / (2 * c.to.height());
                wrong += out.pixel(x, y) != (source.pixel(sx, sy) | 0xff000000u);
            }
        EXPECT_EQ(wrong, 0) << c.from.width() << "x" << c.from.height() << " to " << c.to.width()
                            << "x" << c.to.height();
    }
}

TEST(PictureScaler, SmoothBlendsNeighboursAndKeepsFlatAreasAndEdges) {
    // Two columns, black and white: the output runs from black through grey to white.
    QImage source(2, 2, QImage::Format_RGB888);
    source.setPixel(0, 0, qRgb(0, 0, 0));
    source.setPixel(0, 1, qRgb(0, 0, 0));
    source.setPixel(1, 0, qRgb(255, 255, 255));
    source.setPixel(1, 1, qRgb(255, 255, 255));
    PictureScaler scaler;
    const QImage out = scaler.scale(source, QSize(8, 4), PictureScaler::Filter::Smooth);
    ASSERT_EQ(out.size(), QSize(8, 4));
    int previous = -1;
    for (int x = 0; x < 8; ++x) {
        const int grey = qRed(out.pixel(x, 1));
        EXPECT_GE(grey, previous) << x;                   // never darker to the right
        EXPECT_EQ(out.pixel(x, 0), out.pixel(x, 3)) << x; // equal rows stay equal
        EXPECT_EQ(qRed(out.pixel(x, 1)), qBlue(out.pixel(x, 1))) << x;
        previous = grey;
    }
    EXPECT_EQ(qRed(out.pixel(0, 0)), 0); // the edges keep the source pixels
    EXPECT_EQ(qRed(out.pixel(7, 0)), 255);
    EXPECT_NEAR(qRed(out.pixel(3, 0)) + qRed(out.pixel(4, 0)), 255, 2); // symmetric middle

    // A flat picture stays exactly flat; the result is reused from frame to frame.
    QImage flat(100, 75, QImage::Format_RGB888);
    flat.fill(QColor(12, 200, 77));
    const QImage &first = scaler.scale(flat, QSize(288, 216), PictureScaler::Filter::Smooth);
    const uchar *bits = first.constBits();
    const QImage &again = scaler.scale(flat, QSize(288, 216), PictureScaler::Filter::Smooth);
    EXPECT_EQ(again.constBits(), bits) << "a new result per frame";
    int off = 0;
    for (int y = 0; y < again.height(); ++y)
        for (int x = 0; x < again.width(); ++x)
            off += again.pixel(x, y) != qRgb(12, 200, 77);
    EXPECT_EQ(off, 0);
    EXPECT_TRUE(scaler.scale(QImage(), QSize(10, 10)).isNull());
    EXPECT_TRUE(scaler.scale(flat, QSize(0, 10)).isNull());
}

} // namespace
