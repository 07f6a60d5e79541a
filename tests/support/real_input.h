#pragma once
// Pointer input through the window system for tests on Xvfb (xcb platform): clicks on widgets,
// menu items and the modal windows that a click opens.
#include <QApplication>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <functional>
#include <gtest/gtest.h>

// A click at `pos` of `w` (its centre by default), sent to its top-level window.
inline void click(QWidget *w, QPoint pos = {}, Qt::MouseButton button = Qt::LeftButton) {
    QWidget *top = w->window();
    const QPoint at = w->mapTo(top, pos.isNull() ? w->rect().center() : pos);
    QTest::mouseClick(top->windowHandle(), button, {}, at);
}

// Shows `window` and waits until the window system has mapped and activated it.
inline void showActive(QWidget *window) {
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
}

inline void doubleClick(QWidget *w, QPoint pos) {
    QWidget *top = w->window();
    QTest::mouseDClick(top->windowHandle(), Qt::LeftButton, {}, w->mapTo(top, pos));
}

// Types `text` key by key into whatever has the focus in `window`.
inline void type(QWindow *window, const char *text) {
    for (const char *c = text; *c; ++c)
        QTest::keyClick(window, *c);
}

// Clicks the item `action` of the open menu `menu`.
inline void clickMenuItem(QMenu *menu, QAction *action) {
    ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
    click(menu, menu->actionGeometry(action).center());
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
