#pragma once
// The default playlist "List.lvx" in the home folder, which carries the list from one run to
// the next, and what the command line of a start does to it.
#include "platform/app_paths.h"

#include <QString>
#include <QStringList>

class DefaultPlaylist {
public:
    // What a start's command line asks for.
    struct Request {
        enum class Kind {
            None,       // no command line: read the default playlist
            ListFile,   // a ".lvx" or ".m3u" file: show its items, start at its index line or 0
            Append,     // "/a " + path: add the path to the default playlist
            AppendList, // "/a " + list file: add the list's items after the default playlist's
            Replace,    // a media path or address: it becomes the only item
        };
        Kind kind = Kind::None;
        QString path;
    };
    // Trims the command line and removes its double quotes; a relative path is taken relative
    // to `workingFolder`.
    static Request interpret(const QString &commandLine, const QString &workingFolder);

    struct Result {
        QStringList items;
        int startIndex = 0; // within the items; 0 when there are none
        bool demoAdded = false;
    };

    explicit DefaultPlaylist(AppPaths paths);

    QString file() const;
    // The demonstration song shipped with the program.
    QString demoFile() const;

    // The start-up load: renames an old "List.txt", applies the command line to the default
    // playlist, reads the resulting list (its index line overrides `startIndex`), falls back to
    // the demonstration song when nothing was read, clamps the start index to the items.
    Result load(const QString &commandLine, int startIndex,
                const QString &workingFolder = QString()) const;
    // Renames "List.txt" to "List.lvx" when only the old name exists.
    void renameOldFile() const;
    // The save at exit: the index line and the items; an empty list leaves the file as it is.
    bool save(const QStringList &items, int currentIndex) const;
    // The rewrite after a delete: the items without index line; the file is deleted when empty.
    bool rewrite(const QStringList &items) const;
    bool remove() const;

private:
    AppPaths m_paths;
};
