#pragma once
// The sound server's recording side, as the recorder and the capture engine need it: the
// sources with their ports and volumes, and capture streams. PulseAudioInput implements it on
// libpulse; tests may use a scripted one.
//
// Threads: every member is called on the UI thread. Each call that talks to the server blocks
// for at most the implementation's bounded wait; once the server is known to be missing every
// call answers its empty value at once. Capture callbacks run on the server client's own thread.
#include <QList>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

struct AudioSourceInfo {
    uint32_t index = 0; // the server's index of the source
    QString name;       // the server's name ("lvxnull.monitor")
    QString description;
    bool monitor = false; // listens to a sink ("stereo mix")
    QStringList portNames;
    QStringList portDescriptions;
    QString activePort; // empty when the source has no ports
    // One volume per channel, 0 ... (PA_VOLUME_NORM = 65536 is 100 %) ...
    QList<uint32_t> channelVolumes;
};

// PCM capture format: rate in Hz, 1 or 2 channels, 8 (unsigned) or 16 (signed LE) bits.
struct AudioFormat {
    int rate = 44100;
    int channels = 2;
    int bits = 16;
    int blockAlign() const { return channels * bits / 8; }
    int bytesPerSecond() const { return rate * blockAlign(); }
    bool operator==(const AudioFormat &o) const {
        return rate == o.rate && channels == o.channels && bits == o.bits;
    }
};

// Where a capture stream stands, for lining it up with another one: `frames` frames have gone
// to the data sink (gaps counted), and the next one was captured `latencyUsec` before `atUsec`
// (the monotonic clock in microseconds). On a monitor the moment a frame is captured is the
// moment the sink plays it, so the latency may be negative.
struct CaptureTiming {
    uint64_t frames = 0;
    int64_t latencyUsec = 0;
    int64_t atUsec = 0;
    // On a monitor: the monitored sink's own latency (included in latencyUsec); else 0.
    int64_t sinkLatencyUsec = 0;
};

class AudioCapture {
public:
    // Called on the capture thread with each block of captured bytes: copy, never block.
    using DataSink = std::function<void(const char *data, size_t bytes)>;
    // Called once on the capture thread when the stream ends by itself (the server went away,
    // the source was removed).
    using EndSink = std::function<void()>;

    virtual ~AudioCapture() = default;
    // Starts capturing `source` (a source name) in `format`. False when it cannot start.
    virtual bool start(const QString &source, const AudioFormat &format, DataSink data,
                       EndSink ended) = 0;
    // Stops; no callback runs once this returns. Safe to call when not started.
    virtual void stop() = 0;
    virtual bool running() const = 0;
    // The stream's timing now; false while the server has not reported any yet.
    virtual bool timing(CaptureTiming &out) const {
        (void)out;
        return false;
    }
};

class AudioInput {
public:
    virtual ~AudioInput() = default;

    // True while connected to a server.
    virtual bool available() const = 0;
    // Why the server is unavailable (for tooltips); empty while available.
    virtual QString unavailableReason() const = 0;
    // The sources in the server's index order; empty without a server.
    virtual QList<AudioSourceInfo> sources() = 0;
    // One source by its index; false when it is gone.
    virtual bool source(uint32_t index, AudioSourceInfo &out) = 0;
    // The server's default source name; empty when none.
    virtual QString defaultSourceName() = 0;
    // Makes `port` the active port of the source.
    virtual bool setActivePort(uint32_t sourceIndex, const QString &port) = 0;
    // Sets every one of `channels` channels of the source to `volume` (PA_VOLUME_NORM = 100 %).
    virtual bool setVolume(uint32_t sourceIndex, int channels, uint32_t volume) = 0;
    // A new capture stream on this server (null without a server).
    virtual std::unique_ptr<AudioCapture> createCapture() = 0;
};
