#include "recording/recording_widgets.h"

#include "platform/pulse_output_capture.h"
#include "platform/system_mixer.h"
#include "widgets/xp_button.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QPainter>
#include <QSignalBlocker>
#include <QSlider>

namespace {

QPixmap indicatorPicture(const QColor &color) {
    QPixmap p(12, 12);
    p.fill(Qt::transparent);
    QPainter painter(&p);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QColor(40, 40, 40));
    painter.setBrush(color);
    painter.drawEllipse(1, 1, 10, 10);
    return p;
}

template <typename W> W *make(QWidget *parent, const char *name, QRect geometry) {
    W *w = new W(parent);
    w->setObjectName(QLatin1String(name));
    w->setGeometry(geometry);
    return w;
}

} // namespace

RecordingWidgets::RecordingWidgets(AppContext &ctx, MainWindowUi &ui, MediaPlayer &player,
                                   QObject *parent)
    : QObject(parent), m_ctx(ctx), m_ui(ui), m_input(std::make_unique<PulseAudioInput>()) {
    // The server may come later or come back: everything works on the one input throughout.
    AudioInput *input = m_input.get();
    m_recorder = std::make_unique<WaveInRecorder>(input);
    m_engine = std::make_unique<CaptureEngine>(input);
    m_monitor = std::make_unique<InputMonitor>(input, m_engine.get());
    m_controller = std::make_unique<RecordingController>(ctx, player, *m_engine, *this);
    if (input) {
        m_accompaniment =
            std::make_unique<TakeAccompaniment>(std::make_unique<PulseOutputCapture>());
        CaptureEngine *engine = m_engine.get();
        m_accompaniment->voiceTiming = [engine](CaptureTiming &t) { return engine->timing(t); };
        m_controller->setAccompaniment(m_accompaniment.get());
    }
    m_panel = std::make_unique<InputPanelController>(ctx, *m_recorder, *this);
    WaveInRecorder *recorder = m_recorder.get();
    m_controller->sourceName = [recorder] { return recorder->SelectedSourceName(); };
    buildPanel();
    bindCommands();
    m_input->setChangeListener([this] {
        QMetaObject::invokeMethod(this, &RecordingWidgets::serverChanged, Qt::QueuedConnection);
    });
    // The monitor stream lives only while the level meter or the visualization reads it.
    m_monitorIdle.setSingleShot(true);
    m_monitorIdle.setInterval(kMonitorIdleMs);
    connect(&m_monitorIdle, &QTimer::timeout, this, [this] { m_monitor->pause(); });
}

void RecordingWidgets::serverChanged() {
    m_panel->refreshDevices();
    m_controller->onServerChanged();
}

RecordingWidgets::~RecordingWidgets() {
    m_input->setChangeListener(nullptr);
    // The capture streams go before the connection they run on.
    m_controller.reset();
    m_accompaniment.reset();
    m_panel.reset();
    m_monitor.reset();
    m_engine.reset();
    m_recorder.reset();
}

void RecordingWidgets::buildPanel() {
    QGroupBox *frame = m_ui.frmInp;
    if (!frame) return;
    if (m_ui.lblDev) {
        m_ui.lblDev->setText(QStringLiteral("设备:"));
        m_ui.lblDev->setGeometry(8, 17, 34, 18);
    }
    if (m_ui.lblLine) {
        m_ui.lblLine->setText(QStringLiteral("来源:"));
        m_ui.lblLine->setGeometry(8, 38, 34, 18);
    }
    if (m_ui.lblVol) {
        m_ui.lblVol->setText(QStringLiteral("音量:"));
        m_ui.lblVol->setGeometry(146, 38, 32, 18);
    }
    if (m_ui.lblVolPer) {
        m_ui.lblVolPer->setText(QStringLiteral("100%"));
        m_ui.lblVolPer->setGeometry(250, 38, 36, 18);
    }
    m_devices = make<QComboBox>(frame, "cboDevice", QRect(42, 16, 222, 20));
    m_lines = make<QComboBox>(frame, "cboLine", QRect(42, 37, 100, 20));
    m_volume = make<QSlider>(frame, "sldVolume", QRect(178, 38, 70, 18));
    m_volume->setOrientation(Qt::Horizontal);
    m_volume->setRange(0, WaveInRecorder::kMaxVolume);
    m_volume->setSingleStep(1);
    m_volume->setPageStep(2000);
    m_volume->setValue(WaveInRecorder::kMaxVolume);
    m_indicator = make<QLabel>(frame, "ImageRecState", QRect(270, 2, 12, 12));
    m_indicator->setToolTip(QStringLiteral("录音及回放指示(录音时为红色,回放时为绿色)"));
    setIndicator(Indicator::Idle);
    if (m_ui.Picture3) {
        m_ui.Picture3->setToolTip(QStringLiteral("录音音量显示"));
        const QRect level = m_ui.Picture3->geometry();
        m_marker = make<QFrame>(
            m_ui.frmMain, "LineRecProgress",
            QRect(RecordingController::kMarkerStart / 15, level.top(), 2, level.height()));
        m_marker->setFrameShape(QFrame::NoFrame);
        m_marker->setAutoFillBackground(true);
        QPalette pal = m_marker->palette();
        pal.setColor(QPalette::Window, QColor(255, 60, 60));
        m_marker->setPalette(pal);
        m_marker->hide();
    }
}

void RecordingWidgets::bindCommands() {
    RecordingController *c = m_controller.get();
    InputPanelController *p = m_panel.get();
    auto button = [&](int index, auto slot, QObject *receiver) {
        if (XPButton *b = m_ui.XPButton[size_t(index)])
            connect(b, &XPButton::clicked, receiver, slot);
    };
    auto action = [&](const char *name, auto slot, QObject *receiver) {
        if (QAction *a = m_ui.action(name)) connect(a, &QAction::triggered, receiver, slot);
    };
    button(
        6, [c] { c->startRecording(); }, c);
    button(
        7, [c] { c->playTake(); }, c);
    button(
        8, [c] { c->stop(); }, c);
    button(
        17, [p] { p->systemVolumeControl(); }, p);
    action(
        "mnuStartRec", [c] { c->startRecording(); }, c);
    action(
        "mnuPlayRec", [c] { c->playTake(); }, c);
    action(
        "mnuStopRecPlay", [c] { c->stop(); }, c);
    action(
        "mnuSNDVOL", [p] { p->systemVolumeControl(); }, p);
    action(
        "mnuShowVolumeB", [p] { p->toggleLevelDisplay(); }, p);
    if (QTimer *clock = m_ui.Timer[5]) connect(clock, &QTimer::timeout, c, [c] { c->clockTick(); });
    connect(m_devices, &QComboBox::activated, p, [p](int index) { p->deviceSelected(index); });
    connect(m_lines, &QComboBox::activated, p, [p](int index) { p->sourceSelected(index); });
    connect(m_volume, &QSlider::valueChanged, p, [p](int value) { p->volumeChanged(value); });
    connect(m_volume, &QSlider::sliderReleased, this, [this] { focusSurface(); });
}

void RecordingWidgets::startup() {
    m_controller->recoverOrphanTake();
    m_panel->fillDevices();
}

void RecordingWidgets::finishStartup() {
    m_controller->applyAvailability();
}

InputMonitor::Read RecordingWidgets::readInput(int16_t *out, size_t count) {
    const bool recording = m_controller->recording() && m_engine->capturing();
    m_monitorIdle.start();
    if (recording)
        m_monitor->pause();
    else
        m_monitor->keepRunning(m_recorder->SelectedSourceName());
    return m_monitor->latest(out, count, recording);
}

void RecordingWidgets::shutdown() {
    m_controller->keepTakeAtExit();
    m_monitor->pause();
    m_engine->release();
    m_recorder->StopRecord();
}

void RecordingWidgets::setRecordEnabled(bool enabled, const QString &toolTip) {
    if (XPButton *b = m_ui.XPButton[6]) {
        b->setEnabled(enabled);
        b->setToolTipText(toolTip);
    }
    if (QAction *a = m_ui.action("mnuStartRec")) {
        a->setEnabled(enabled);
        a->setToolTip(toolTip);
    }
}

void RecordingWidgets::setPlayTakeEnabled(bool enabled) {
    if (XPButton *b = m_ui.XPButton[7]) b->setEnabled(enabled);
    if (QAction *a = m_ui.action("mnuPlayRec")) a->setEnabled(enabled);
}

bool RecordingWidgets::playTakeButtonEnabled() const {
    return m_ui.XPButton[7] && m_ui.XPButton[7]->isEnabled();
}

void RecordingWidgets::setStopControls(bool enabled, const QString &buttonCaption,
                                       const QString &menuCaption) {
    if (XPButton *b = m_ui.XPButton[8]) {
        b->setEnabled(enabled);
        b->setCaption(buttonCaption);
        b->setToolTipText(buttonCaption);
    }
    if (QAction *a = m_ui.action("mnuStopRecPlay")) {
        a->setEnabled(enabled);
        a->setText(menuCaption);
    }
}

bool RecordingWidgets::stopButtonEnabled() const {
    return m_ui.XPButton[8] && m_ui.XPButton[8]->isEnabled();
}

void RecordingWidgets::setIndicator(Indicator indicator) {
    if (!m_indicator) return;
    const QColor color = indicator == Indicator::Recording  ? QColor(230, 30, 30)
                         : indicator == Indicator::Playback ? QColor(30, 200, 60)
                                                            : QColor(150, 150, 150);
    m_indicator->setPixmap(indicatorPicture(color));
    m_indicator->setProperty("state", int(indicator));
}

void RecordingWidgets::setMarker(bool visible, int twips) {
    if (!m_marker) return;
    m_marker->move(twips / 15, m_marker->y());
    m_marker->setVisible(visible);
    if (visible) m_marker->raise();
}

void RecordingWidgets::setProcessingEnabled(bool enabled) {
    for (const char *name : {"mnuRemoveVocal", "mnuShifting"})
        if (QAction *a = m_ui.action(name)) a->setEnabled(enabled);
    for (QCheckBox *box : {m_ui.Check2, m_ui.Check3})
        if (box) box->setEnabled(enabled);
}

void RecordingWidgets::setLevelTimerRunning(bool running) {
    if (QTimer *t = m_ui.Timer[4]) {
        if (running)
            t->start();
        else
            t->stop();
    }
}

void RecordingWidgets::setClockRunning(bool running) {
    if (QTimer *t = m_ui.Timer[5]) {
        if (running)
            t->start();
        else
            t->stop();
    }
}

bool RecordingWidgets::startSystemMixer() {
    return SystemMixer::start();
}

void RecordingWidgets::setDevices(const QStringList &names, int selected) {
    const QSignalBlocker block(m_devices);
    m_devices->clear();
    m_devices->addItems(names);
    m_devices->setCurrentIndex(selected);
}

void RecordingWidgets::setLines(const QStringList &names, int selected) {
    const QSignalBlocker block(m_lines);
    m_lines->clear();
    m_lines->addItems(names);
    m_lines->setCurrentIndex(selected);
}

void RecordingWidgets::setVolumeSlider(int value) {
    const QSignalBlocker block(m_volume);
    m_volume->setValue(value);
}

void RecordingWidgets::setVolumeText(const QString &text) {
    if (m_ui.lblVolPer) m_ui.lblVolPer->setText(text);
}

void RecordingWidgets::setLevelDisplayCaptions(const QString &menu, const QString &popup) {
    if (QAction *a = m_ui.action("mnuShowVolumeB")) a->setText(menu);
    if (QAction *a = m_ui.action("PopShowVolumeB")) a->setText(popup);
}

void RecordingWidgets::focusSurface() {
    if (m_ui.PicShape) m_ui.PicShape->setFocus();
}
