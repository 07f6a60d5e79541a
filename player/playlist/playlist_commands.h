#pragma once
// The playlist's commands: start-up load and exit save, add files, add a link, drop, import,
// export, delete, delete all, step up and down, the press on the list, and the recovery after
// a track failed to load. They work on the model and the dialogs; the controller binds them
// to the window's widgets, and loading a track is asked of the playback side by signal.
#include "playlist/default_playlist.h"
#include "playlist/playlist_model.h"
#include "shell/app_context.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class PlaylistCommands : public QObject {
    Q_OBJECT
public:
    PlaylistCommands(AppContext &ctx, PlaylistModel &model, QObject *parent = nullptr);

    // The seven filters of the add dialog, in the dialog's form.
    static QString addFilter();
    // File endings a drop adds as tracks (lower case, with the dot).
    static const QStringList &droppableTypes();

    // True while the media player is stopped or closed (nothing playing or paused). Unset:
    // always true.
    std::function<bool()> playerIdle;
    // True while the vocal-removed or key-shifted copy is switched on. Unset: false.
    std::function<bool()> processedCopyOn;

    // Start-up: fills the list from the default playlist and the command line and selects the
    // start item (`startIndex` is the stored CurrentIndex).
    void LoadDefaultPlaylist(const QString &commandLine, int startIndex);
    // Exit: writes List.lvx with the index line, unless the list is empty.
    void SaveDefaultPlaylist();
    // Appends a list file's items; false when it cannot be read (nothing added then).
    bool AppendListFile(const QString &path);

    void mnuAdd();
    void mnuAdd2();
    void ImportPlaylist();
    void ExportPlaylist();
    void mnuDelete();
    void mnuDeleteAll();
    void mnuListUp();
    void mnuListDown();
    // Files dropped on the list: the first one is added or imported after a question.
    void dropFiles(const QStringList &files);
    // A mouse button went down on the list (after the press selected its item).
    void listPressed();

    // The answer to a track that failed to load: offers to drop it, then reloads the window.
    void RecoverAndReload();

Q_SIGNALS:
    // CurrentIndex names the item to load into the player (LoadTrack, without playing). The
    // receiver calls RecoverAndReload() when the load fails.
    void loadTrackRequested();
    // A no-lyrics file was written for `track` (a titled link): the lyrics may be looked up again.
    void noLyricsFileWritten(const QString &track);
    // RecoverAndReload is starting: the lyric, download, start-up and visualization timers
    // must stop.
    void recoveryStarted();

private:
    bool idle() const { return !playerIdle || playerIdle(); }
    void addPaths(const QStringList &paths);
    void loadIfOnlyItem();
    void step(bool down);
    Dialogs::Answer ask(const QString &text, Dialogs::Icon icon, bool defaultNo);
    void tell(const QString &text, Dialogs::Icon icon);

    AppContext &m_ctx;
    PlaylistModel &m_model;
    DefaultPlaylist m_default;
};
