#pragma once
// One tick of the lyric timer (Timer1) while a track plays: finds the line of the position and
// highlights it in the lyric boxes, lights the words of a line with word times, moves the
// graphic views and echoes lines and words when asked to.
#include "lyrics/lyric_box.h"
#include "lyrics/lyric_display.h"
#include "lyrics/lyric_echo.h"
#include "lyrics/lyric_sync.h"
#include "shell/app_context.h"
#include "shell/main_window_ui.h"

#include <cstdint>
#include <cstdio>

class MediaPlayer;
struct LyricsHooks;

class LyricTicker {
public:
    static constexpr int kTickMs = 50;

    LyricTicker(AppContext &ctx, MainWindowUi &ui, MediaPlayer &player, LyricsHooks &hooks,
                LyricBox &box, LyricSync &sync, LyricDisplay &display);

    // One tick, with the lyric time compensation in milliseconds.
    void tick(int32_t offsetMs);
    void setEchoStream(std::FILE *stream) { m_echo.setStream(stream); }
    // The main window came to the front over the full-screen window (a lookup without
    // lyrics); the next tick hides it again.
    void returnToLyricWindow() { m_returnToLyricWindow = true; }

private:
    // A line with word times: the boxes light its words so far.
    void wipeBoxes(QTextEdit *windowBox);
    void showThanks();

    AppContext &m_ctx;
    MainWindowUi &m_ui;
    MediaPlayer &m_player;
    LyricsHooks &m_hooks;
    LyricBox &m_box;
    LyricSync &m_sync;
    LyricDisplay &m_display;
    bool m_returnToLyricWindow = false;
    LyricEcho m_echo;
    qsizetype m_boxLit = 0;                    // characters of the current line lit in the boxes
    const QTextEdit *m_litWindowBox = nullptr; // the full-screen box those were lit in too
};
