#pragma once
// The window shape of a skin: every run of non-white pixels of each row but the last becomes a
// one-pixel-high rectangle; their union is the window's region.
#include <QImage>
#include <QRegion>

namespace SkinShape {
// Pure white (all colour bits set) is transparent.
bool isTransparent(QRgb pixel);
QRegion regionFor(const QImage &skin);
// The built-in skin: a rounded panel on white, so the window takes its rounded outline.
QImage defaultSkin(int width, int height);
} // namespace SkinShape
