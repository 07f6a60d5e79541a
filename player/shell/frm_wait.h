#pragma once
// The wait window shown without blocking while a long command works.
#include <QDialog>

class QLabel;
class QProgressBar;

class FrmWait : public QDialog {
    Q_OBJECT
public:
    explicit FrmWait(QWidget *owner = nullptr);
    QLabel *Label1;
    QProgressBar *ProgressBar1;
    void setText(const QString &text);
    void setProgress(int percent); // 0...100
};
