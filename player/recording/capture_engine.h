#pragma once
// The capture engine: records the chosen source into one capture buffer sized by the seconds
// rule. The capture thread only copies into the buffer; the end of a capture that stops by
// itself (buffer full, server gone) is posted to the UI thread as captureEnded().
#include "platform/audio_input.h"
#include "recording/capture_buffer.h"
#include "recording/capture_setup.h"

#include <QObject>
#include <QString>
#include <atomic>
#include <memory>

class CaptureEngine : public QObject {
    Q_OBJECT
public:
    enum class End { None, Full, ServerLost, FormatRefused };

    // `input` may be null: the engine is then unavailable.
    explicit CaptureEngine(AudioInput *input, QObject *parent = nullptr);
    ~CaptureEngine() override;

    // A server and a capture format are there.
    bool available() const;
    // Why recording is unavailable; empty while available.
    QString unavailableReason() const;
    const AudioFormat &format() const { return m_format; }

    // Sizes the next capture buffer for `requested` seconds (the seconds rule, weighing the
    // take's own record seconds `stored`); the record seconds become the plan's seconds.
    CaptureSetup::Plan setup(double requested, double stored, int maxMinutes);
    // As above with the previous plan's record seconds as `stored`.
    CaptureSetup::Plan setup(double requested, int maxMinutes) {
        return setup(requested, m_recordSeconds, maxMinutes);
    }
    double recordSeconds() const { return m_recordSeconds; }
    size_t captureSize() const { return m_captureSize; }

    // Allocates the capture buffer and starts capturing `source` (empty: the default source).
    bool start(const QString &source);
    // After a start that failed: the server refused the capture format.
    bool formatRefused() const { return m_formatRefused; }
    // Stops the capture; the buffer stays until release().
    void stop();
    // True while the capture runs and the buffer has room.
    bool capturing() const;
    // Why the last capture stopped by itself.
    End endReason() const { return End(m_end.load()); }
    // The buffer of the running or last capture; null before the first or after release().
    const CaptureBuffer *buffer() const { return m_buffer.get(); }
    void release();
    // The running capture's timing (frames count from the buffer's start).
    bool timing(CaptureTiming &out) const { return m_capture && m_capture->timing(out); }

Q_SIGNALS:
    // The capture stopped by itself (see endReason()).
    void captureEnded();

private:
    void reportEnd(End why);

    AudioInput *m_input;
    AudioFormat m_format;
    bool m_haveFormat = false;
    double m_recordSeconds = 1.0;
    size_t m_captureSize = 0;
    std::unique_ptr<CaptureBuffer> m_buffer;
    std::unique_ptr<AudioCapture> m_capture;
    std::atomic<int> m_end{int(End::None)};
    bool m_formatRefused = false;
};
