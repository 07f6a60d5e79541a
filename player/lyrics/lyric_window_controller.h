#pragma once
// The full-screen lyric window's part of the lyric display: opens frmLrc from the lyric tick
// when a mode of 100 or more is wanted, mirrors the tick's highlight into its box and its line
// texts into its strips, and closes it back to the main window.
#include "lyrics/frm_lrc.h"
#include "lyrics/lyric_box.h"
#include "lyrics/lyric_sync.h"
#include "shell/app_context.h"
#include "shell/main_window_ui.h"

#include <QMenu>
#include <QObject>
#include <functional>
#include <memory>

class LyricsController;

class LyricWindowController : public QObject {
    Q_OBJECT
public:
    // `host` supplies what the window needs; lyricText, offsetMs and stepOffset are taken from
    // `lyrics` when unset. Installs itself in the lyric controller's hooks.
    LyricWindowController(AppContext &ctx, MainWindowUi &ui, LyricsController &lyrics,
                          FrmLrcHost host, QObject *parent = nullptr);
    ~LyricWindowController() override;

    bool shown() const { return m_window && m_window->isVisible(); }
    FrmLrc *window() const { return m_window; }
    // Creates and lays out the window; the start-up fill shows it and hides the main window.
    void open();
    void close();
    // The screen the window opens on: the singer's choice, else the main window's screen.
    QScreen *targetScreen() const;
    // Remembers `key` (a screen key, see LyricScreenChoice) and moves a shown window there.
    void chooseScreen(const QString &key);

private:
    void onClosed();
    // "歌词全屏显示器": one checkable item per screen, built each time the menu opens.
    void fillScreenMenu(QMenu *menu);
    // A screen went away or came: a shown window moves to where it now belongs.
    void screensChanged();
    // View 102, one tick: the strip rules of the main window's mode 2 across the screen.
    void moveStrips(bool hit, double adjustedSeconds);
    // View 102 at the end of the track: the goodbye line centred on the screen in white.
    void centreThanks();
    // The track's cover when it serves as lyric background, otherwise a random picture of
    // "bkground"; null when there is none that loads.
    QImage chooseBackground() const;

    AppContext &m_ctx;
    MainWindowUi &m_ui;
    LyricsController &m_lyrics;
    FrmLrcHost m_host;
    LyricStrips m_strips;
    FrmLrc *m_window = nullptr; // owned; a closed window is deleted once its event is done
};
