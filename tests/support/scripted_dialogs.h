#pragma once
// Dialogs for tests: records every dialog with its texts and answers from a script.
// With nothing scripted, a message is answered with its default answer and file dialogs and
// input boxes are cancelled.
#include "platform/dialogs.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <deque>

class ScriptedDialogs : public Dialogs {
public:
    enum class Kind { Message, OpenFiles, SaveFile, Input };
    struct Entry {
        Kind kind;
        QString text;  // message text or input prompt
        QString title; // title as passed (empty: application title)
        Icon icon = Icon::None;
        Buttons buttons = Buttons::Ok;
        FileRequest request; // file dialogs
        QString defaultText; // input boxes
    };

    // Script: answers are taken in order by the dialogs of their kind.
    void answerMessage(Answer a) { m_answers.push_back(a); }
    void answerOpen(const QStringList &files) { m_opens.push_back(files); }
    void answerSave(const QString &file) { m_saves.push_back(file); }
    void answerInput(const QString &text) { m_inputs.push_back(text); }

    Answer message(const Message &m) override;
    QStringList openFiles(const FileRequest &r) override;
    QString saveFile(const FileRequest &r) override;
    QString input(const QString &prompt, const QString &title, const QString &defaultText) override;

    const QList<Entry> &entries() const { return m_entries; }
    // Texts of all messages shown, in order.
    QStringList messageTexts() const;
    void clear() { m_entries.clear(); }

private:
    QList<Entry> m_entries;
    std::deque<Answer> m_answers;
    std::deque<QStringList> m_opens;
    std::deque<QString> m_saves;
    std::deque<QString> m_inputs;
};
