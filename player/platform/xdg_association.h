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
// The media extensions (without the dot) the association dialog offers, in name order.
QStringList mediaExtensions();
// Our desktop entry's id, "lyravox.desktop".
QString desktopId();
// The desktop id the desktop opens `mime` with, found as xdg-mime finds it: the first installed
// entry of [Default Applications] in the mimeapps.list files of `configHome`, $XDG_CONFIG_DIRS,
// `dataHome`/applications and $XDG_DATA_DIRS/applications (desktop-specific files first).
// Empty when none is set.
QString defaultApplication(const QString &mime, const QString &dataHome, const QString &configHome);
// Makes the class value of every media extension (".mp3" ...) say what the desktop does now:
// "Lv." + ext while the desktop opens its MIME type with us through it, otherwise the desktop id
// that opens it (a sibling extension of the same type being ours: that sibling's backup), or
// empty. The association rules then run on the store unchanged: the previous default becomes
// the backup, and a type another program took since is no longer ours.
void readDesktopDefaults(FileClassRegistry &registry, const QString &dataHome,
                         const QString &configHome);
// The extensions (without dot) whose class is one of ours: ".lvx" → "LVX.file", ".mp3" → "Lv.mp3".
QStringList associatedExtensions(const FileClassRegistry &registry);
// Writes the XDG files under `dataHome` ($XDG_DATA_HOME) and `configHome` ($XDG_CONFIG_HOME).
// A MIME type becomes ours while any of its extensions is ours; when none is any more and the
// desktop still opens it with us, the value the store gives back (the previous desktop id) is
// restored, or our entry goes. Types held by another program are left alone. mimeapps.list is
// replaced atomically (a new file renamed into place).
// When the MIME package or the desktop entry changed, update-mime-database and
// update-desktop-database refresh the user's caches in the background (where installed).
void apply(const FileClassRegistry &registry, const QString &programPath, const QString &dataHome,
           const QString &configHome);
// $XDG_DATA_HOME and $XDG_CONFIG_HOME with their defaults.
QString dataHome();
QString configHome();

} // namespace XdgAssociation
