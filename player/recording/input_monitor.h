#pragma once
// The input the level meter and the visualization follow: one continuous capture stream of
// the selected source into a SampleRing. While a recording runs the monitor stream pauses and
// the recording's own capture buffer is read instead, so the source is never captured twice.
// Without a sound server there is no input: readers get silence.
#include "platform/audio_input.h"
#include "recording/sample_ring.h"

#include <QElapsedTimer>
#include <QString>
#include <atomic>
#include <memory>

class CaptureEngine;

class InputMonitor {
public:
    static constexpr AudioFormat kFormat{44100, 2, 16};
    // A stream that could not start or broke is tried again after this long.
    static constexpr int kRetryMs = 2000;

    // `input` may be null (no server); `engine` is the recording's capture engine (may be null).
    InputMonitor(AudioInput *input, const CaptureEngine *engine);
    ~InputMonitor();

    // Keeps the stream of `source` (empty: the server's default) running; restarts it when the
    // source changed or the stream ended. Cheap when nothing changes.
    void keepRunning(const QString &source);
    // A recording is capturing: the monitor stream stops until keepRunning() runs again.
    void pause();
    bool running() const;

    enum class Read { Ready, NotYet, NoInput };
    // The `count` newest values of the input: from the recording's buffer while one captures,
    // otherwise from the monitor ring. NoInput: no server or no stream (draw silence).
    Read latest(int16_t *out, size_t count, bool recording) const;
    const SampleRing &ring() const { return m_ring; }

private:
    void stopStream();

    AudioInput *m_input;
    const CaptureEngine *m_engine;
    std::unique_ptr<AudioCapture> m_capture;
    SampleRing m_ring;
    QString m_source;
    std::atomic<bool> m_ended{false};
    QElapsedTimer m_sinceFailure;
};
