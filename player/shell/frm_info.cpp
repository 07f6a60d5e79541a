#include "shell/frm_info.h"

#include "widgets/xp_button.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

FrmInfo::FrmInfo(const TrackInfoSource &source, QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmInfo"));
    setWindowTitle(QStringLiteral("曲目属性"));
    setModal(true);
    const char *labels[9] = {"路径全名:", "曲目标题:", "艺术家:",   "版权:", "播放时间:",
                             "文件大小:", "创建日期:", "修改日期:", "说明:"};
    auto *form = new QFormLayout;
    const std::array<QString, 9> values = TrackInfo::fields(source);
    for (int k = 0; k < 9; ++k) {
        auto *field = new QLineEdit(values[size_t(k)], this);
        field->setObjectName(QStringLiteral("Text%1").arg(k + 1));
        field->setReadOnly(true);
        field->setCursorPosition(0);
        field->setMinimumWidth(320);
        Text[size_t(k)] = field;
        form->addRow(new QLabel(QString::fromUtf8(labels[k]), this), field);
    }
    XPButton1 = new XPButton(this);
    XPButton1->setObjectName(QStringLiteral("XPButton1"));
    XPButton1->setCaption(QStringLiteral("关闭"));
    XPButton1->setFixedSize(80, 26);
    connect(XPButton1, &XPButton::clicked, this, [this] {
        XPButton1->setEnabled(false);
        accept();
    });
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(XPButton1, 0, Qt::AlignRight);
}
