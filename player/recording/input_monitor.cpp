#include "recording/input_monitor.h"

#include "recording/capture_engine.h"

InputMonitor::InputMonitor(AudioInput *input, const CaptureEngine *engine)
    : m_input(input), m_engine(engine) {}

InputMonitor::~InputMonitor() {
    stopStream();
}

bool InputMonitor::running() const {
    return m_capture && m_capture->running() && !m_ended.load();
}

void InputMonitor::stopStream() {
    if (m_capture) m_capture->stop();
    m_capture.reset();
}

void InputMonitor::pause() {
    stopStream();
}

void InputMonitor::keepRunning(const QString &source) {
    if (running() && source == m_source) return;
    if (m_capture && m_ended.load()) {
        // The stream broke (server or source gone): wait a moment before the next try.
        stopStream();
        m_sinceFailure.start();
        return;
    }
    if (!m_input || !m_input->available()) {
        stopStream();
        return;
    }
    if (m_sinceFailure.isValid() && m_sinceFailure.elapsed() < kRetryMs) return;
    stopStream();
    m_ring.clear(); // no writer runs now
    m_source = source;
    m_ended = false;
    m_capture = m_input->createCapture();
    SampleRing *ring = &m_ring;
    auto onData = [ring](const char *data, size_t bytes) {
        ring->append(data, bytes, kFormat.bits);
    };
    auto onEnd = [this] { m_ended = true; };
    if (!m_capture || !m_capture->start(source, kFormat, onData, onEnd)) {
        m_capture.reset();
        m_sinceFailure.start();
        return;
    }
    m_sinceFailure.invalidate();
}

InputMonitor::Read InputMonitor::latest(int16_t *out, size_t count, bool recording) const {
    if (recording && m_engine && m_engine->buffer()) {
        return m_engine->buffer()->latestSamples(out, count) == count ? Read::Ready : Read::NotYet;
    }
    if (!m_capture) return Read::NoInput;
    return m_ring.latest(out, count) ? Read::Ready : Read::NotYet;
}
