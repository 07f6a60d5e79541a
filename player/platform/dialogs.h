#pragma once
// Every message box, question, file dialog and input box of the player goes through this
// interface, so that tests can record the texts and answer from a script.
#include <QString>
#include <QStringList>

class QWidget;

class Dialogs {
public:
    enum class Icon { None, Information, Question, Warning, Critical };
    enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
    enum class Answer { Ok, Cancel, Yes, No };

    struct Message {
        QString text;
        QString title; // empty: the application title "Lyravox"
        Icon icon = Icon::Information;
        Buttons buttons = Buttons::Ok;
        Answer defaultAnswer = Answer::Ok;
    };

    // Open and save dialogs. `filter` uses the "description|patterns|description|patterns"
    // form of the player's texts; `fileName` is the proposed name, `folder` the start folder.
    struct FileRequest {
        QString title;
        QString filter;
        QString fileName;
        QString folder;
        bool multiple = false;        // open: several files may be chosen
        bool mustExist = true;        // open: only existing files
        bool confirmOverwrite = true; // save
        // save: the extension (without the dot) given to a name typed without one, before
        // the dialog asks whether to overwrite an existing file.
        QString defaultSuffix;
    };

    virtual ~Dialogs() = default;

    // Blocks until answered (modal). Returns the button pressed.
    virtual Answer message(const Message &m) = 0;
    // The chosen files, or an empty list when cancelled.
    virtual QStringList openFiles(const FileRequest &r) = 0;
    // The chosen file, or an empty text when cancelled.
    virtual QString saveFile(const FileRequest &r) = 0;
    // An input box: the text typed, or an empty text when cancelled (as the player's texts expect).
    virtual QString input(const QString &prompt, const QString &title,
                          const QString &defaultText) = 0;

    // Conveniences over message().
    void info(const QString &text, const QString &title = QString());
    void warning(const QString &text, const QString &title = QString());
    void error(const QString &text, const QString &title = QString());
    // A Yes/No question with the question icon; true for Yes.
    bool ask(const QString &text, const QString &title = QString(), bool defaultNo = false);

    // The window the dialogs are shown over (may be null).
    void setParentWidget(QWidget *parent) { m_parent = parent; }
    QWidget *parentWidget() const { return m_parent; }

    static QString applicationTitle() { return QStringLiteral("Lyravox"); }
    // The title with the version, "Lyravox 1.7.0": the main window's caption and title line.
    static QString applicationCaption();

private:
    QWidget *m_parent = nullptr;
};
