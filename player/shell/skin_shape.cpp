#include "shell/skin_shape.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QVector>

namespace SkinShape {

bool isTransparent(QRgb pixel) {
    return (pixel & 0x00FFFFFFu) == 0x00FFFFFFu;
}

QRegion regionFor(const QImage &skin) {
    const QImage img = skin.convertToFormat(QImage::Format_RGB32);
    QVector<QRect> rects;
    for (int y = 0; y + 1 < img.height(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(img.constScanLine(y));
        int x = 0;
        while (x < img.width()) {
            while (x < img.width() && isTransparent(row[x]))
                ++x;
            const int start = x;
            while (x < img.width() && !isTransparent(row[x]))
                ++x;
            if (x > start) rects.append(QRect(start, y, x - start, 1));
        }
    }
    QRegion region;
    region.setRects(rects.constData(), int(rects.size()));
    return region;
}

QImage defaultSkin(int width, int height) {
    QImage img(width, height, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, false);
    QPainterPath outline;
    outline.addRoundedRect(QRectF(0, 0, width - 1, height - 1), 14, 14);
    QLinearGradient face(0, 0, 0, height);
    face.setColorAt(0, QColor(44, 62, 112));
    face.setColorAt(0.08, QColor(24, 36, 74));
    face.setColorAt(1, QColor(10, 16, 40));
    p.fillPath(outline, face);
    p.setPen(QPen(QColor(120, 150, 220), 1));
    p.drawPath(outline);
    // Title band.
    p.fillRect(QRect(12, 26, width - 24, 1), QColor(90, 120, 200));
    return img;
}

} // namespace SkinShape
