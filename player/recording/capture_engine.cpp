#include "recording/capture_engine.h"

#include <QMetaObject>

CaptureEngine::CaptureEngine(AudioInput *input, QObject *parent) : QObject(parent), m_input(input) {
    // The server converts any of the formats; the preferred one is taken.
    m_haveFormat = CaptureSetup::chooseFormat([](const AudioFormat &) { return true; }, m_format);
}

CaptureEngine::~CaptureEngine() {
    stop();
}

bool CaptureEngine::available() const {
    return m_input && m_haveFormat && m_input->available();
}

QString CaptureEngine::unavailableReason() const {
    if (!m_input) return QStringLiteral("没有可用的声音服务器（PulseAudio）");
    if (!m_haveFormat) return QStringLiteral("你的声卡不支持当前音频捕捉采样设置！");
    return m_input->unavailableReason();
}

CaptureSetup::Plan CaptureEngine::setup(double requested, double stored, int maxMinutes) {
    const CaptureSetup::Plan p = CaptureSetup::plan(requested, stored, maxMinutes, m_format);
    m_recordSeconds = p.seconds;
    m_captureSize = p.bytes;
    return p;
}

bool CaptureEngine::start(const QString &source) {
    stop();
    release();
    m_formatRefused = false;
    if (!available() || m_captureSize == 0) return false;
    m_capture = m_input->createCapture();
    if (!m_capture) return false;
    m_buffer = std::make_unique<CaptureBuffer>(m_format, m_captureSize);
    m_end = int(End::None);
    CaptureBuffer *buffer = m_buffer.get();
    // Capture thread: copy, and post once when the buffer fills or the stream breaks.
    auto onData = [this, buffer](const char *data, size_t bytes) {
        if (buffer->full()) return;
        buffer->append(data, bytes);
        if (buffer->full()) reportEnd(End::Full);
    };
    AudioCapture *capture = m_capture.get();
    auto onEnd = [this, capture] {
        reportEnd(capture->formatRefused() ? End::FormatRefused : End::ServerLost);
    };
    if (!m_capture->start(source, m_format, onData, onEnd)) {
        m_formatRefused = m_capture->formatRefused();
        m_capture.reset();
        m_buffer.reset();
        return false;
    }
    return true;
}

void CaptureEngine::reportEnd(End why) {
    int none = int(End::None);
    if (!m_end.compare_exchange_strong(none, int(why))) return;
    QMetaObject::invokeMethod(
        this, [this] { Q_EMIT captureEnded(); }, Qt::QueuedConnection);
}

void CaptureEngine::stop() {
    if (m_capture) m_capture->finish();
    m_capture.reset();
}

bool CaptureEngine::capturing() const {
    return m_capture && m_capture->running() && m_buffer && !m_buffer->full();
}

void CaptureEngine::release() {
    stop();
    m_buffer.reset();
}
