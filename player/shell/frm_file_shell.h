#pragma once
// The file association dialog "文件关联设置": 21 extensions with the icon each has now, "全 选",
// "全不选", "取 消" and "确 定". The dialog only holds the choices; `apply` writes them.
#include <QDialog>
#include <array>
#include <functional>
#include <vector>

class AppPaths;
class QCheckBox;
class QLabel;
class XPButton;

class FrmFileShell : public QDialog {
    Q_OBJECT
public:
    using Apply = std::function<void(const std::vector<bool> &checked)>;
    FrmFileShell(const AppPaths &paths, const std::vector<bool> &checked, Apply apply,
                 QWidget *parent = nullptr);

    std::vector<bool> checked() const;

    std::array<QCheckBox *, 21> Check1{};
    std::array<QLabel *, 21> Image1{};
    QLabel *Label1 = nullptr;
    XPButton *XPButton1 = nullptr; // "全 选"
    XPButton *XPButton2 = nullptr; // "全不选"
    XPButton *XPButton3 = nullptr; // "取 消"
    XPButton *XPButton4 = nullptr; // "确 定"

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void showIcons();
    void finish(bool apply);

    const AppPaths &m_paths;
    Apply m_apply;
};
