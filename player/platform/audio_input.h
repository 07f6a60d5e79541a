#pragma once
// The sound server's recording side, as the recorder and the capture engine need it: the
// sources with their ports and volumes, and capture streams. PulseAudioInput implements it on
// libpulse; tests may use a scripted one.
//
// Threads: every member is called on the UI thread and answers at once, without waiting on the
// server: the lists are what the server last reported, and changes are sent without waiting for
// their outcome. Without a server every call answers its empty value. Capture callbacks run on
// the server client's own thread (or, while a capture stops, on the thread that stops it).
#include <QList>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

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
    // the source was removed, the server refused the format).
    using EndSink = std::function<void()>;

    virtual ~AudioCapture() = default;
    // Starts capturing `source` (a source name) in `format`; the stream may still be on its way
    // when this returns, and a stream that then fails ends through `ended`. False when it
    // cannot start at all. The capture's time begins with this call: the time the stream takes
    // to come up, and any gap the server reports, reach `data` as silence of their length.
    virtual bool start(const QString &source, const AudioFormat &format, DataSink data,
                       EndSink ended) = 0;
    // Stops after handing `data` what the stream still holds; no callback runs once this
    // returns. Safe to call when not started.
    virtual void stop() = 0;
    // Stops once the stream has handed over what it captured up to now (a recording's end):
    // waits for blocks still on their way, at most 60 ms.
    virtual void finish() { stop(); }
    virtual bool running() const = 0;
    // After a failed start or an end: the server refused the capture format.
    virtual bool formatRefused() const { return false; }

    // Hands one block to `sink`: the captured bytes, or, for a gap the server reported (`data`
    // null), silence of `bytes` bytes at `bits` per sample, so that the capture keeps its time.
    static void deliver(const DataSink &sink, const void *data, size_t bytes, int bits) {
        if (!sink || bytes == 0) return;
        if (data) {
            sink(static_cast<const char *>(data), bytes);
            return;
        }
        static const std::vector<char> zeros(16384, char(0)), unsignedZeros(16384, char(0x80));
        const std::vector<char> &silence = bits == 8 ? unsignedZeros : zeros;
        for (size_t left = bytes; left > 0;) {
            const size_t n = std::min(left, silence.size());
            sink(silence.data(), n);
            left -= n;
        }
    }

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
    // `listener` runs on the server client's thread whenever the server comes or goes or its
    // sources change (post it on; never block). Null removes it.
    virtual void setChangeListener(std::function<void()> listener) { (void)listener; }
};
