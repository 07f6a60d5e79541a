#pragma once
// Pointer and key input through the window system for tests on the xcb platform: events go to
// the top-level window's handle, so the application's filters, the widget under the pointer and
// the focus decide where they land, as for a user.
#include <QApplication>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <functional>

namespace WindowInput {

// A click at `pos` of `w` (its centre by default), sent to its top-level window.
inline void click(QWidget *w, QPoint pos = {}, Qt::MouseButton button = Qt::LeftButton) {
    QWidget *top = w->window();
    const QPoint at = w->mapTo(top, pos.isNull() ? w->rect().center() : pos);
    QTest::mouseClick(top->windowHandle(), button, {}, at);
}

// Clicks the item `action` of the open menu `menu`.
inline bool clickMenuItem(QMenu *menu, QAction *action) {
    if (!QTest::qWaitForWindowExposed(menu)) return false;
    click(menu, menu->actionGeometry(action).center());
    return true;
}

// Types `text` key by key into whatever has the focus in `window`.
inline void type(QWindow *window, const char *text) {
    for (const char *c = text; *c; ++c)
        QTest::keyClick(window, *c);
}

// Runs `answer` on the next modal window once it is shown (modal windows run their own loop,
// so the answer has to be queued before the click that opens one).
inline void whenModal(std::function<void(QWidget *)> answer, QWidget *notThis = nullptr) {
    auto *poll = new QTimer;
    poll->setInterval(20);
    QObject::connect(poll, &QTimer::timeout, [poll, answer, notThis] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || modal == notThis || !modal->windowHandle() ||
            !modal->windowHandle()->isExposed())
            return;
        poll->stop();
        poll->deleteLater();
        answer(modal);
    });
    poll->start();
}

} // namespace WindowInput
