#pragma once
// The recording panel: the device list, the source list of the chosen device, the source's
// volume with its percentage, the level display switch and the system volume control. Works on
// clsRecorder and an InputPanelView; no widgets.
#include "recording/input_panel_view.h"
#include "recording/wave_in_recorder.h"
#include "shell/app_context.h"

#include <QObject>

class InputPanelController : public QObject {
    Q_OBJECT
public:
    InputPanelController(AppContext &ctx, WaveInRecorder &recorder, InputPanelView &view,
                         QObject *parent = nullptr);

    // "65535" -> "100%", 32767 -> "49%".
    static QString percentText(int value);

    // Start-up: fills the device list and selects the server's default source (or, failing
    // that, the first device that opens).
    void fillDevices();
    // The user's selections.
    void deviceSelected(int device);
    void sourceSelected(int line);
    void volumeChanged(int value);
    // mnuShowVolumeB.
    void toggleLevelDisplay();
    // mnuSNDVOL.
    void systemVolumeControl();

private:
    AppContext &m_ctx;
    WaveInRecorder &m_recorder;
    InputPanelView &m_view;
};
