#include "widgets/xp_button.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionButton>

namespace {

// One look: face gradient for the normal state, its hot and pressed variants, frame and radius.
struct Look {
    QColor top, bottom, frame;
    int radius;
    bool faceOnlyWhenActive; // look 1, 4 and 8: flat until the mouse is over it
    bool bevel;              // classic raised edges
};

Look lookFor(int style, const QPalette &pal) {
    const QColor face = pal.color(QPalette::Button);
    switch (style) {
    case 0:
        return {face, face, pal.color(QPalette::Shadow), 0, false, true};
    case 1:
        return {face, face, pal.color(QPalette::Dark), 0, true, false};
    case 2:
        return {
            QColor(250, 250, 252), QColor(196, 202, 214), QColor(110, 118, 140), 6, false, false};
    case 3:
        return {QColor(255, 255, 255), QColor(226, 226, 218), QColor(0, 60, 116), 3, false, false};
    case 4:
        return {QColor(255, 244, 204), QColor(255, 214, 154), QColor(75, 75, 111), 0, true, false};
    case 5:
        return {QColor(252, 252, 250), QColor(214, 216, 200), QColor(46, 76, 146), 3, false, false};
    case 7:
        return {QColor(92, 96, 110), QColor(24, 26, 34), QColor(10, 10, 14), 4, false, false};
    case 8:
        return {QColor(255, 255, 255, 110),
                QColor(190, 205, 255, 70),
                QColor(255, 255, 255, 150),
                5,
                true,
                false};
    case 9:
        return {QColor(226, 248, 214), QColor(138, 196, 104), QColor(54, 104, 36), 3, false, false};
    case 10:
        return {
            QColor(240, 246, 255), QColor(160, 188, 232), QColor(58, 88, 150), -1, false, false};
    default:
        return {face, face.darker(110), pal.color(QPalette::Dark), 2, false, false};
    }
}

bool themeAvailable() {
    // On Linux a Qt style always draws buttons; the platform theme counts as active.
    return QApplication::style() != nullptr;
}

} // namespace

XPButton::XPButton(QWidget *parent) : QWidget(parent) {
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
}

void XPButton::setButtonStyle(int style) {
    m_style = ((style % 11) + 11) % 11;
    updateMask();
    update();
}
void XPButton::setCaption(const QString &caption) {
    m_caption = caption;
    repaint(); // a new caption shows at once
}
void XPButton::setIcon(const QIcon &icon) {
    m_icon = icon;
    update();
}
void XPButton::setIconSize(int pixels) {
    m_iconSize = std::max(0, pixels);
    update();
}
void XPButton::setIconAlign(int align) {
    m_iconAlign = align;
    update();
}
void XPButton::setIconVisible(bool visible) {
    m_iconVisible = visible;
    update();
}
void XPButton::setCaptionAlign(int align) {
    m_captionAlign = align;
    update();
}
void XPButton::setNonThemeStyle(int style) {
    m_nonThemeStyle = style;
    update();
}
void XPButton::setShowFocus(bool show) {
    m_showFocus = show;
    update();
}
void XPButton::setUseCustomColors(bool use) {
    m_useCustomColors = use;
    update();
}
void XPButton::setBackColor(const QColor &c) {
    m_backColor = c;
    update();
}
void XPButton::setHighlightColor(const QColor &c) {
    m_highlightColor = c;
    update();
}
void XPButton::setFontColor(const QColor &c) {
    m_fontColor = c;
    update();
}
void XPButton::setFontHighlightColor(const QColor &c) {
    m_fontHighlightColor = c;
    update();
}
void XPButton::setToolTipText(const QString &text) {
    m_toolTip = text;
    updateToolTip();
}
void XPButton::setToolTipTitle(const QString &title) {
    m_toolTipTitle = title;
    updateToolTip();
}
void XPButton::setButtonType(int type) {
    m_buttonType = type == 1 ? 1 : 0;
    update();
}
void XPButton::setValue(bool on) {
    m_value = on;
    update();
}

void XPButton::updateToolTip() {
    if (m_toolTip.isEmpty() && m_toolTipTitle.isEmpty())
        setToolTip(QString());
    else if (m_toolTipTitle.isEmpty())
        setToolTip(m_toolTip);
    else
        setToolTip(QStringLiteral("<b>") + m_toolTipTitle.toHtmlEscaped() +
                   QStringLiteral("</b><br>") + m_toolTip.toHtmlEscaped());
}

XPButton::State XPButton::visualState() const {
    if (!isEnabled()) return State::Disabled;
    if (m_pressed || (m_buttonType == 1 && m_value)) return State::Pressed;
    if (m_hot) return State::Hot;
    return State::Normal;
}

QSize XPButton::sizeHint() const {
    const QFontMetrics fm(font());
    int w = fm.horizontalAdvance(m_caption) + 16;
    if (!m_icon.isNull() && m_iconVisible) w += m_iconSize + 4;
    return {std::max(w, 24), std::max(fm.height() + 10, m_iconSize + 6)};
}

void XPButton::updateMask() {
    const Look look = lookFor(m_style, palette());
    const int radius = look.radius < 0 ? height() / 2 : look.radius;
    if (radius >= 5 && m_style != 8) {
        QPainterPath path;
        path.addRoundedRect(QRectF(rect()), radius, radius);
        setMask(QRegion(path.toFillPolygon().toPolygon()));
    } else {
        clearMask();
    }
}

void XPButton::resizeEvent(QResizeEvent *) {
    updateMask();
}

void XPButton::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const State state = visualState();
    int style = m_style;
    if (style == 6 && !themeAvailable()) style = m_nonThemeStyle;

    if (style == 6) {
        QStyleOptionButton opt;
        opt.initFrom(this);
        opt.state |= state == State::Pressed ? QStyle::State_Sunken : QStyle::State_Raised;
        if (state == State::Hot) opt.state |= QStyle::State_MouseOver;
        QWidget::style()->drawControl(QStyle::CE_PushButtonBevel, &opt, &p, this);
    } else {
        Look look = lookFor(style, palette());
        if (m_useCustomColors) {
            look.top = m_backColor.isValid() ? m_backColor.lighter(112) : look.top;
            look.bottom = m_backColor.isValid() ? m_backColor : look.bottom;
        }
        const int radius = look.radius < 0 ? height() / 2 : look.radius;
        const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        QColor top = look.top, bottom = look.bottom;
        const QColor highlight = m_useCustomColors && m_highlightColor.isValid()
                                     ? m_highlightColor
                                     : palette().color(QPalette::Highlight);
        bool drawFace = !look.faceOnlyWhenActive || state == State::Hot || state == State::Pressed;
        if (state == State::Hot) {
            top = top.lighter(108);
            bottom = style == 4 ? QColor(255, 204, 120) : bottom.lighter(106);
        } else if (state == State::Pressed) {
            std::swap(top, bottom);
            top = top.darker(112);
        } else if (state == State::Disabled) {
            const int g = qGray(bottom.rgb());
            top = bottom = QColor(g, g, g, bottom.alpha());
        }
        if (drawFace) {
            QLinearGradient grad(r.topLeft(), r.bottomLeft());
            grad.setColorAt(0, top);
            grad.setColorAt(1, bottom);
            p.setBrush(grad);
            QColor frame = state == State::Disabled ? palette().color(QPalette::Mid) : look.frame;
            if (state == State::Hot && style != 8) frame = highlight;
            p.setPen(QPen(frame, 1));
            p.drawRoundedRect(r, radius, radius);
            if (look.bevel) {
                const bool sunken = state == State::Pressed;
                p.setPen(sunken ? palette().color(QPalette::Dark)
                                : palette().color(QPalette::Light));
                p.drawLine(r.topLeft(), r.topRight());
                p.drawLine(r.topLeft(), r.bottomLeft());
            }
        }
    }

    // Icon and caption.
    QRect content = rect().adjusted(3, 2, -3, -2);
    const bool pressedShift = state == State::Pressed;
    if (pressedShift) content.translate(1, 1);
    const bool hasIcon = !m_icon.isNull() && m_iconVisible && m_iconSize > 0;
    const QString text = m_caption;
    const bool hasText = !text.trimmed().isEmpty();
    if (hasIcon) {
        const QSize s(m_iconSize, m_iconSize);
        QRect iconRect(QPoint(0, 0), s);
        if (!hasText || m_iconAlign == 0)
            iconRect.moveCenter(content.center());
        else if (m_iconAlign == 2)
            iconRect.moveTopRight(QPoint(content.right(), content.center().y() - s.height() / 2));
        else if (m_iconAlign == 3)
            iconRect.moveTopLeft(QPoint(content.center().x() - s.width() / 2, content.top()));
        else if (m_iconAlign == 4)
            iconRect.moveBottomLeft(QPoint(content.center().x() - s.width() / 2, content.bottom()));
        else
            iconRect.moveTopLeft(QPoint(content.left() + 2, content.center().y() - s.height() / 2));
        const QIcon::Mode mode = state == State::Disabled ? QIcon::Disabled
                                 : state == State::Hot    ? QIcon::Active
                                                          : QIcon::Normal;
        m_icon.paint(&p, iconRect, Qt::AlignCenter, mode);
        if (hasText) {
            if (m_iconAlign == 1)
                content.setLeft(iconRect.right() + 3);
            else if (m_iconAlign == 2)
                content.setRight(iconRect.left() - 3);
            else if (m_iconAlign == 3)
                content.setTop(iconRect.bottom() + 1);
            else if (m_iconAlign == 4)
                content.setBottom(iconRect.top() - 1);
        }
    }
    if (hasText) {
        QColor color = palette().color(QPalette::ButtonText);
        if (m_style == 7 || m_style == 8) color = Qt::white; // over a dark face or the skin
        if (m_useCustomColors) {
            if (state == State::Hot && m_fontHighlightColor.isValid())
                color = m_fontHighlightColor;
            else if (m_fontColor.isValid())
                color = m_fontColor;
        }
        if (state == State::Disabled)
            color = m_style == 8 ? QColor(140, 150, 170)
                                 : palette().color(QPalette::Disabled, QPalette::ButtonText);
        p.setPen(color);
        const Qt::Alignment h = m_captionAlign == 1   ? Qt::AlignLeft
                                : m_captionAlign == 2 ? Qt::AlignRight
                                                      : Qt::AlignHCenter;
        p.drawText(content, int(h | Qt::AlignVCenter | Qt::TextSingleLine), text);
    }
    if (m_showFocus && hasFocus()) {
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(QPen(palette().color(QPalette::WindowText), 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(rect().adjusted(3, 3, -4, -4));
    }
}

void XPButton::enterEvent(QEnterEvent *) {
    if (!isEnabled()) return;
    m_hot = true;
    Q_EMIT mouseEntered();
    update();
}

void XPButton::leaveEvent(QEvent *) {
    m_hot = false;
    m_pressed = false;
    if (isEnabled()) Q_EMIT mouseLeft();
    update();
}

void XPButton::mousePressEvent(QMouseEvent *e) {
    if (!isEnabled() || e->button() != Qt::LeftButton) return;
    m_pressed = true;
    repaint();
}

void XPButton::mouseReleaseEvent(QMouseEvent *e) {
    if (!isEnabled() || e->button() != Qt::LeftButton || !m_pressed) return;
    m_pressed = false;
    const bool inside = rect().contains(e->position().toPoint());
    m_hot = inside;
    repaint();
    if (inside) activate();
}

void XPButton::keyPressEvent(QKeyEvent *e) {
    if (isEnabled() && (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter)) {
        activate();
        return;
    }
    QWidget::keyPressEvent(e);
}

void XPButton::activate() {
    if (m_buttonType == 1) m_value = !m_value;
    update();
    Q_EMIT clicked();
}

void XPButton::changeEvent(QEvent *e) {
    if (e->type() == QEvent::EnabledChange) {
        if (!isEnabled()) {
            m_hot = false;
            m_pressed = false;
        }
        update();
    }
    QWidget::changeEvent(e);
}
