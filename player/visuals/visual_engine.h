#pragma once
// clsVisual: the visual engine of styles 4-9 and of the lyric painter. It keeps a 100 x 75
// picture from frame to frame; each frame displaces the previous picture by a transformation
// map and blurs it (the trail), then draws the chosen figure from the latest input windows.
// The result is enlarged onto the target. No widgets; drawing uses QPainter on the picture.
#include "lyrics/lyric_words.h"
#include "visuals/picture_scaler.h"
#include "visuals/visual_math.h"

#include <QFont>
#include <QImage>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

class QPainter;

class clsVisual {
public:
    static constexpr int kWidth = 100;
    static constexpr int kHeight = 75;
    static constexpr int kRowBytes = kWidth * 3;
    static constexpr int kMonoSize = 512;
    static constexpr int kRawSize = 1024;

    struct MapEntry {
        int16_t x = 0; // source column
        int16_t y = 0; // source row (storage order: row 0 is the bottom line)
    };

    // `random` and `clock` are the frame's sources of chance and time (tests inject theirs).
    clsVisual(VisualMath::Random &random, VisualMath::Clock clock);

    int TransCount() const { return 26; }
    int StyleCount() const { return 6; }
    int DrawStyle() const { return m_drawStyle; }
    // 0 ... 5; other values are ignored.
    void setDrawStyle(int style);

    // Fills the map with transformation `n` (0 ... 25); false (map unchanged) otherwise.
    bool BuildTrans(int n);
    // One frame: the transformation step, then the draw style.
    void Calc();
    // The transformation step alone: every pixel takes its map source, blurred and dimmed.
    void Transform();
    // Enlarges the picture to `size` and copies it to the target at (0, 0).
    void PaintPicture(QPainter &target, QSize size = QSize(288, 216)) const;

    // One lyric painter frame. The three lines may change (a line that scrolled out becomes
    // the previous line); `scrollX` is the current line's left edge, moved by `step` each
    // frame; `limit` is the width of its box. While `wipe` runs through the current line, its
    // words not yet lit are drawn in `unlit` and the lit part in the current line's colour.
    void CalcLrc(QString &previous, QString &current, QString &next, int &scrollX, int step,
                 int limit, const WordWipe &wipe = WordWipe(), const QColor &unlit = QColor());

    // The input windows of the next frame: the mono window (512 values in -1 ... 1) and the
    // raw window (1024 interleaved 16-bit values), oldest first.
    std::array<float, kMonoSize> &mono() { return m_mono; }
    std::array<int16_t, kRawSize> &raw() { return m_raw; }
    void setFont(const QFont &font) { m_font = font; }

    const QImage &picture() const { return m_picture; }
    QImage &picture() { return m_picture; }
    MapEntry map(int column, int storageRow) const {
        return m_map[size_t(storageRow * kWidth + column)];
    }
    uint8_t scale(int a, int b) const { return m_scale[size_t(a * 256 + b)]; }
    // Entry k of the sine table: sin(k * 3.1416 / 256).
    float sine(int k) const { return m_sine[size_t(k & 511)]; }

private:
    enum class Source : uint8_t { Inner, Edge, Outside };
    void buildMap(int kind, double p, double q);
    void compileMap();
    QPoint place(double x0, double y0, int angle) const;
    void drawOutline(QPainter &painter, int offset, int angle) const;
    void drawFigure(QPainter &painter, double centreOffset, double baseRadius, int angle) const;
    void drawStyle(QPainter &painter);

    VisualMath::Random &m_random;
    VisualMath::Clock m_clock;
    QImage m_picture;
    std::vector<uint8_t> m_work;
    std::vector<uint8_t> m_scale;
    std::vector<MapEntry> m_map;
    std::vector<int32_t> m_sourceOffset; // byte offset of each destination's source pixel
    std::vector<Source> m_sourceKind;
    std::array<float, 512> m_sine{};
    std::array<float, kMonoSize> m_mono{};
    std::array<int16_t, kRawSize> m_raw{};
    QFont m_font;
    mutable PictureScaler m_scaler; // the enlargement kept between frames
    int m_drawStyle = 0;
};
