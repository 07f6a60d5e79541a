#include "shell/frm_about.h"

#include "platform/dialogs.h"
#include "widgets/xp_button.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QProcess>
#include <QStandardPaths>
#include <QStyle>
#include <QVBoxLayout>
#include <QVersionNumber>

FrmAbout::FrmAbout(Dialogs &dialogs, QUrl homePage, Hooks hooks, QWidget *parent)
    : QDialog(parent), m_dialogs(dialogs), m_homePage(std::move(homePage)),
      m_hooks(std::move(hooks)) {
    const QString title = Dialogs::applicationTitle();
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("关于 ") + title);
    setModal(true);
    auto label = [this](const char *name, const QString &text) {
        auto *l = new QLabel(text, this);
        l->setObjectName(QLatin1String(name));
        return l;
    };
    lblTitle = label("lblTitle", title);
    QFont big = lblTitle->font();
    big.setPointSize(big.pointSize() + 6);
    big.setBold(true);
    lblTitle->setFont(big);
    const QVersionNumber version = QVersionNumber::fromString(QStringLiteral(LYRAVOX_VERSION));
    lblVersion = label("lblVersion", QStringLiteral("版本 %1.%2.%3")
                                         .arg(version.majorVersion())
                                         .arg(version.minorVersion())
                                         .arg(version.microVersion()));
    lblVersion->installEventFilter(this);
    picIcon = label("picIcon", QString());
    QIcon icon = QIcon::fromTheme(QStringLiteral("lyravox"));
    if (icon.isNull()) icon = QApplication::windowIcon();
    if (icon.isNull()) icon = QApplication::style()->standardIcon(QStyle::SP_MediaPlay);
    picIcon->setPixmap(icon.pixmap(32, 32));
    lblDescription = label("lblDescription",
                           QStringLiteral("基于Windows Media Player和DirectSound声音处理技术的具有"
                                          "卡拉OK播放和录音功能的多媒体播放器。\r\n"));
    lblDescription->setWordWrap(true);
    lblDisclaimer =
        label("lblDisclaimer",
              QStringLiteral("本程序为自由软件，按“原样”提供，不附带任何明示或默示的担保。"
                             "使用本程序播放、录制或转换的作品，其版权归原作者所有。"));
    lblDisclaimer->setWordWrap(true);
    Label1 = label("Label1", QStringLiteral("访问 Lyravox 网站"));
    QPalette navy = Label1->palette();
    navy.setColor(QPalette::WindowText, QColor(0, 0, 128));
    Label1->setPalette(navy);
    Label1->setCursor(Qt::PointingHandCursor);
    Label1->setToolTip(QStringLiteral("连接网站"));
    Label1->installEventFilter(this);

    cmdOK = new XPButton(this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setCaption(QStringLiteral("确 定"));
    cmdSysInfo = new XPButton(this);
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    cmdSysInfo->setCaption(QStringLiteral("系统信息"));
    for (XPButton *b : {cmdOK, cmdSysInfo})
        b->setFixedSize(90, 26);
    connect(cmdOK, &XPButton::clicked, this, [this] {
        cmdOK->setEnabled(false);
        cmdSysInfo->setEnabled(false);
        accept();
    });
    connect(cmdSysInfo, &XPButton::clicked, this, &FrmAbout::startSystemInfo);

    auto *head = new QHBoxLayout;
    head->addWidget(picIcon, 0, Qt::AlignTop);
    auto *titles = new QVBoxLayout;
    titles->addWidget(lblTitle);
    titles->addWidget(lblVersion);
    titles->addWidget(lblDescription);
    head->addLayout(titles, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Label1);
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdSysInfo);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(head);
    layout->addWidget(lblDisclaimer);
    layout->addLayout(buttons);
    setMinimumWidth(440);
}

QString FrmAbout::systemInfoTool() {
    for (const char *tool : {"gnome-system-monitor", "hardinfo"}) {
        const QString found = QStandardPaths::findExecutable(QLatin1String(tool));
        if (!found.isEmpty()) return found;
    }
    return QString();
}

void FrmAbout::startSystemInfo() {
    const QString tool = systemInfoTool();
    if (tool.isEmpty() || !QProcess::startDetached(tool, {})) {
        m_dialogs.message({QStringLiteral("此时系统信息不可用"), QString(),
                           Dialogs::Icon::Information, Dialogs::Buttons::Ok});
    }
}

bool FrmAbout::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() != QEvent::MouseButtonRelease) return false;
    auto *mouse = static_cast<QMouseEvent *>(event);
    auto *w = static_cast<QWidget *>(watched);
    if (mouse->button() != Qt::LeftButton || !w->rect().contains(mouse->position().toPoint()))
        return false;
    if (watched == lblVersion && m_hooks.toggleDisplayOption) m_hooks.toggleDisplayOption();
    if (watched == Label1 && m_hooks.openUrl) m_hooks.openUrl(m_homePage);
    return watched == lblVersion || watched == Label1;
}
