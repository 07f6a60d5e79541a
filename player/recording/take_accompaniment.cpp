#include "recording/take_accompaniment.h"

#include "recording/take_mixer.h"

QString TakeAccompaniment::voicePath(const QString &takePath) {
    const QString ext = QStringLiteral(".wav");
    const QString base = takePath.endsWith(ext) ? takePath.chopped(ext.size()) : takePath;
    return base + QStringLiteral("-voice") + ext;
}

TakeAccompaniment::TakeAccompaniment(std::unique_ptr<OutputCapture> capture, QObject *parent)
    : QObject(parent), m_capture(std::move(capture)) {
    m_readings.setInterval(100);
    connect(&m_readings, &QTimer::timeout, this, &TakeAccompaniment::measure);
}

TakeAccompaniment::~TakeAccompaniment() {
    stop();
}

void TakeAccompaniment::start(const QString &voiceSource, const AudioFormat &format, size_t bytes,
                              const QString &tempFolder) {
    stop();
    release();
    m_alignment = TakeAlignment(format.rate);
    if (!m_capture || bytes == 0) return;
    m_buffer = std::make_unique<CaptureBuffer>(format, bytes);
    CaptureBuffer *buffer = m_buffer.get();
    // Capture thread: copy only; a full buffer keeps what it holds.
    m_capture->start(voiceSource, format, [buffer](const char *data, size_t n) {
        if (!buffer->full()) buffer->append(data, n);
    });
    m_spool.open(tempFolder, format, spoolKind());
    m_running = true;
    m_readings.start();
}

void TakeAccompaniment::measure() {
    if (!m_running || !m_capture || !voiceTiming) return;
    CaptureTiming voice, accompaniment;
    if (!voiceTiming(voice) || !m_capture->timing(accompaniment)) return;
    if (m_capture->voiceFollowsOutput()) voice.latencyUsec -= accompaniment.sinkLatencyUsec;
    m_alignment.add(voice, accompaniment);
}

void TakeAccompaniment::spool() {
    if (m_buffer) m_spool.append(m_buffer->data(), m_buffer->readPosition());
}

void TakeAccompaniment::stop() {
    if (!m_running) return;
    // A last reading while both streams still run, then the capture ends.
    measure();
    m_readings.stop();
    m_running = false;
    if (m_capture) m_capture->stop();
    spool();
}

bool TakeAccompaniment::captured() const {
    return m_buffer && m_buffer->readPosition() > 0 && !m_alignment.points().empty();
}

bool TakeAccompaniment::writeMix(const QString &path, const char *voice, size_t voiceBytes) const {
    if (!captured()) return false;
    return TakeMixer::writeWav(path, m_buffer->format(), voice, voiceBytes, m_buffer->data(),
                               m_buffer->readPosition(), m_alignment.points());
}

void TakeAccompaniment::release() {
    stop();
    m_buffer.reset();
    m_spool.discard();
}
