#pragma once
// Binds the playlist to the main window: List1 shows the model, Frame1 its count, the menu
// items, buttons and the list's context menu Popmnu4 run the playlist commands, and files
// dropped on the list are added or imported.
#include "playlist/playlist_commands.h"
#include "playlist/playlist_model.h"
#include "shell/app_context.h"
#include "shell/main_window_ui.h"

#include <QObject>

class PlaylistController : public QObject {
    Q_OBJECT
public:
    PlaylistController(AppContext &ctx, MainWindowUi &ui, QObject *parent = nullptr);

    PlaylistModel &model() { return m_model; }
    PlaylistCommands &commands() { return m_commands; }

    // Start-up: the default playlist with this start's command line (none after a reload) and
    // the stored CurrentIndex; sets the count caption.
    void loadAtStartup();
    // Exit, before the settings are written: the stored CurrentIndex follows the playlist's.
    void storeCurrentIndex() { m_ctx.settings.CurrentIndex = m_model.CurrentIndex; }
    // Exit: List.lvx with the index line (an empty list leaves the file as it is).
    void saveAtExit() { m_commands.SaveDefaultPlaylist(); }

public Q_SLOTS:
    // The add-tracks command (also run by playback and start-up when the list is empty).
    void addTracks() { m_commands.mnuAdd(); }
    // A track failed to load: offer to drop it and reload the main window.
    void recoverAndReload() { m_commands.RecoverAndReload(); }

Q_SIGNALS:
    // Double click on the list or "播放选中的曲目": play the selected item.
    void playSelectedRequested();
    // CurrentIndex names the item to load into the player (without playing); the receiver
    // leaves lyric editing and take mode as for any track switch and calls recoverAndReload()
    // when the load fails.
    void loadTrackRequested();
    // A titled link got its no-lyrics file; the lyrics may be looked up again.
    void noLyricsFileWritten(const QString &track);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void bindList();
    void bindCommands();
    void fillContextMenu();
    void showSelection(int index);
    void updateCaption();
    void updateToolTip();
    QStringList droppedFiles(const class QMimeData *mime) const;

    AppContext &m_ctx;
    MainWindowUi &m_ui;
    PlaylistModel m_model;
    PlaylistCommands m_commands;
    bool m_syncing = false; // List1 is being changed from the model
};
