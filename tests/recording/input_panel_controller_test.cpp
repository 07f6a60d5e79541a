// The recording panel's logic against a scripted server: the device list and its first
// selection, the source list of the chosen device, the volume slider and its percentage, the
// failures' messages, the level display switch and the system volume control.
#include "fake_audio_input.h"
#include "recording/input_panel_controller.h"
#include "scripted_dialogs.h"

#include <functional>
#include <gtest/gtest.h>

namespace {

struct PanelLog : InputPanelView {
    QStringList devices, lines;
    int device = -2, line = -2, slider = -1;
    QString volumeText, menuCaption, popupCaption;
    bool levelTimer = false, mixerInstalled = false;
    int focus = 0, mixerStarts = 0;

    void setDevices(const QStringList &n, int s) override {
        devices = n;
        device = s;
    }
    void setLines(const QStringList &n, int s) override {
        lines = n;
        line = s;
    }
    void setVolumeSlider(int v) override { slider = v; }
    void setVolumeText(const QString &t) override { volumeText = t; }
    void setLevelDisplayCaptions(const QString &m, const QString &p) override {
        menuCaption = m;
        popupCaption = p;
    }
    void setLevelTimerRunning(bool on) override { levelTimer = on; }
    void focusSurface() override { ++focus; }
    bool startSystemMixer() override {
        ++mixerStarts;
        return mixerInstalled;
    }
};

AudioSourceInfo source(uint32_t index, const QString &name, QStringList ports, QString active,
                       uint32_t volume) {
    AudioSourceInfo s;
    s.index = index;
    s.name = name;
    s.description = name + QStringLiteral(" device");
    s.portNames = ports;
    s.portDescriptions = ports;
    s.activePort = active;
    s.channelVolumes = {volume, volume};
    return s;
}

struct PanelTest : ::testing::Test {
    ScriptedDialogs dialogs;
    AppContext ctx{AppPaths(QStringLiteral("/nonexistent"), {})};
    FakeAudioInput input;
    WaveInRecorder recorder{&input};
    PanelLog view;
    InputPanelController panel{ctx, recorder, view};

    PanelTest() {
        ctx.dialogs = &dialogs;
        input.list = {source(1, QStringLiteral("sink.monitor"), {}, {}, 65536),
                      source(4, QStringLiteral("card"),
                             {QStringLiteral("Mic"), QStringLiteral("Line In")},
                             QStringLiteral("Line In"), 32768),
                      source(6, QStringLiteral("usb"), {}, {}, 0)};
        input.defaultSource = QStringLiteral("card");
    }
};

TEST_F(PanelTest, StartsAt100PercentAndSelectsTheServersDefaultSource) {
    EXPECT_EQ(view.volumeText, QStringLiteral("100%"));
    panel.fillDevices();
    EXPECT_EQ(view.devices,
              (QStringList{QStringLiteral("sink.monitor device"), QStringLiteral("card device"),
                           QStringLiteral("usb device")}));
    EXPECT_EQ(view.device, 1) << "the default source, not the first (a monitor)";
    EXPECT_EQ(view.lines, (QStringList{QStringLiteral("Mic"), QStringLiteral("Line In")}));
    EXPECT_EQ(view.line, 1) << "the active port";
    EXPECT_EQ(view.slider, 32768);
    EXPECT_EQ(view.volumeText, QStringLiteral("50%"));
    EXPECT_TRUE(dialogs.entries().isEmpty());

    // Without a default source the first device that opens is taken.
    input.defaultSource.clear();
    panel.fillDevices();
    EXPECT_EQ(view.device, 0);
    EXPECT_EQ(view.lines, QStringList{QStringLiteral("sink.monitor device")});
}

TEST_F(PanelTest, SelectingADeviceRefillsTheSourcesAndTheSliderFollowsWithoutWritingBack) {
    panel.fillDevices();
    panel.deviceSelected(2);
    EXPECT_EQ(view.lines, QStringList{QStringLiteral("usb device")});
    EXPECT_EQ(view.slider, 0);
    EXPECT_EQ(view.volumeText, QStringLiteral("0%"));
    // Showing a volume never writes it: the card keeps 50 % and usb keeps 0.
    EXPECT_EQ(input.list[1].channelVolumes, (QList<uint32_t>{32768, 32768}));
    EXPECT_EQ(input.list[2].channelVolumes, (QList<uint32_t>{0, 0}));

    panel.deviceSelected(1);
    panel.sourceSelected(0);
    EXPECT_EQ(input.list[1].activePort, QStringLiteral("Mic"));
    panel.volumeChanged(65535);
    EXPECT_EQ(input.list[1].channelVolumes, (QList<uint32_t>{65536, 65536}));
    EXPECT_EQ(view.volumeText, QStringLiteral("100%"));
    EXPECT_GT(view.focus, 0);
}

TEST_F(PanelTest, FailuresSayWhatWentWrongAndNoServerShowsNothing) {
    panel.fillDevices();
    const int slider = view.slider;
    panel.deviceSelected(-1);
    panel.deviceSelected(5); // a device unplugged since the list was filled
    EXPECT_EQ(dialogs.messageTexts(), (QStringList{QStringLiteral("所选录音设备错误！"),
                                                   QStringLiteral("所选录音设备错误！")}));
    EXPECT_EQ(dialogs.entries().at(0).icon, Dialogs::Icon::Warning);
    EXPECT_TRUE(view.lines.isEmpty());
    EXPECT_EQ(view.slider, slider);

    dialogs.clear();
    panel.deviceSelected(0);
    panel.sourceSelected(3);
    EXPECT_EQ(dialogs.messageTexts(), QStringList{QStringLiteral("不能选择此来源！")});
    EXPECT_EQ(view.slider, 65535) << "the slider still shows the selected source";

    dialogs.clear();
    input.up = false;
    panel.fillDevices();
    EXPECT_TRUE(view.devices.isEmpty());
    EXPECT_EQ(view.device, -1);
    EXPECT_TRUE(view.lines.isEmpty());
    EXPECT_TRUE(dialogs.entries().isEmpty());
}

TEST_F(PanelTest, LevelDisplaySwitchAndSystemVolumeControl) {
    ctx.settings.ShowLevelMeter = 1;
    panel.toggleLevelDisplay();
    EXPECT_EQ(ctx.settings.ShowLevelMeter, 0);
    EXPECT_EQ(view.menuCaption, QStringLiteral("打开录音音量显示(&M)"));
    EXPECT_EQ(view.popupCaption, QStringLiteral("打开录音音量显示"));
    panel.toggleLevelDisplay();
    EXPECT_EQ(ctx.settings.ShowLevelMeter, 1);
    EXPECT_TRUE(view.levelTimer);
    EXPECT_EQ(view.menuCaption, QStringLiteral("关闭录音音量显示(&M)"));
    EXPECT_EQ(view.popupCaption, QStringLiteral("关闭录音音量显示"));

    panel.systemVolumeControl();
    EXPECT_EQ(
        dialogs.messageTexts(),
        QStringList{QStringLiteral("无法调用操作系统程序！\r请自行查找操作系统中的此项功能。")});
    dialogs.clear();
    view.mixerInstalled = true;
    panel.systemVolumeControl();
    EXPECT_TRUE(dialogs.entries().isEmpty());
    EXPECT_EQ(view.mixerStarts, 2);
}

TEST_F(PanelTest, TheDeviceListFollowsTheServerAndKeepsTheChosenSource) {
    panel.fillDevices();
    panel.deviceSelected(2); // "usb", not the default
    ASSERT_EQ(recorder.SelectedSourceName(), QStringLiteral("usb"));
    const int focusBefore = view.focus;
    struct Step {
        const char *what;
        std::function<void()> change;
        QStringList devices;
        int selected;
        QString source;
    };
    const Step steps[] = {
        {"server gone", [&] { input.up = false; }, {}, -1, QString()},
        // Back with new indexes and a plugged-in device first: the same source stays chosen.
        {"server back",
         [&] {
             input.up = true;
             input.list = {source(20, QStringLiteral("headset"), {}, {}, 65536),
                           source(21, QStringLiteral("card"), {QStringLiteral("Mic")},
                                  QStringLiteral("Mic"), 65536),
                           source(22, QStringLiteral("usb"), {}, {}, 16384)};
         },
         {QStringLiteral("headset device"), QStringLiteral("card device"),
          QStringLiteral("usb device")},
         2,
         QStringLiteral("usb")},
        // The chosen device is removed: the server's default takes its place.
        {"usb removed",
         [&] { input.list.removeLast(); },
         {QStringLiteral("headset device"), QStringLiteral("card device")},
         1,
         QStringLiteral("card")},
    };
    for (const Step &step : steps) {
        step.change();
        panel.refreshDevices();
        EXPECT_EQ(view.devices, step.devices) << step.what;
        EXPECT_EQ(view.device, step.selected) << step.what;
        if (step.selected >= 0) {
            EXPECT_EQ(recorder.SelectedSourceName(), step.source) << step.what;
        }
    }
    EXPECT_EQ(view.lines, QStringList{QStringLiteral("Mic")});
    EXPECT_EQ(view.volumeText, QStringLiteral("100%"));
    // A report that changes nothing leaves the lists alone.
    view.devices.clear();
    panel.refreshDevices();
    EXPECT_TRUE(view.devices.isEmpty());
    EXPECT_TRUE(dialogs.entries().isEmpty()) << "a background refresh never asks";
    EXPECT_EQ(view.focus, focusBefore) << "nor takes the focus";
}

} // namespace
