#include "recording/input_panel_controller.h"

InputPanelController::InputPanelController(AppContext &ctx, WaveInRecorder &recorder,
                                           InputPanelView &view, QObject *parent)
    : QObject(parent), m_ctx(ctx), m_recorder(recorder), m_view(view) {
    m_view.setVolumeText(QStringLiteral("100%"));
}

QString InputPanelController::percentText(int value) {
    const long long v = value < 0 ? 0 : value;
    return QString::number(v * 100 / WaveInRecorder::kMaxVolume) + QLatin1Char('%');
}

void InputPanelController::fillDevices() {
    const int selected = showDevices({m_recorder.DefaultDevice()});
    m_shown = deviceSourceNames();
    if (selected >= 0) deviceSelected(selected);
}

int InputPanelController::showDevices(std::initializer_list<int> preferred) {
    QStringList names;
    const int count = m_recorder.DeviceCount();
    for (int k = 0; k < count; ++k)
        names << m_recorder.DeviceName(k);
    // The first preferred device that can be selected, otherwise the first device that can.
    int selected = -1;
    for (int k : preferred)
        if (selected < 0 && k >= 0 && m_recorder.SelectDevice(k)) selected = k;
    for (int k = 0; k < count && selected < 0; ++k)
        if (m_recorder.SelectDevice(k)) selected = k;
    m_view.setDevices(names, selected);
    m_view.setLines({}, -1);
    return selected;
}

QStringList InputPanelController::deviceSourceNames() const {
    QStringList names;
    const int count = m_recorder.DeviceCount();
    for (int k = 0; k < count; ++k)
        names << m_recorder.DeviceSourceName(k);
    return names;
}

void InputPanelController::refreshDevices() {
    const QStringList sources = deviceSourceNames();
    if (sources == m_shown) return;
    m_shown = sources;
    // The chosen source keeps its place wherever it moved in the list.
    const int selected = showDevices(
        {int(sources.indexOf(m_recorder.SelectedSourceName())), m_recorder.DefaultDevice()});
    if (selected >= 0) showSelectedDevice();
}

void InputPanelController::showSelectedDevice() {
    QStringList lines;
    const int count = m_recorder.MixerLineCount();
    for (int k = 0; k < count; ++k)
        lines << m_recorder.MixerLineName(k);
    m_view.setLines(lines, m_recorder.SelectedMixerLine());
    const int volume = m_recorder.MixerLineVolume();
    m_view.setVolumeSlider(volume);
    m_view.setVolumeText(percentText(volume));
}

void InputPanelController::deviceSelected(int device) {
    m_view.setLines({}, -1);
    if (!m_recorder.SelectDevice(device)) {
        if (m_ctx.dialogs) m_ctx.dialogs->warning(QStringLiteral("所选录音设备错误！"));
        return;
    }
    QStringList lines;
    const int count = m_recorder.MixerLineCount();
    for (int k = 0; k < count; ++k)
        lines << m_recorder.MixerLineName(k);
    const int selected = m_recorder.SelectedMixerLine();
    m_view.setLines(lines, selected);
    sourceSelected(selected);
    m_view.focusSurface();
}

void InputPanelController::sourceSelected(int line) {
    if (!m_recorder.SelectMixerLine(line) && m_ctx.dialogs)
        m_ctx.dialogs->warning(QStringLiteral("不能选择此来源！"));
    m_recorder.MixerLineType(-1);
    // Shown, not written back: a volume that could not be read must not mute the source.
    const int volume = m_recorder.MixerLineVolume();
    m_view.setVolumeSlider(volume);
    m_view.setVolumeText(percentText(volume));
    m_view.focusSurface();
}

void InputPanelController::volumeChanged(int value) {
    m_recorder.setMixerLineVolume(value);
    m_view.setVolumeText(percentText(value));
}

void InputPanelController::toggleLevelDisplay() {
    Settings &s = m_ctx.settings;
    if (s.ShowLevelMeter == 1) {
        s.ShowLevelMeter = 0;
        m_view.setLevelDisplayCaptions(QStringLiteral("打开录音音量显示(&M)"),
                                       QStringLiteral("打开录音音量显示"));
    } else {
        s.ShowLevelMeter = 1;
        m_view.setLevelTimerRunning(true);
        m_view.setLevelDisplayCaptions(QStringLiteral("关闭录音音量显示(&M)"),
                                       QStringLiteral("关闭录音音量显示"));
    }
}

void InputPanelController::systemVolumeControl() {
    if (m_view.startSystemMixer()) return;
    if (m_ctx.dialogs)
        m_ctx.dialogs->info(
            QStringLiteral("无法调用操作系统程序！\r请自行查找操作系统中的此项功能。"));
}
