#include "visuals/picture_scaler.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// (a * (256 - w) + b * w) / 256 on each 8-bit channel of two 0x00RRGGBB pixels.
inline uint32_t mix(uint32_t a, uint32_t b, uint32_t w) {
    const uint32_t v = 256 - w;
    const uint32_t redBlue = (((a & 0xff00ffu) * v + (b & 0xff00ffu) * w) >> 8) & 0xff00ffu;
    const uint32_t green = (((a & 0x00ff00u) * v + (b & 0x00ff00u) * w) >> 8) & 0x00ff00u;
    return redBlue | green;
}

} // namespace

void PictureScaler::buildAxis(Axis &axis, int from, int to, Filter filter) {
    axis.first.resize(size_t(to));
    axis.share.assign(size_t(to), 0);
    for (int i = 0; i < to; ++i) {
        if (filter == Filter::Nearest) {
            // The centre of each output pixel picks its source pixel.
            axis.first[size_t(i)] = int((int64_t(2 * i + 1) * from) / (2 * int64_t(to)));
            continue;
        }
        // The output pixel's centre between the centres of two source pixels.
        const double at = (i + 0.5) * from / to - 0.5;
        const int first = int(std::floor(at));
        if (first < 0) {
            axis.first[size_t(i)] = 0;
        } else if (first >= from - 1) {
            axis.first[size_t(i)] = from - 1;
        } else {
            axis.first[size_t(i)] = first;
            axis.share[size_t(i)] = uint8_t(std::min(255.0, std::round((at - first) * 256)));
        }
    }
}

bool PictureScaler::readsRows(QImage::Format f) {
    return f == QImage::Format_RGB888 || f == QImage::Format_RGB32 || f == QImage::Format_ARGB32 ||
           f == QImage::Format_ARGB32_Premultiplied;
}

void PictureScaler::readRow(const QImage &source, int row, uint32_t *out) {
    const uchar *in = source.constScanLine(row);
    const int width = source.width();
    if (source.format() == QImage::Format_RGB888) {
        for (int x = 0; x < width; ++x)
            out[x] = uint32_t(in[3 * x]) << 16 | uint32_t(in[3 * x + 1]) << 8 | in[3 * x + 2];
    } else {
        const auto *pixels = reinterpret_cast<const uint32_t *>(in);
        for (int x = 0; x < width; ++x)
            out[x] = pixels[x] & 0xffffffu;
    }
}

const QImage &PictureScaler::scale(const QImage &source, QSize size, Filter filter) {
    if (source.isNull() || size.isEmpty()) {
        m_result = QImage();
        return m_result;
    }
    const QImage *from = &source;
    if (!readsRows(source.format())) {
        m_converted = source.convertToFormat(QImage::Format_RGB32);
        from = &m_converted;
    }
    if (m_result.size() != size) m_result = QImage(size, QImage::Format_RGB32);
    const int sourceWidth = from->width(), sourceHeight = from->height();
    if (m_sourceSize != from->size() || m_filter != filter ||
        int(m_columns.first.size()) != size.width() || int(m_rows.first.size()) != size.height()) {
        m_sourceSize = from->size();
        m_filter = filter;
        buildAxis(m_columns, sourceWidth, size.width(), filter);
        buildAxis(m_rows, sourceHeight, size.height(), filter);
        m_upper.resize(size_t(sourceWidth));
    }

    const int width = size.width();
    const int *columns = m_columns.first.data();
    const uint8_t *shares = m_columns.share.data();
    if (filter == Filter::Smooth) {
        // Each source row widened once, then each output row blended from two of them.
        m_wide.resize(size_t(width) * size_t(sourceHeight));
        for (int row = 0; row < sourceHeight; ++row) {
            readRow(*from, row, m_upper.data());
            const uint32_t *line = m_upper.data();
            uint32_t *wide = m_wide.data() + size_t(row) * size_t(width);
            for (int x = 0; x < width; ++x) {
                const int c = columns[x];
                const uint32_t w = shares[x];
                wide[x] = w ? mix(line[c], line[c + 1], w) : line[c];
            }
        }
    }
    int lastRow = -1, lastShare = -1;
    for (int y = 0; y < size.height(); ++y) {
        auto *out = reinterpret_cast<uint32_t *>(m_result.scanLine(y));
        const int row = m_rows.first[size_t(y)];
        const int rowShare = m_rows.share[size_t(y)];
        if (row == lastRow && rowShare == lastShare) {
            std::memcpy(out, m_result.constScanLine(y - 1), size_t(width) * 4);
            continue;
        }
        lastRow = row;
        lastShare = rowShare;
        if (filter == Filter::Nearest) {
            readRow(*from, row, m_upper.data());
            const uint32_t *line = m_upper.data();
            for (int x = 0; x < width; ++x)
                out[x] = 0xff000000u | line[columns[x]];
            continue;
        }
        const uint32_t *upper = m_wide.data() + size_t(row) * size_t(width);
        if (rowShare == 0) {
            for (int x = 0; x < width; ++x)
                out[x] = 0xff000000u | upper[x];
            continue;
        }
        const uint32_t *lower = upper + width;
        const uint32_t w = uint32_t(rowShare);
        for (int x = 0; x < width; ++x)
            out[x] = 0xff000000u | mix(upper[x], lower[x], w);
    }
    return m_result;
}
