#pragma once
// Enlargement of a small picture (the engine's 100 x 75 frame) to a larger target twenty times
// a second, on the calling thread: the column and row tables and the result are kept while the
// sizes stay, so a frame allocates nothing. Nearest neighbour writes each distinct output row
// once and copies it where it repeats; smooth is bilinear (each source row widened once, then
// every output row blended from two widened rows).
#include <QImage>
#include <QSize>
#include <cstdint>
#include <vector>

class PictureScaler {
public:
    enum class Filter { Nearest, Smooth };

    // The copy of `source` scaled to `size`, in QImage::Format_RGB32. Valid until the next
    // call. An empty source or size gives a null image.
    const QImage &scale(const QImage &source, QSize size, Filter filter = Filter::Nearest);

    // Formats whose rows readRow() takes as they are (others are converted first).
    static bool readsRows(QImage::Format format);
    // Row `row` of `source` (a readsRows() format) as 0x00RRGGBB pixels.
    static void readRow(const QImage &source, int row, uint32_t *out);

private:
    struct Axis {
        std::vector<int> first;     // source index of each output index
        std::vector<uint8_t> share; // weight of the next source index, 0 ... 255 (smooth)
    };
    static void buildAxis(Axis &axis, int from, int to, Filter filter);

    QImage m_result;
    QImage m_converted; // sources in formats other than RGB888 / RGB32
    QSize m_sourceSize;
    Filter m_filter = Filter::Nearest;
    Axis m_columns, m_rows;
    std::vector<uint32_t> m_upper; // one source row as 0x00RRGGBB
    std::vector<uint32_t> m_wide;  // smooth: every source row at the output width
};
