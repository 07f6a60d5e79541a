#include "app/key_preview.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

KeyPreview::KeyPreview(QWidget *window) : QObject(window), m_window(window) {
    qApp->installEventFilter(this);
}

KeyPreview::~KeyPreview() {
    qApp->removeEventFilter(this);
}

bool KeyPreview::takesText(const QWidget *widget) {
    if (!widget || !widget->isEnabled()) return false;
    if (const auto *line = qobject_cast<const QLineEdit *>(widget)) return !line->isReadOnly();
    if (const auto *text = qobject_cast<const QTextEdit *>(widget)) return !text->isReadOnly();
    if (const auto *plain = qobject_cast<const QPlainTextEdit *>(widget))
        return !plain->isReadOnly();
    if (const auto *spin = qobject_cast<const QAbstractSpinBox *>(widget))
        return !spin->isReadOnly();
    if (const auto *combo = qobject_cast<const QComboBox *>(widget)) return combo->isEditable();
    return false;
}

bool KeyPreview::isTextKey(const QKeyEvent &key) {
    const int code = key.key();
    if (code == Qt::Key_Space) return true;
    if (code >= Qt::Key_A && code <= Qt::Key_Z) return true;
    return (key.modifiers() & Qt::KeypadModifier) &&
           (code == Qt::Key_Plus || code == Qt::Key_Minus);
}

bool KeyPreview::eventFilter(QObject *watched, QEvent *event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease) return false;
    // See each key once, as it reaches the control it is meant for: the focused control of this
    // window (a key it passes on to its parents comes by again and is left alone).
    auto *target = qobject_cast<QWidget *>(watched);
    if (!target || (target != m_window && !m_window->isAncestorOf(target))) return false;
    QWidget *focus = QApplication::focusWidget();
    if (!focus || focus->window() != m_window) focus = m_window->focusWidget();
    if (!focus) focus = m_window;
    if (target != focus) return false;
    auto *key = static_cast<QKeyEvent *>(event);
    if (takesText(focus) && isTextKey(*key)) return false;
    if (type == QEvent::KeyPress)
        Q_EMIT pressed(key);
    else if (!key->isAutoRepeat())
        Q_EMIT released(key);
    return false;
}
