#pragma once
// A RecordingControlsView that keeps what the recording controller showed, for tests.
#include "recording/recording_controls_view.h"

struct ControlsLog : RecordingControlsView {
    bool recordEnabled = true, playTakeEnabled = false, stopEnabled = false;
    QString recordTip, stopCaption = QStringLiteral(" 停 止 "), stopMenu;
    Indicator indicator = Indicator::Idle;
    bool markerVisible = false;
    int marker = -1;
    bool processingEnabled = true, levelTimer = false, clock = false;
    int mixerStarts = 0;

    void setRecordEnabled(bool on, const QString &tip) override {
        recordEnabled = on;
        recordTip = tip;
    }
    void setPlayTakeEnabled(bool on) override { playTakeEnabled = on; }
    bool playTakeButtonEnabled() const override { return playTakeEnabled; }
    void setStopControls(bool on, const QString &caption, const QString &menu) override {
        stopEnabled = on;
        stopCaption = caption;
        stopMenu = menu;
    }
    bool stopButtonEnabled() const override { return stopEnabled; }
    void setIndicator(Indicator i) override { indicator = i; }
    void setMarker(bool visible, int twips) override {
        markerVisible = visible;
        marker = twips;
    }
    void setProcessingEnabled(bool on) override { processingEnabled = on; }
    void setLevelTimerRunning(bool on) override { levelTimer = on; }
    void setClockRunning(bool on) override { clock = on; }
    bool startSystemMixer() override {
        ++mixerStarts;
        return false;
    }
};
