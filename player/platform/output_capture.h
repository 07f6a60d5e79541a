#pragma once
// The accompaniment of a take as it was heard: a capture of what this process plays through the
// sound server, after the player's own key, balance and volume. PulseOutputCapture implements
// it on libpulse; tests may use a scripted one.
#include "platform/audio_input.h"

#include <QString>

class OutputCapture {
public:
    virtual ~OutputCapture() = default;

    // Starts following this process's playback for a take recorded from `voiceSource` (empty:
    // the server's default source) and returns at once. When that source is a monitor it
    // already holds the music and nothing is captured. Otherwise the playback stream is looked
    // up on the server client's thread (also when the player opens it later, or opens a new
    // one) and its sound goes to `data` in `format` on that thread; gaps arrive as silence.
    virtual void start(const QString &voiceSource, const AudioFormat &format,
                       AudioCapture::DataSink data) = 0;
    // Stops; no callback runs once this returns. Safe to call when not started.
    virtual void stop() = 0;
    // The capture's last timing report, and a new one is asked for; false while there is none.
    // Asked together with the voice's, both reports describe one moment.
    virtual bool timing(CaptureTiming &out) const = 0;
    // The voice source filters the monitor of the sink that plays the player (a remapped
    // monitor): like a monitor, its sound counts from when the sink plays it, so the voice's
    // timing takes off the sink's latency too (the accompaniment's sinkLatencyUsec).
    virtual bool voiceFollowsOutput() const = 0;
};
