#pragma once
// The about box: title, version, description, the link to the program's web page and the
// system information tool.
#include <QDialog>
#include <QUrl>
#include <functional>

class Dialogs;
class QLabel;
class XPButton;

class FrmAbout : public QDialog {
    Q_OBJECT
public:
    struct Hooks {
        std::function<void()> toggleDisplayOption; // the version label's click
        std::function<void(const QUrl &)> openUrl; // the link label's click
    };
    FrmAbout(Dialogs &dialogs, QUrl homePage, Hooks hooks, QWidget *parent = nullptr);

    // The system information tool found on PATH (gnome-system-monitor, then hardinfo); empty
    // when neither is installed.
    static QString systemInfoTool();
    // "系统信息": starts the tool without waiting for it, or says "此时系统信息不可用".
    void startSystemInfo();

    QLabel *lblTitle = nullptr, *lblVersion = nullptr, *picIcon = nullptr;
    QLabel *lblDescription = nullptr, *lblDisclaimer = nullptr, *Label1 = nullptr;
    XPButton *cmdOK = nullptr, *cmdSysInfo = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Dialogs &m_dialogs;
    QUrl m_homePage;
    Hooks m_hooks;
};
