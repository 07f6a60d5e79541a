#include "processing/frm_shift_set.h"

#include "widgets/xp_button.h"

#include <QGridLayout>
#include <QLabel>
#include <QSlider>

FrmShiftSet::FrmShiftSet(Dialogs &dialogs, QWidget *owner) : QDialog(owner), m_dialogs(dialogs) {
    setObjectName(QStringLiteral("frmShiftSet"));
    setWindowTitle(QStringLiteral("改变曲目音调设定"));
    setModal(true);
    Slider1 = new QSlider(Qt::Horizontal, this);
    Slider1->setObjectName(QStringLiteral("Slider1"));
    Slider1->setRange(-5, 5);
    Slider1->setValue(0);
    Slider1->setTickPosition(QSlider::TicksBelow);
    Slider1->setTickInterval(1);
    Slider1->setPageStep(1);
    Slider1->setMinimumWidth(220);
    okButton = new XPButton(this);
    okButton->setObjectName(QStringLiteral("XPButton1"));
    okButton->setCaption(QStringLiteral("确 定"));
    cancelButton = new XPButton(this);
    cancelButton->setObjectName(QStringLiteral("XPButton2"));
    cancelButton->setCaption(QStringLiteral("取 消"));
    for (XPButton *b : {okButton, cancelButton})
        b->setFixedSize(80, 26);

    auto *layout = new QGridLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("低音 ←"), this), 0, 0);
    layout->addWidget(Slider1, 0, 1, 1, 2);
    layout->addWidget(new QLabel(QStringLiteral("→ 高音"), this), 0, 3);
    layout->addWidget(okButton, 1, 1);
    layout->addWidget(cancelButton, 1, 2);

    connect(Slider1, &QSlider::valueChanged, this, [this](int value) {
        setWindowTitle(QStringLiteral("改变曲目音调设定值 ") + QString::number(value));
    });
    connect(okButton, &XPButton::clicked, this, &FrmShiftSet::accept);
    connect(cancelButton, &XPButton::clicked, this, &FrmShiftSet::reject);
}

void FrmShiftSet::accept() {
    if (Slider1->value() == 0) {
        Dialogs::Message m;
        m.text = QStringLiteral("设定值为 0 无效！");
        m.icon = Dialogs::Icon::Critical;
        m_dialogs.message(m);
        return;
    }
    finishWith(Slider1->value());
}

void FrmShiftSet::reject() {
    finishWith(0);
}

void FrmShiftSet::finishWith(int setting) {
    m_setting = setting;
    okButton->setEnabled(false);
    cancelButton->setEnabled(false);
    QDialog::done(setting == 0 ? Rejected : Accepted);
}
