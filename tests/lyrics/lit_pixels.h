#pragma once
// Pixels of a widget as drawn now that are near white: the lit part of a current-line strip.
#include <QColor>
#include <QImage>
#include <QWidget>

inline int whitePixels(QWidget *widget) {
    const QImage image = widget->grab().toImage();
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 220 && c.green() > 220 && c.blue() > 220) ++count;
        }
    return count;
}
