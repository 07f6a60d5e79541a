#include "visuals/visual_engine.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPolygon>
#include <cmath>
#include <cstring>

using VisualMath::inint;
using VisualMath::saturate16;

namespace {

struct Trans {
    int kind;
    double p, q;
};
constexpr Trans kTrans[26] = {
    {0, 5, 3},      {0, 10, 2},     {1, 5, 2},       {2, 0.1, 0},  {2, -0.1, 0},  {2, 0.1, 0.1},
    {2, -0.1, 0.1}, {2, 0.1, -0.1}, {2, -0.1, -0.1}, {3, 0.1, 0},  {4, 0.1, 0.2}, {4, 0.5, 0.2},
    {5, 0.1, 0.2},  {5, 0.5, 0.2},  {6, 3, 0.2},     {6, 5, 0.1},  {7, 0, 0.5},   {1, 2, 1},
    {7, 1, 1},      {3, -0.1, 0},   {7, -1, 1},      {8, 3, 0.25}, {8, 2, 0.5},   {8, 1, -0.5},
    {9, 2, 0.25},   {9, 2, 0.1},
};

constexpr int kPixels = clsVisual::kWidth * clsVisual::kHeight;

// Byte offset of a pixel given in storage order (row 0 at the bottom) in the top-down picture.
constexpr int32_t offsetOf(int column, int storageRow) {
    return (clsVisual::kHeight - 1 - storageRow) * clsVisual::kRowBytes + column * 3;
}

const QString kSignature = QStringLiteral("♪ Lyravox 与你同唱 ♪");
const QString kWelcome = QStringLiteral("欢迎使用 Lyravox");

} // namespace

clsVisual::clsVisual(VisualMath::Random &random, VisualMath::Clock clock)
    : m_random(random), m_clock(std::move(clock)),
      m_picture(kWidth, kHeight, QImage::Format_RGB888), m_work(size_t(kRowBytes * kHeight)),
      m_scale(256 * 256), m_map(kPixels), m_sourceOffset(kPixels), m_sourceKind(kPixels) {
    m_picture.fill(Qt::black);
    for (int a = 0; a < 256; ++a)
        for (int b = 0; b < 256; ++b)
            m_scale[size_t(a * 256 + b)] = uint8_t(a * b / 255);
    for (int k = 0; k < 512; ++k)
        m_sine[size_t(k)] = float(std::sin(k * 3.1416 / 256));
    // Until the first BuildTrans every pixel keeps its place.
    for (int j = 0; j < kHeight; ++j)
        for (int i = 0; i < kWidth; ++i)
            m_map[size_t(j * kWidth + i)] = {int16_t(i), int16_t(j)};
    compileMap();
}

void clsVisual::setDrawStyle(int style) {
    if (style >= 0 && style < StyleCount()) m_drawStyle = style;
}

bool clsVisual::BuildTrans(int n) {
    if (n < 0 || n >= TransCount()) return false;
    buildMap(kTrans[n].kind, kTrans[n].p, kTrans[n].q);
    compileMap();
    return true;
}

void clsVisual::buildMap(int kind, double p, double q) {
    for (int j = 0; j < kHeight; ++j) {
        for (int i = 0; i < kWidth; ++i) {
            const double dx = 50.0 - i, dy = 37.5 - j;
            double x = i, y = j;
            switch (kind) {
            case 0:
                x = i + q * std::sin(j / p), y = j + q * std::sin(i / p);
                break;
            case 1:
                x = i + q * std::sin(i / p), y = j + q * std::sin(j / p);
                break;
            case 2:
                x = i + p * dx - q * dy, y = j + p * dy + q * dx;
                break;
            case 3:
                x = i + p * dy, y = j + p * dx;
                break;
            case 4: {
                const float a = float(q * std::sin(p * std::sqrt(dx * dx + dy * dy)));
                x = 50 + std::cos(a) * (i - 50) - std::sin(a) * (j - 37.5);
                y = 37.5 + std::sin(a) * (i - 50) + std::cos(a) * (j - 37.5);
                break;
            }
            case 5: {
                // Near the poles of tan the source lies far outside: saturated, not wrapped.
                const float a = float(q * std::tan(p * std::sqrt(dx * dx + dy * dy)));
                x = i + double(a) * dx, y = j + double(a) * dy;
                break;
            }
            case 6: {
                const float a = float(q * std::cos(2 * p * std::atan(dx / dy)));
                x = i + double(a) * dx, y = j + double(a) * dy;
                break;
            }
            case 7:
                x = i + 2 * std::sin(q * j), y = j + p;
                break;
            case 8:
                x = i + p * std::sin(q * dx) * std::cos(q * dy);
                y = j + p * std::cos(q * dx) * std::sin(q * dy);
                break;
            case 9:
                x = i + p * std::sin(q * dx) * std::sin(q * dy);
                y = j + p * std::cos(q * dx) * std::cos(q * dy);
                break;
            default:
                break;
            }
            m_map[size_t(j * kWidth + i)] = {saturate16(x), saturate16(y)};
        }
    }
}

void clsVisual::compileMap() {
    for (int j = 0; j < kHeight; ++j) {
        for (int i = 0; i < kWidth; ++i) {
            const size_t d = size_t(j * kWidth + i);
            const int x = m_map[d].x, y = m_map[d].y;
            if (x >= 1 && x <= kWidth - 2 && y >= 1 && y <= kHeight - 2) {
                m_sourceKind[d] = Source::Inner;
                m_sourceOffset[d] = offsetOf(x, y);
            } else if (x >= 0 && x < kWidth && y >= 0 && y < kHeight) {
                m_sourceKind[d] = Source::Edge;
                m_sourceOffset[d] = offsetOf(x, y);
            } else {
                m_sourceKind[d] = Source::Outside;
                m_sourceOffset[d] = offsetOf(i, j);
            }
        }
    }
}

void clsVisual::Transform() {
    const uint8_t *src = m_picture.constBits();
    const uint8_t *t108 = &m_scale[108], *t36 = &m_scale[36], *t192 = &m_scale[192];
    uint8_t *work = m_work.data();
    for (int j = 0; j < kHeight; ++j) {
        for (int i = 0; i < kWidth; ++i) {
            const size_t d = size_t(j * kWidth + i);
            uint8_t *out = work + offsetOf(i, j);
            const uint8_t *s = src + m_sourceOffset[d];
            if (m_sourceKind[d] == Source::Inner) {
                for (int c = 0; c < 3; ++c)
                    out[c] = uint8_t(t108[s[c] * 256] + t36[s[c + 3] * 256] + t36[s[c - 3] * 256] +
                                     t36[s[c + kRowBytes] * 256] + t36[s[c - kRowBytes] * 256]);
            } else {
                for (int c = 0; c < 3; ++c)
                    out[c] = t192[s[c] * 256];
            }
        }
    }
    std::memcpy(m_picture.bits(), work, m_work.size());
}

void clsVisual::Calc() {
    Transform();
    QPainter painter(&m_picture);
    painter.setBrush(Qt::NoBrush);
    painter.setRenderHint(QPainter::Antialiasing, false);
    drawStyle(painter);
}

QPoint clsVisual::place(double x0, double y0, int angle) const {
    if (angle == 0) return QPoint(inint(x0 + 50), inint(y0 + 37.5));
    const double s = sine(angle % 512), co = sine((angle + 128) % 512);
    return QPoint(inint(x0 * co - y0 * s + 50), inint(x0 * s + y0 * co + 37.5));
}

void clsVisual::drawOutline(QPainter &painter, int offset, int angle) const {
    std::array<QPoint, 34> points;
    for (int k = 0; k < 34; ++k)
        points[size_t(k)] = place(4 * k - 66, m_raw[size_t(31 * k)] * 0.0005 + offset, angle);
    painter.drawPolyline(points.data(), int(points.size()));
}

void clsVisual::drawFigure(QPainter &painter, double centreOffset, double baseRadius,
                           int angle) const {
    std::array<QPoint, 34> points;
    for (int k = 0; k < 34; ++k) {
        const double r = m_raw[size_t(31 * k)] * 0.0002 + baseRadius;
        const double g = k * 6.28 / 34;
        points[size_t(k)] = place(r * std::cos(g), r * std::sin(g) + centreOffset, angle);
    }
    painter.drawPolygon(points.data(), int(points.size()));
}

void clsVisual::drawStyle(QPainter &painter) {
    auto pen = [&](const QColor &c) { painter.setPen(QPen(c, 1, Qt::SolidLine)); };
    auto t = [this] { return int(m_clock() / 13); };
    switch (m_drawStyle) {
    case 0: // water rings
        for (int k = 0; k < 10; ++k) {
            const int a = m_random.below(512);
            const double m = m_mono[size_t(a)];
            if (m <= 0.05) continue;
            const double red = VisualMath::nint(m * 100 + m_random.next() * 100);
            const double blue = VisualMath::nint(m_random.next() * 100 + a / 2);
            pen(VisualMath::rgb(red, 2 * a, blue));
            const double r = m * 25 + a / 5;
            const int left = inint(50 - 2 * r), top = inint(37 - r);
            painter.drawEllipse(QRect(left, top, inint(2 * r + 50) - left, inint(r + 37) - top));
        }
        break;
    case 1: // two lines
        pen(VisualMath::colourCycle(m_clock()));
        drawOutline(painter, 10, t());
        drawOutline(painter, 10, t() + 256);
        break;
    case 2: // numbers
        painter.setFont(m_font);
        for (int k = 0; k < 10; ++k) {
            const int a = m_random.below(512);
            const float m = m_mono[size_t(a)];
            if (m <= 0.05f) continue;
            pen(VisualMath::colourCycle(m_clock()));
            const int x = inint(m_random.next() * 125 - 25);
            const int y = inint(m_random.next() * 95 - 10);
            painter.drawText(QRect(x, y, 25, 20), Qt::AlignCenter, QString::number(m, 'g', 7));
        }
        break;
    case 3: // changing figure
        pen(VisualMath::colourCycle(m_clock()));
        drawFigure(painter, 0, m_mono[0] * 50 + 5, 0);
        break;
    case 4: // crossing lines
        pen(VisualMath::colourCycle(m_clock()));
        drawOutline(painter, 0, t());
        drawOutline(painter, 0, t() + 128);
        break;
    case 5: // woven figures
        pen(QColor(255, 0, 0));
        drawFigure(painter, 20, 15, t());
        pen(QColor(0, 255, 0));
        drawFigure(painter, 20, 15, t() + 171);
        pen(QColor(0, 0, 255));
        drawFigure(painter, 20, 15, t() + 341);
        break;
    default:
        break;
    }
}

void clsVisual::PaintPicture(QPainter &target, QSize size) const {
    target.setCompositionMode(QPainter::CompositionMode_Source);
    target.drawImage(0, 0, m_scaler.scale(m_picture, size, PictureScaler::Filter::Smooth));
}

void clsVisual::CalcLrc(QString &previous, QString &current, QString &next, int &scrollX, int step,
                        int limit, const WordWipe &wipe, const QColor &unlit) {
    Transform();
    if (previous.trimmed().isEmpty()) previous = QStringLiteral(" Lyravox ");
    if (next.trimmed().isEmpty()) next = kSignature;
    if (scrollX < -limit) {
        previous = current;
        current.clear();
        scrollX = 100;
    }
    scrollX -= step;

    QPainter painter(&m_picture);
    painter.setFont(m_font);
    // Each text in its colour over a black shadow; the side lines stay inside their boxes,
    // the current line runs as wide as it is.
    auto text = [&](const QRect &box, const QColor &colour, const QString &s, bool clip) {
        const int flags =
            Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | (clip ? 0 : Qt::TextDontClip);
        painter.setClipRect(box, clip ? Qt::ReplaceClip : Qt::NoClip);
        painter.setPen(Qt::black);
        painter.drawText(box.translated(1, 1), flags, s);
        painter.setPen(colour);
        painter.drawText(box, flags, s);
    };
    auto cycle = [this] { return VisualMath::colourCycle(m_clock()); };
    text(QRect(2, 2, 100, 30), cycle(), previous, true);
    if (!current.trimmed().isEmpty()) {
        const QColor c = cycle();
        const QColor colour(255 - c.red(), 255 - c.green(), 255 - c.blue());
        const QRect box(scrollX, 32, limit, 30);
        if (wipe.active() && wipe.text() == current) {
            text(box, unlit.isValid() ? unlit : c, current, false);
            const QFontMetricsF metrics(m_font, &m_picture);
            const double lit = wipe.litWidth(
                [&](qsizetype n) { return metrics.horizontalAdvance(current.left(n)); });
            painter.setClipRect(QRectF(scrollX, box.top(), lit, box.height()));
            painter.setPen(colour);
            painter.drawText(
                box, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip,
                current);
        } else {
            text(box, colour, current, false);
        }
    } else {
        text(QRect(scrollX, 32, 200, 30), cycle(), kWelcome, false);
    }
    text(QRect(2, 61, 100, 30), cycle(), next, true);
}
