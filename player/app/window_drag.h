#pragma once
// Moves a frameless window with the mouse. The window manager moves it where it can; without
// one (or one that does not support it) the window follows the pointer until the button is
// released.
#include <QPoint>

class QMouseEvent;
class QWidget;

class WindowDrag {
public:
    explicit WindowDrag(QWidget *window) : m_window(window) {}

    // A left press on one of the window's drag areas.
    void start(const QMouseEvent &press);
    // Mouse moves and the release on the area that was pressed; true when the drag used them.
    bool follow(const QMouseEvent &event);
    bool active() const { return m_manual; }

private:
    QWidget *m_window;
    bool m_manual = false;
    QPoint m_grabOffset; // pointer position relative to the window's top left
};
