#pragma once
// What the playback controller changes on the main window, as a narrow interface: the widget
// binding implements it on the named widgets, tests record the calls.
#include <QString>

class PlaybackView {
public:
    enum class Command { Previous, Next };

    virtual ~PlaybackView() = default;

    // The main window's caption ("Lyravox 1.7.0").
    virtual QString windowCaption() const = 0;
    // Label4: the title line and its tooltip.
    virtual void setTitleLine(const QString &text, const QString &toolTip) = 0;
    // Label5: the hint line; its tooltip repeats it.
    virtual void setHint(const QString &text) = 0;
    // Video: the video area shows, the cover picture and visualization areas hide. Sound: the
    // video area hides and the visualization area shows when `visualOn`.
    virtual void showVideoLayout(bool video, bool visualOn) = 0;
    // "影像全屏(&F)" enabled or not.
    virtual void setFullScreenEnabled(bool enabled) = 0;
    // XPButton1, XPButton2 and the menu item of `command` enabled or not.
    virtual void setNavigationEnabled(Command command, bool enabled) = 0;
    // The keyboard focus to the skin picture PicShape.
    virtual void focusSkin() = 0;
    // Label3: the balance text.
    virtual void setBalanceText(const QString &text) = 0;
    // Stopped or paused: the lyric timer Timer1 stops.
    virtual void stopLyricTimer() = 0;
    // Stopped: the lyric time Label1 reads "0", the lyric box is enabled with its caret at 0.
    virtual void resetLyricDisplay() = 0;
    // A new media opened: the lyric download timers Timer2 and Timer9 stop.
    virtual void stopLyricDownloadTimers() = 0;
};
