#pragma once
// The lyric file commands of the menus: open a file as the track's lyrics, reload, delete, and
// mark a track as having no lyrics.
#include "shell/app_context.h"
#include "shell/main_window_ui.h"

#include <QObject>
#include <QString>

class LyricsController;
class PlaylistModel;

class LyricFileCommands : public QObject {
    Q_OBJECT
public:
    LyricFileCommands(AppContext &ctx, MainWindowUi &ui, PlaylistModel &model,
                      LyricsController &lyrics, QObject *parent = nullptr);

    void openLyricFile();       // mnuOpenLRC
    void reloadLyrics();        // mnuReOpenLRC, XPButton19
    void deleteLyrics();        // mnuDelLRC
    void noLyrics();            // mnuNotLRC
    void noLyricsForSelected(); // PopNotLRC4

private:
    void writeNoLyrics(const QString &track, const QString &defaultText);
    bool askNoLyrics(const QString &track);
    // A lookup again, with the visualization timer paused meanwhile.
    void findAgain();

    AppContext &m_ctx;
    MainWindowUi &m_ui;
    PlaylistModel &m_model;
    LyricsController &m_lyrics;
};
