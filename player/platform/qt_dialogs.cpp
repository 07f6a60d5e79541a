#include "platform/qt_dialogs.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace {
QString titleOr(const QString &title) {
    return title.isEmpty() ? Dialogs::applicationTitle() : title;
}
} // namespace

QString QtDialogs::qtFilter(const QString &filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts.at(i + 1);
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        out << parts.at(i) + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return out.join(QStringLiteral(";;"));
}

Dialogs::Answer QtDialogs::message(const Message &m) {
    QMessageBox box(parentWidget());
    box.setWindowTitle(titleOr(m.title));
    box.setTextFormat(Qt::PlainText); // texts may carry a server's words: never rich text
    box.setText(m.text);
    switch (m.icon) {
    case Icon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case Icon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case Icon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case Icon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case Icon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    }
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    switch (m.buttons) {
    case Buttons::Ok:
        buttons = QMessageBox::Ok;
        break;
    case Buttons::OkCancel:
        buttons = QMessageBox::Ok | QMessageBox::Cancel;
        break;
    case Buttons::YesNo:
        buttons = QMessageBox::Yes | QMessageBox::No;
        break;
    case Buttons::YesNoCancel:
        buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        break;
    }
    box.setStandardButtons(buttons);
    switch (m.defaultAnswer) {
    case Answer::Ok:
        box.setDefaultButton(QMessageBox::Ok);
        break;
    case Answer::Cancel:
        box.setDefaultButton(QMessageBox::Cancel);
        break;
    case Answer::Yes:
        box.setDefaultButton(QMessageBox::Yes);
        break;
    case Answer::No:
        box.setDefaultButton(QMessageBox::No);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Cancel:
        return Answer::Cancel;
    default:
        return m.buttons == Buttons::YesNo ? Answer::No : Answer::Ok;
    }
}

QStringList QtDialogs::openFiles(const FileRequest &r) {
    QString start = r.folder;
    if (!r.fileName.isEmpty())
        start = start.isEmpty() ? r.fileName : start + QLatin1Char('/') + r.fileName;
    if (r.multiple)
        return QFileDialog::getOpenFileNames(parentWidget(), r.title, start, qtFilter(r.filter));
    const QString file =
        QFileDialog::getOpenFileName(parentWidget(), r.title, start, qtFilter(r.filter));
    return file.isEmpty() ? QStringList() : QStringList{file};
}

QString QtDialogs::saveFile(const FileRequest &r) {
    QString start = r.folder;
    if (!r.fileName.isEmpty())
        start = start.isEmpty() ? r.fileName : start + QLatin1Char('/') + r.fileName;
    QFileDialog dialog(parentWidget(), r.title, start, qtFilter(r.filter));
    dialog.setObjectName(QStringLiteral("saveFileDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !r.confirmOverwrite);
    dialog.setDefaultSuffix(r.defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    return dialog.selectedFiles().constFirst();
}

QString QtDialogs::input(const QString &prompt, const QString &title, const QString &defaultText) {
    bool ok = false;
    const QString text = QInputDialog::getText(parentWidget(), titleOr(title), prompt,
                                               QLineEdit::Normal, defaultText, &ok);
    return ok ? text : QString();
}
