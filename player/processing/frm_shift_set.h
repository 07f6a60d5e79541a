#pragma once
// frmShiftSet "改变曲目音调设定": the step of a key shift, -5 (lower) to 5 (higher).
#include "platform/dialogs.h"

#include <QDialog>

class QSlider;
class XPButton;

class FrmShiftSet : public QDialog {
    Q_OBJECT
public:
    FrmShiftSet(Dialogs &dialogs, QWidget *owner = nullptr);

    // The chosen step; 0 when cancelled (KeyShiftSetting).
    int KeyShiftSetting() const { return m_setting; }

    QSlider *Slider1;
    XPButton *okButton;
    XPButton *cancelButton;

private:
    void accept() override;
    void reject() override;
    void finishWith(int setting);

    Dialogs &m_dialogs;
    int m_setting = 0;
};
