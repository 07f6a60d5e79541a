#include "scripted_dialogs.h"

Dialogs::Answer ScriptedDialogs::message(const Message &m) {
    Entry e{Kind::Message, m.text, m.title, m.icon, m.buttons, {}, {}};
    m_entries.append(e);
    if (m_answers.empty()) return m.buttons == Buttons::Ok ? Answer::Ok : m.defaultAnswer;
    Answer a = m_answers.front();
    m_answers.pop_front();
    return a;
}

QStringList ScriptedDialogs::openFiles(const FileRequest &r) {
    m_entries.append(Entry{Kind::OpenFiles, {}, r.title, Icon::None, Buttons::Ok, r, {}});
    if (m_opens.empty()) return {};
    QStringList files = m_opens.front();
    m_opens.pop_front();
    return files;
}

QString ScriptedDialogs::saveFile(const FileRequest &r) {
    m_entries.append(Entry{Kind::SaveFile, {}, r.title, Icon::None, Buttons::Ok, r, {}});
    if (m_saves.empty()) return {};
    QString file = m_saves.front();
    m_saves.pop_front();
    return file;
}

QString ScriptedDialogs::input(const QString &prompt, const QString &title,
                               const QString &defaultText) {
    m_entries.append(
        Entry{Kind::Input, prompt, title, Icon::None, Buttons::OkCancel, {}, defaultText});
    if (m_inputs.empty()) return {};
    QString text = m_inputs.front();
    m_inputs.pop_front();
    return text;
}

QStringList ScriptedDialogs::messageTexts() const {
    QStringList texts;
    for (const Entry &e : m_entries)
        if (e.kind == Kind::Message) texts << e.text;
    return texts;
}
