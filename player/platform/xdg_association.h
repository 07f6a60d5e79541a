#pragma once
// Turns the file classes of the registry store into what the desktop reads: a desktop entry for
// the player, a shared-mime-info package for ".lvx" and our other own types, and the default
// applications in mimeapps.list. Only our own entries are added or removed; everything else stays.
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
// "Lv." + ext while the desktop opens its MIME type with us through it, otherwise the desktop ids
// of the entry that opens it ("vlc.desktop;mpv.desktop", the whole list, so that a restore gives
// all of it back; a sibling extension of the same type being ours: that sibling's backup), or
// empty. The association rules then run on the store unchanged: the previous default becomes
// the backup, and a type another program took since is no longer ours.
// False, and the store untouched, while the user's mimeapps.list cannot be read.
bool readDesktopDefaults(FileClassRegistry &registry, const QString &dataHome,
                         const QString &configHome);
// The extensions (without dot) whose class is one of ours: ".lvx" → "LVX.file", ".mp3" → "Lv.mp3".
QStringList associatedExtensions(const FileClassRegistry &registry);
// Writes the XDG files under `dataHome` ($XDG_DATA_HOME) and `configHome` ($XDG_CONFIG_HOME).
// A MIME type becomes ours while any of its extensions is ours; when none is any more and the
// desktop still opens it with us, the value the store gives back (the previous desktop ids) is
// restored, or our entry goes. Types held by another program are left alone. mimeapps.list is
// replaced atomically (a new file renamed into place).
// When the MIME package or the desktop entry changed, update-mime-database and
// update-desktop-database refresh the user's caches in the background (where installed).
// False when the user's mimeapps.list cannot be read (nothing is written then) or written.
bool apply(const FileClassRegistry &registry, const QString &programPath, const QString &dataHome,
           const QString &configHome);
// `configHome`/mimeapps.list, the file apply() edits.
QString mimeApplicationsFile(const QString &configHome);
// False when the user's mimeapps.list is there but cannot be read whole or is not UTF-8: it is
// then never rewritten, as everything in it that we could not read would be lost.
bool userDefaultsReadable(const QString &configHome);
// Our shared-mime-info package: the playlist type (with `playlistComment`, when not empty) and
// types of our own for the extensions shared-mime-info has none for.
QString mimePackage(const QString &playlistComment = QString());
// $XDG_DATA_HOME and $XDG_CONFIG_HOME with their defaults.
QString dataHome();
QString configHome();

} // namespace XdgAssociation
