#pragma once
// The wait window shown without blocking while a long command works.
#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

class FrmWait : public QDialog {
    Q_OBJECT
public:
    explicit FrmWait(QWidget *owner = nullptr);
    QLabel *Label1;
    QProgressBar *ProgressBar1;
    void setText(const QString &text);
    void setProgress(int percent); // 0...100
    // Shows the cancel button "取消" (hidden unless the command can be cancelled).
    void setCancellable(bool on);
    QPushButton *cmdCancel;

Q_SIGNALS:
    // The cancel button was clicked.
    void cancelled();
};
