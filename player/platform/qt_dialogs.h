#pragma once
// Dialogs shown with Qt's message boxes, file dialogs and input boxes.
#include "platform/dialogs.h"

class QtDialogs : public Dialogs {
public:
    Answer message(const Message &m) override;
    QStringList openFiles(const FileRequest &r) override;
    QString saveFile(const FileRequest &r) override;
    QString input(const QString &prompt, const QString &title, const QString &defaultText) override;

    // "desc|*.a;*.b|desc2|*.c" becomes Qt's "desc (*.a *.b);;desc2 (*.c)".
    static QString qtFilter(const QString &filter);
};
