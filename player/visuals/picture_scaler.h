#pragma once
// Nearest-neighbour enlargement of a small picture (the engine's 100 x 75 frame) to a large
// target, such as a whole screen, twenty times a second: the column and row tables and the
// result are kept while the sizes stay, so a frame allocates nothing and writes each output
// row once (repeated rows are copies of the row above).
#include <QImage>
#include <QSize>
#include <vector>

class PictureScaler {
public:
    // The copy of `source` enlarged (or reduced) to `size`, in QImage::Format_RGB32. Valid
    // until the next call. An empty source or size gives a null image.
    const QImage &scale(const QImage &source, QSize size);

private:
    void buildTables(QSize source, QSize size);

    QImage m_result;
    QImage m_converted; // sources in formats other than RGB888 / RGB32
    QSize m_sourceSize;
    std::vector<int> m_columns; // source column of each output column
    std::vector<int> m_rows;    // source row of each output row
    std::vector<uint32_t> m_line;
};
