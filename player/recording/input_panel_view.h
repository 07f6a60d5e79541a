#pragma once
// What the recording panel frmInp shows, as a narrow interface. Setting a list or the slider
// from here never runs the handlers of the user's selections.
#include <QString>
#include <QStringList>

class InputPanelView {
public:
    virtual ~InputPanelView() = default;

    // The device list with `selected` chosen (-1: none).
    virtual void setDevices(const QStringList &names, int selected) = 0;
    // The source list with `selected` chosen (-1: none).
    virtual void setLines(const QStringList &names, int selected) = 0;
    virtual void setVolumeSlider(int value) = 0;
    virtual void setVolumeText(const QString &text) = 0;
    // The captions of mnuShowVolumeB and PopShowVolumeB.
    virtual void setLevelDisplayCaptions(const QString &menu, const QString &popup) = 0;
    virtual void setLevelTimerRunning(bool running) = 0;
    // The keyboard focus back to the main window's drawing surface.
    virtual void focusSurface() = 0;
    // Starts the system volume control; false when it is not installed.
    virtual bool startSystemMixer() = 0;
};
