#pragma once
// The track information dialog "曲目属性": nine read-only fields and "关闭".
#include "shell/track_info.h"

#include <QDialog>
#include <array>

class QLineEdit;
class XPButton;

class FrmInfo : public QDialog {
    Q_OBJECT
public:
    explicit FrmInfo(const TrackInfoSource &source, QWidget *parent = nullptr);

    std::array<QLineEdit *, 9> Text{}; // Text1 ... Text9
    XPButton *XPButton1 = nullptr;     // "关闭"
};
