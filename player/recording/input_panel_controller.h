#pragma once
// The recording panel: the device list, the source list of the chosen device, the source's
// volume with its percentage, the level display switch and the system volume control. Works on
// clsRecorder and an InputPanelView; no widgets.
#include "recording/input_panel_view.h"
#include "recording/wave_in_recorder.h"
#include "shell/app_context.h"

#include <QObject>
#include <initializer_list>

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
    // The server's sources changed (or the server came or went): when the devices differ from
    // those shown, the list is filled again and keeps the selected source where it still is,
    // else takes the default. Quiet: no message, the focus stays where it is.
    void refreshDevices();
    // The user's selections.
    void deviceSelected(int device);
    void sourceSelected(int line);
    void volumeChanged(int value);
    // mnuShowVolumeB.
    void toggleLevelDisplay();
    // mnuSNDVOL.
    void systemVolumeControl();

private:
    QStringList deviceSourceNames() const;
    // Lists the devices and selects the first of `preferred` that can be selected, otherwise
    // the first device that can; its index (-1: none).
    int showDevices(std::initializer_list<int> preferred);
    // The selected device's lines and volume, without touching the server.
    void showSelectedDevice();

    AppContext &m_ctx;
    QStringList m_shown; // the source names behind the device list
    WaveInRecorder &m_recorder;
    InputPanelView &m_view;
};
