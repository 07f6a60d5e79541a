#include "visuals/picture_scaler.h"

#include <cstring>

void PictureScaler::buildTables(QSize source, QSize size) {
    m_sourceSize = source;
    m_columns.resize(size_t(size.width()));
    m_rows.resize(size_t(size.height()));
    // The centre of each output pixel picks its source pixel.
    for (int x = 0; x < size.width(); ++x)
        m_columns[size_t(x)] = int((int64_t(2 * x + 1) * source.width()) / (2 * size.width()));
    for (int y = 0; y < size.height(); ++y)
        m_rows[size_t(y)] = int((int64_t(2 * y + 1) * source.height()) / (2 * size.height()));
    m_line.resize(size_t(source.width()));
}

const QImage &PictureScaler::scale(const QImage &source, QSize size) {
    if (source.isNull() || size.isEmpty()) {
        m_result = QImage();
        return m_result;
    }
    const QImage *from = &source;
    const bool rgb888 = source.format() == QImage::Format_RGB888;
    const bool rgb32 = source.format() == QImage::Format_RGB32 ||
                       source.format() == QImage::Format_ARGB32 ||
                       source.format() == QImage::Format_ARGB32_Premultiplied;
    if (!rgb888 && !rgb32) {
        m_converted = source.convertToFormat(QImage::Format_RGB32);
        from = &m_converted;
    }
    if (m_result.size() != size || m_result.format() != QImage::Format_RGB32)
        m_result = QImage(size, QImage::Format_RGB32);
    if (m_sourceSize != from->size() || int(m_columns.size()) != size.width() ||
        int(m_rows.size()) != size.height())
        buildTables(from->size(), size);

    const int width = size.width();
    const int sourceWidth = from->width();
    int lastRow = -1;
    for (int y = 0; y < size.height(); ++y) {
        auto *out = reinterpret_cast<uint32_t *>(m_result.scanLine(y));
        const int row = m_rows[size_t(y)];
        if (row == lastRow) {
            std::memcpy(out, m_result.constScanLine(y - 1), size_t(width) * 4);
            continue;
        }
        lastRow = row;
        const uchar *in = from->constScanLine(row);
        if (rgb888) {
            for (int x = 0; x < sourceWidth; ++x)
                m_line[size_t(x)] = 0xff000000u | uint32_t(in[3 * x]) << 16 |
                                    uint32_t(in[3 * x + 1]) << 8 | in[3 * x + 2];
        } else {
            const auto *pixels = reinterpret_cast<const uint32_t *>(in);
            for (int x = 0; x < sourceWidth; ++x)
                m_line[size_t(x)] = 0xff000000u | pixels[x];
        }
        for (int x = 0; x < width; ++x)
            out[x] = m_line[size_t(m_columns[size_t(x)])];
    }
    return m_result;
}
