#pragma once
// Turns the file classes of the registry store into what the desktop reads: a desktop entry for
// the player, a shared-mime-info package for ".lvx" and the default applications in
// mimeapps.list. Only our own entries are added or removed; everything else stays.
#include <QString>
#include <QStringList>

class FileClassRegistry;

namespace XdgAssociation {

// The MIME type of an extension (without the dot); empty when unknown.
QString mimeTypeFor(const QString &ext);
// The extensions (without dot) whose class is one of ours: ".lvx" → "LVX.file", ".mp3" → "Lv.mp3".
QStringList associatedExtensions(const FileClassRegistry &registry);
// Writes the XDG files under `dataHome` ($XDG_DATA_HOME) and `configHome` ($XDG_CONFIG_HOME).
// When the MIME package or the desktop entry changed, update-mime-database and
// update-desktop-database refresh the user's caches in the background (where installed).
void apply(const FileClassRegistry &registry, const QString &programPath, const QString &dataHome,
           const QString &configHome);
// $XDG_DATA_HOME and $XDG_CONFIG_HOME with their defaults.
QString dataHome();
QString configHome();

} // namespace XdgAssociation
