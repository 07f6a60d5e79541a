#pragma once
// What the recording commands change on the main window, as a narrow interface: the widget
// binding implements it on the named widgets, tests record the calls.
#include <QString>

class RecordingControlsView {
public:
    enum class Indicator { Idle, Recording, Playback };

    virtual ~RecordingControlsView() = default;

    // The record command (XPButton6, mnuStartRec); `toolTip` says why when it is disabled.
    virtual void setRecordEnabled(bool enabled, const QString &toolTip) = 0;
    // The play-take command (XPButton7, mnuPlayRec).
    virtual void setPlayTakeEnabled(bool enabled) = 0;
    virtual bool playTakeButtonEnabled() const = 0;
    // The stop command: XPButton8 with its caption (also its tooltip) and mnuStopRecPlay.
    virtual void setStopControls(bool enabled, const QString &buttonCaption,
                                 const QString &menuCaption) = 0;
    virtual bool stopButtonEnabled() const = 0;
    // The indicator picture and the progress marker (x in twips over the level box).
    virtual void setIndicator(Indicator indicator) = 0;
    virtual void setMarker(bool visible, int twips) = 0;
    // The vocal-removal and key-shift toggles and the vocal-removal menu item.
    virtual void setProcessingEnabled(bool enabled) = 0;
    // Timer4 (level meter and visualization) and Timer5 (the recording clock).
    virtual void setLevelTimerRunning(bool running) = 0;
    virtual void setClockRunning(bool running) = 0;
    // Starts the system volume control; false when it is not installed.
    virtual bool startSystemMixer() = 0;
};
