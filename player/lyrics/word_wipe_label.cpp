#include "lyrics/word_wipe_label.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QLabel>
#include <QPainter>

WordWipeLabel::WordWipeLabel(QLabel *label, std::function<WordWipe()> wipe,
                             std::function<QColor()> unlit)
    : QObject(label), m_label(label), m_wipe(std::move(wipe)), m_unlit(std::move(unlit)) {
    label->installEventFilter(this);
}

void WordWipeLabel::refresh() {
    const WordWipe wipe = m_wipe();
    if (wipe.active() && wipe.text() == m_label->text()) m_label->update();
}

bool WordWipeLabel::eventFilter(QObject *watched, QEvent *event) {
    if (watched != m_label || event->type() != QEvent::Paint) return false;
    const WordWipe wipe = m_wipe();
    const QString text = m_label->text();
    if (!wipe.active() || wipe.text() != text) return false;

    QPainter painter(m_label);
    painter.setFont(m_label->font());
    const QRect area = m_label->contentsRect();
    const int flags = int(m_label->alignment()) | Qt::TextSingleLine;
    painter.setPen(m_unlit());
    QRect drawn;
    painter.drawText(area, flags, text, &drawn);
    const QFontMetricsF metrics(m_label->font(), m_label);
    const double lit =
        wipe.litWidth([&](qsizetype n) { return metrics.horizontalAdvance(text.left(n)); });
    painter.setClipRect(QRectF(drawn.left(), area.top(), lit, area.height()));
    painter.setPen(m_label->palette().color(QPalette::WindowText));
    painter.drawText(area, flags, text);
    return true;
}
