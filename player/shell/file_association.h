#pragma once
// The media file types the association dialog offers and the rules that associate them with the
// player: the class "Lv." + ext, the backup "Lv_Backup" of the previous class, and the undo that
// gives an extension back only while it is still ours.
#include "platform/file_class_registry.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace FileAssociation {

// The 21 extensions with their dot, in the dialog's order (".m3u", ".wav", ".mp3" ...).
const QStringList &captions();

struct Program {
    QString homeFolder;  // holds res/lvx.ico and res/Default.ico
    QString programPath; // the player's executable
};

// True when ".ext" names our class "Lv." + ext (`ext` without the dot).
bool isAssociated(const FileClassRegistry &registry, const QString &ext);
// Makes `ext` ours; the previous class is kept as "Lv_Backup" when it is neither empty nor ours.
void associate(FileClassRegistry &registry, const QString &ext, const Program &program);
// Gives `ext` back to its backup class, only while it is ours; does nothing otherwise.
void dissociate(FileClassRegistry &registry, const QString &ext);
// Runs associate or dissociate for every extension of captions(), in order.
void applyChoices(FileClassRegistry &registry, const std::vector<bool> &checked,
                  const Program &program);

// The whole dialog round trip on the user's files: the store in `configHome`/lyravox, the
// desktop's current defaults read into it first, the XDG files written after.
class Session {
public:
    Session(QString dataHome, QString configHome);
    // The check state of every extension as the desktop has it now.
    std::vector<bool> checkedNow() const;
    enum class Outcome {
        Done,
        // The user's mimeapps.list cannot be read (now or when the session began): nothing was
        // changed, as rewriting it would drop the defaults it holds.
        Unreadable,
        // A file could not be written; the old mimeapps.list stays whole.
        NotWritten,
    };
    // Applies the choices, saves the store and writes the XDG files.
    Outcome commit(const std::vector<bool> &checked, const Program &program);
    FileClassRegistry &registry() { return m_registry; }
    // The message that tells what an outcome other than Done means; empty for Done.
    QString message(Outcome outcome) const;

private:
    QString m_data, m_config;
    FileClassRegistry m_registry;
    bool m_readable = false;
};

} // namespace FileAssociation
