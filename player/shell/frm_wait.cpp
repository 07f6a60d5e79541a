#include "shell/frm_wait.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

FrmWait::FrmWait(QWidget *owner) : QDialog(owner) {
    setObjectName(QStringLiteral("frmWait"));
    setWindowTitle(QStringLiteral("Lyravox"));
    setModal(false);
    Label1 = new QLabel(QStringLiteral("正在处理，请稍候…"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    cmdCancel = new QPushButton(QStringLiteral("取消"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->hide();
    connect(cmdCancel, &QPushButton::clicked, this, &FrmWait::cancelled);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(ProgressBar1);
    layout->addWidget(cmdCancel, 0, Qt::AlignRight);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Highlight));
    pal.setColor(QPalette::WindowText, pal.color(QPalette::HighlightedText));
    setPalette(pal);
    setAutoFillBackground(true);
}

void FrmWait::setText(const QString &text) {
    Label1->setText(text);
}
void FrmWait::setProgress(int percent) {
    ProgressBar1->setValue(std::clamp(percent, 0, 100));
}

void FrmWait::setCancellable(bool on) {
    cmdCancel->setVisible(on);
}
