#pragma once
// The graphic side of the main window's lyrics: which widgets each display mode shows, the
// strips of mode 2 and their background pictures, the painter frame of mode 1 and the goodbye
// line at the end of a track.
#include "lyrics/lyric_strip_view.h"
#include "lyrics/lyric_sync.h"
#include "shell/app_context.h"
#include "shell/main_window_ui.h"

#include <QImage>
#include <QObject>
#include <QStringList>
#include <functional>

struct LyricsHooks;
class WordWipeLabel;

class LyricDisplay : public QObject {
    Q_OBJECT
public:
    // `startTicks` starts the lyric tick when playing with lyrics loaded.
    LyricDisplay(AppContext &ctx, MainWindowUi &ui, LyricsHooks &hooks, LyricSync &sync,
                 std::function<void()> startTicks, QObject *parent = nullptr);

    // Shows the widgets of the current mode (the box, the painter area or the strips).
    void applyModeWidgets();
    void setDisplayMode(int mode); // mnuLrcVS0/1/2
    void cycleDisplayMode();       // XPButton20
    void fullScreen();             // mnuLrcVSH, XPButton21
    // The tick opens the full-screen window: the cycle counter starts at 1.
    void windowOpening() { m_cycleCounter = 1; }

    // A new line started: the strips take it.
    void stripsAfterHit();
    // One tick of mode 2: the current strip moves and fades.
    void moveStrips(double adjusted);
    // One tick of modes 1 and 101: a new painter frame.
    void paintFrame(bool windowShown);
    // Mode 102: the background cycle runs while the full-screen window shows the strips.
    void countBackgroundCycle();
    // The goodbye line in the strips or the full-screen window.
    void showThanks();

    // The lyric background of mode 2: the track's cover when CoverAsLyricBackground asks for
    // it and there is one, otherwise a random picture of "bkground".
    void refreshBackground();
    // Pictures were added to "bkground": the next background is chosen among all of them.
    void rereadBackgrounds();

    const LyricStrips &strips() const { return m_strips; }
    LyricStripView &stripView() { return m_stripView; }

private:
    QImage chooseBackground();

    AppContext &m_ctx;
    MainWindowUi &m_ui;
    LyricsHooks &m_hooks;
    LyricSync &m_sync;
    std::function<void()> m_startTicks;
    LyricStripView m_stripView;
    LyricStrips m_strips;
    WordWipeLabel *m_stripWipe = nullptr; // owned by the current strip
    int m_cycleCounter = 0;
    QStringList m_backgrounds;
    bool m_backgroundsRead = false;
};
