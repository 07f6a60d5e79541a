#pragma once
// Key preview of the main window: every key that reaches a control of the window is seen once
// by the window first and then goes on to the control. Keys typed into a text control are text:
// Space, letters and keypad + / - are left to it alone.
#include <QObject>

class QKeyEvent;
class QWidget;

class KeyPreview : public QObject {
    Q_OBJECT
public:
    // Watches the application's key events for `window` and its child controls.
    explicit KeyPreview(QWidget *window);
    ~KeyPreview() override;

    // True when `widget` takes typed text (line edits, editable text boxes, spin boxes,
    // editable combo boxes).
    static bool takesText(const QWidget *widget);
    // True for the keys that a text control keeps for itself.
    static bool isTextKey(const QKeyEvent &key);

Q_SIGNALS:
    void pressed(QKeyEvent *key);
    void released(QKeyEvent *key); // auto-repeat releases are left out

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *m_window;
};
