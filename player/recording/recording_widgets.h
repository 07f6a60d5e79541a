#pragma once
// Binds recording to the main window: builds the recorder on the sound server, the capture
// engine and both controllers; creates the panel's lists and volume slider in frmInp, the
// indicator and the progress marker; routes XPButton6/7/8/17, the menu items and Timer5; and
// shows the controllers' changes on the named widgets.
#include "platform/pulse_audio_input.h"
#include "recording/capture_engine.h"
#include "recording/input_monitor.h"
#include "recording/input_panel_controller.h"
#include "recording/input_panel_view.h"
#include "recording/recording_controller.h"
#include "recording/recording_controls_view.h"
#include "recording/wave_in_recorder.h"
#include "shell/app_context.h"
#include "shell/main_window_ui.h"

#include <QObject>
#include <QTimer>
#include <memory>

class MediaPlayer;
class QComboBox;
class QSlider;
class QFrame;

class RecordingWidgets : public QObject, public RecordingControlsView, public InputPanelView {
    Q_OBJECT
public:
    RecordingWidgets(AppContext &ctx, MainWindowUi &ui, MediaPlayer &player,
                     QObject *parent = nullptr);
    ~RecordingWidgets() override;

    RecordingController &controller() { return *m_controller; }
    InputPanelController &panel() { return *m_panel; }
    WaveInRecorder &recorder() { return *m_recorder; }
    CaptureEngine &engine() { return *m_engine; }
    // The input of the level meter and the visualization: the monitor stream of the selected
    // source, or the recording's buffer while one captures.
    InputMonitor::Read readInput(int16_t *out, size_t count);
    InputMonitor &monitor() { return *m_monitor; }

    // Start-up: keeps a take a dead player left, fills the device list.
    void startup();
    // FinishStartup enabled every button: the record command follows availability again.
    void finishStartup();
    // Shutdown: a running or unsaved take is kept in "takes"; the capture objects are released.
    void shutdown();

    // RecordingControlsView.
    void setRecordEnabled(bool enabled, const QString &toolTip) override;
    void setPlayTakeEnabled(bool enabled) override;
    bool playTakeButtonEnabled() const override;
    void setStopControls(bool enabled, const QString &buttonCaption,
                         const QString &menuCaption) override;
    bool stopButtonEnabled() const override;
    void setIndicator(Indicator indicator) override;
    void setMarker(bool visible, int twips) override;
    void setProcessingEnabled(bool enabled) override;
    void setLevelTimerRunning(bool running) override;
    void setClockRunning(bool running) override;
    bool startSystemMixer() override;

    // InputPanelView.
    void setDevices(const QStringList &names, int selected) override;
    void setLines(const QStringList &names, int selected) override;
    void setVolumeSlider(int value) override;
    void setVolumeText(const QString &text) override;
    void setLevelDisplayCaptions(const QString &menu, const QString &popup) override;
    void focusSurface() override;

    // The monitor stream stops once the displays have not read it for this long.
    static constexpr int kMonitorIdleMs = 400;

private:
    void buildPanel();
    // Posted from the server's thread: devices and availability follow the server.
    void serverChanged();
    void bindCommands();

    AppContext &m_ctx;
    MainWindowUi &m_ui;
    std::unique_ptr<PulseAudioInput> m_input;
    std::unique_ptr<WaveInRecorder> m_recorder;
    std::unique_ptr<CaptureEngine> m_engine;
    std::unique_ptr<InputMonitor> m_monitor;
    std::unique_ptr<TakeAccompaniment> m_accompaniment;
    std::unique_ptr<RecordingController> m_controller;
    std::unique_ptr<InputPanelController> m_panel;
    QTimer m_monitorIdle;
    QComboBox *m_devices = nullptr;
    QComboBox *m_lines = nullptr;
    QSlider *m_volume = nullptr;
    QLabel *m_indicator = nullptr;
    QFrame *m_marker = nullptr;
};
