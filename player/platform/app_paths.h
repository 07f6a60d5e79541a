#pragma once
// Where the player keeps its files. The home folder is writable and holds "LRCS", "PICS",
// "TEMP", "skins", "bkground", SetLog.ini and List.lvx; shipped read-only data (default skin,
// pictures, help, the demo song) is looked up in the home folder first, then in the data folder.
#include <QString>
#include <QStringList>

class AppPaths {
public:
    // $LYRAVOX_HOME, else $XDG_DATA_HOME/lyravox (~/.local/share/lyravox). Shipped data is
    // looked up in $LYRAVOX_DATA_DIR, <prefix>/share/lyravox, then (run from the build tree) the
    // generated data/ of the build folder and data/ of the source tree.
    static AppPaths fromEnvironment();
    // `dataDirs` are searched in order for shipped files.
    AppPaths(QString home, QStringList dataDirs);

    const QString &home() const { return m_home; }
    const QStringList &dataDirs() const { return m_dataDirs; }

    // home + "/" + relative name.
    QString file(const QString &relative) const;
    // The shipped file: in the home folder when present there, else in the data folder.
    QString shipped(const QString &relative) const;

    QString lyricStore() const { return file(QStringLiteral("LRCS")); }
    QString pictureStore() const { return file(QStringLiteral("PICS")); }
    QString temp() const { return file(QStringLiteral("TEMP")); }

    // Creates the home folder and "LRCS", "PICS" and "TEMP" (existing folders stay).
    void createFolders() const;
    // Deletes every file in "TEMP"; errors ignored.
    void emptyTemp() const;

private:
    QString m_home;
    QStringList m_dataDirs;
};
