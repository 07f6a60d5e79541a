#include "visuals/cover_picture.h"

#include <QFile>
#include <QImageReader>
#include <QLabel>
#include <QPixmap>
#include <QWidget>

namespace {
QImage readPicture(const QString &path) {
    if (!QFile::exists(path)) return QImage();
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true); // ".pic" says nothing of the format
    return reader.read();
}
} // namespace

CoverPicture::CoverPicture(AppContext &ctx, QWidget *box, QLabel *picture)
    : m_ctx(ctx), m_box(box), m_picture(picture) {}

QRect CoverPicture::placement(QSize natural, QSize box, bool stretch) {
    if (stretch || natural.isEmpty()) return QRect(QPoint(0, 0), box);
    const double ratio = double(natural.height()) / natural.width();
    const double boxRatio = double(box.height()) / box.width();
    if (ratio > boxRatio) {
        const int width = int(box.height() / ratio);
        return QRect((box.width() - width) / 2, 0, width, box.height());
    }
    const int height = int(box.width() * ratio);
    return QRect(0, (box.height() - height) / 2, box.width(), height);
}

void CoverPicture::reload() {
    const Settings &s = m_ctx.settings;
    m_default = QImage();
    if (s.CoverPictureMode == 2)
        m_default = readPicture(m_ctx.paths.file(QStringLiteral("userdefine.pic")));
    if (m_default.isNull())
        m_default = readPicture(m_ctx.paths.shipped(QStringLiteral("default.pic")));
    layout();
    if (m_picture) m_picture->setVisible(s.CoverPictureMode > 0 && !m_default.isNull());
}

void CoverPicture::layout() {
    if (!m_picture || !m_box) return;
    if (m_default.isNull()) {
        m_picture->clear();
        return;
    }
    const QRect place =
        placement(m_default.size(), m_box->size(), m_ctx.settings.PictureStretch == 1);
    m_picture->setGeometry(place);
    m_picture->setPixmap(QPixmap::fromImage(
        m_default.scaled(place.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
}
