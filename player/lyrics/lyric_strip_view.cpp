#include "lyrics/lyric_strip_view.h"

#include "lyrics/lyric_box.h"

#include <QFontMetrics>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPalette>

LyricStripView::LyricStripView(QWidget *frame, QLabel *picture,
                               const std::array<QLabel *, 3> &strips, QWidget *area,
                               const QString &fontFamily)
    : m_frame(frame), m_picture(picture), m_strips(strips), m_area(area) {
    const int sizes[3] = {12, 16, 12};
    for (int k = 0; k < 3; ++k) {
        QLabel *strip = m_strips[size_t(k)];
        strip->setFont(LyricBox::font(fontFamily, sizes[k], true));
        strip->setAutoFillBackground(false);
        strip->setAttribute(Qt::WA_TranslucentBackground);
        strip->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        QPalette palette = strip->palette();
        palette.setColor(QPalette::WindowText, k == 1 ? Qt::white : QColor(200, 200, 200));
        strip->setPalette(palette);
        strip->raise();
    }
    // Until a picture of "bkground" loads, a quiet gradient.
    QImage plain(320, 240, QImage::Format_RGB32);
    QPainter painter(&plain);
    QLinearGradient gradient(0, 0, 0, plain.height());
    gradient.setColorAt(0, QColor(20, 24, 64));
    gradient.setColorAt(1, QColor(70, 20, 90));
    painter.fillRect(plain.rect(), gradient);
    painter.end();
    m_picture->setPixmap(QPixmap::fromImage(plain));
}

void LyricStripView::setVisible(bool visible) {
    m_frame->setVisible(visible);
    m_picture->setVisible(visible);
    for (QLabel *strip : m_strips)
        strip->setVisible(visible);
    if (visible) m_frame->raise();
}

int LyricStripView::areaWidth() const {
    return m_area->width() * kTwipsPerPixel;
}

int LyricStripView::sizeCurrentTo(const QString &text) {
    QLabel *current = m_strips[1];
    const int width = std::max(1, QFontMetrics(current->font()).horizontalAdvance(text) + 2);
    current->resize(width, current->height());
    return width * kTwipsPerPixel;
}

void LyricStripView::moveCurrent(int x) {
    QLabel *current = m_strips[1];
    current->move(x / kTwipsPerPixel, current->y());
}

void LyricStripView::setCurrentShade(int shade) {
    QLabel *current = m_strips[1];
    QPalette palette = current->palette();
    const QColor grey(shade, shade, shade);
    if (palette.color(QPalette::WindowText) == grey) return;
    palette.setColor(QPalette::WindowText, grey);
    current->setPalette(palette);
}

void LyricStripView::setTexts(const QString &previous, const QString &current,
                              const QString &next) {
    const QString texts[3] = {previous, current, next};
    for (int k = 0; k < 3; ++k)
        if (m_strips[size_t(k)]->text() != texts[k]) m_strips[size_t(k)]->setText(texts[k]);
}

void LyricStripView::setBackground(const QImage &picture) {
    if (picture.isNull()) return;
    m_picture->setPixmap(QPixmap::fromImage(picture));
    m_hasBackground = true;
}
