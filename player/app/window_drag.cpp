#include "app/window_drag.h"

#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

void WindowDrag::start(const QMouseEvent &press) {
    m_manual = false;
    QWindow *handle = m_window->windowHandle();
    if (handle && handle->startSystemMove()) return;
    m_manual = true;
    m_grabOffset = press.globalPosition().toPoint() - m_window->frameGeometry().topLeft();
}

bool WindowDrag::follow(const QMouseEvent &event) {
    if (!m_manual) return false;
    if (event.type() == QEvent::MouseButtonRelease) {
        m_manual = false;
        return true;
    }
    if (event.type() != QEvent::MouseMove) return false;
    if (!(event.buttons() & Qt::LeftButton)) {
        m_manual = false;
        return false;
    }
    m_window->move(event.globalPosition().toPoint() - m_grabOffset);
    return true;
}
