#include "shell/frm_file_shell.h"

#include "platform/app_paths.h"
#include "shell/file_association.h"
#include "widgets/xp_button.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QMimeDatabase>
#include <QMouseEvent>
#include <QStyle>
#include <QWindow>

namespace {

constexpr int kTwips = 15;
const int kImageLeft[3] = {360, 2280, 4320};
const int kCheckLeft[3] = {840, 2760, 4800};

// The icon the desktop shows for files of the sample's type; without an icon theme, the
// class icon we ship.
QIcon iconFor(const QString &sample, const QString &shipped) {
    const QMimeType type = QMimeDatabase().mimeTypeForFile(sample, QMimeDatabase::MatchExtension);
    QIcon icon = QIcon::fromTheme(type.iconName());
    if (icon.isNull()) icon = QIcon::fromTheme(type.genericIconName());
    if (icon.isNull()) icon = QIcon(shipped);
    if (icon.isNull() || icon.availableSizes().isEmpty())
        icon = QApplication::style()->standardIcon(QStyle::SP_FileIcon);
    return icon;
}

} // namespace

FrmFileShell::FrmFileShell(const AppPaths &paths, const std::vector<bool> &checked, Apply apply,
                           QWidget *parent)
    : QDialog(parent), m_paths(paths), m_apply(std::move(apply)) {
    setObjectName(QStringLiteral("frmFileShell"));
    setWindowTitle(QStringLiteral("文件关联设置"));
    setModal(true);
    const QStringList &captions = FileAssociation::captions();
    for (int i = 0; i < 21; ++i) {
        const int column = i % 3, row = i / 3;
        QLabel *image = new QLabel(this);
        image->setObjectName(QStringLiteral("Image1_%1").arg(i));
        image->setGeometry(kImageLeft[column] / kTwips, (420 + 480 * row) / kTwips, 480 / kTwips,
                           360 / kTwips);
        image->setCursor(Qt::PointingHandCursor);
        image->installEventFilter(this);
        Image1[size_t(i)] = image;
        QCheckBox *box = new QCheckBox(captions.at(i), this);
        box->setObjectName(QStringLiteral("Check1_%1").arg(i));
        box->setGeometry(kCheckLeft[column] / kTwips, (480 + 480 * row) / kTwips - 2, 1100 / kTwips,
                         300 / kTwips);
        box->setChecked(size_t(i) < checked.size() && checked[size_t(i)]);
        Check1[size_t(i)] = box;
    }
    Label1 = new QLabel(QStringLiteral("选择文件关联后，可以使用关联文件打开本程序。"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(24, 3900 / kTwips, 360, 20);
    Label1->installEventFilter(this);
    const char *texts[4] = {"全 选", "全不选", "取 消", "确 定"};
    XPButton **buttons[4] = {&XPButton1, &XPButton2, &XPButton3, &XPButton4};
    for (int k = 0; k < 4; ++k) {
        XPButton *b = new XPButton(this);
        b->setObjectName(QStringLiteral("XPButton%1").arg(k + 1));
        b->setCaption(QString::fromUtf8(texts[k]));
        b->setGeometry(24 + 88 * k, 4380 / kTwips, 80, 26);
        *buttons[k] = b;
    }
    setFixedSize(6240 / kTwips, 5040 / kTwips);

    for (QCheckBox *box : Check1)
        connect(box, &QCheckBox::clicked, this, [this] { XPButton4->setFocus(); });
    connect(XPButton1, &XPButton::clicked, this, [this] {
        for (QCheckBox *box : Check1)
            box->setChecked(true);
    });
    connect(XPButton2, &XPButton::clicked, this, [this] {
        for (QCheckBox *box : Check1)
            box->setChecked(false);
    });
    connect(XPButton3, &XPButton::clicked, this, [this] { finish(false); });
    connect(XPButton4, &XPButton::clicked, this, [this] { finish(true); });
}

std::vector<bool> FrmFileShell::checked() const {
    std::vector<bool> out;
    for (const QCheckBox *box : Check1)
        out.push_back(box->isChecked());
    return out;
}

void FrmFileShell::showIcons() {
    const QStringList &captions = FileAssociation::captions();
    const QString fallback = m_paths.shipped(QStringLiteral("res/ico"));
    for (int i = 0; i < 21; ++i) {
        QString sample = m_paths.shipped(QStringLiteral("res/ico") + captions.at(i));
        if (!QFileInfo::exists(sample)) sample = fallback;
        // Without its sample file the extension itself still names the type.
        if (!QFileInfo::exists(sample)) sample = QStringLiteral("ico") + captions.at(i);
        const QString shipped = m_paths.shipped(captions.at(i) == QStringLiteral(".m3u")
                                                    ? QStringLiteral("res/lvx.ico")
                                                    : QStringLiteral("res/Default.ico"));
        Image1[size_t(i)]->setPixmap(iconFor(sample, shipped).pixmap(24, 24));
    }
}

void FrmFileShell::showEvent(QShowEvent *event) {
    // Each showing asks again, so every row has the icon its type has at that moment.
    showIcons();
    QDialog::showEvent(event);
}

void FrmFileShell::finish(bool apply) {
    if (apply && m_apply) m_apply(checked());
    for (XPButton *b : {XPButton1, XPButton2, XPButton3, XPButton4})
        b->setEnabled(false);
    apply ? accept() : reject();
}

bool FrmFileShell::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() != QEvent::MouseButtonPress) return false;
    if (watched == Label1) {
        if (windowHandle()) windowHandle()->startSystemMove();
        return true;
    }
    for (int i = 0; i < 21; ++i) {
        if (watched != Image1[size_t(i)]) continue;
        if (static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
            Check1[size_t(i)]->toggle();
            XPButton4->setFocus();
        }
        return true;
    }
    return false;
}

void FrmFileShell::mousePressEvent(QMouseEvent *event) {
    if (windowHandle()) windowHandle()->startSystemMove();
    QDialog::mousePressEvent(event);
}
