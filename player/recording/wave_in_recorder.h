#pragma once
// clsRecorder: the recording devices (the sound server's sources, monitors included), the
// recording lines of the selected device (its ports; one line named after the source when it
// has none), the selected line (the active port), the line volume (the source volume,
// 65535 = 100 %), and a buffered capture that hands out filled buffers (GotData).
//
// Indexes: a device index is a position in the index-ordered source list; a line index is a
// position in the selected source's port list. Every member runs on the UI thread and answers
// its "none" value (0, -1, empty, false) when no server or no device is there.
#include "platform/audio_input.h"

#include <QObject>
#include <QString>
#include <QVector>
#include <cstdint>
#include <memory>

class WaveInRecorder : public QObject {
    Q_OBJECT
public:
    // MixerLineType codes.
    enum LineType : int { LineUnknown = 0, LineInput = 1, LineMonitor = 2 };
    static constexpr int kMaxVolume = 65535;

    // `input` may be null (no sound server): every member then answers "none".
    explicit WaveInRecorder(AudioInput *input, QObject *parent = nullptr);
    ~WaveInRecorder() override;

    int DeviceCount() const;
    QString DeviceName(int device) const;
    // The server's name of device `device` ("lvxnull.monitor"); empty when out of range.
    QString DeviceSourceName(int device) const;
    // Opens device `device`; false (nothing changes) when it is out of range; false with no
    // device selected when it has gone from the server.
    bool SelectDevice(int device);
    int SelectedDevice() const { return m_selected; }
    // The position of the server's default source in the device list; -1 when none.
    int DefaultDevice() const;
    // The selected device's source name; empty when none is selected.
    QString SelectedSourceName() const { return m_selected >= 0 ? m_source.name : QString(); }

    int MixerLineCount() const;
    QString MixerLineName(int line) const;
    bool SelectMixerLine(int line);
    int SelectedMixerLine() const;
    // The type of `line` (or of the selected line for -1).
    int MixerLineType(int line) const;
    // The selected source's volume: the average of its channels on the 0 ... 65535 scale,
    // clamped to 65535; 0 when it cannot be read. Writing sets every channel.
    int MixerLineVolume() const;
    bool setMixerLineVolume(int volume);

    int BufferCount() const { return m_bufferCount; }
    void setBufferCount(int count) { m_bufferCount = count; }
    int BufferSize() const { return m_bufferSize; }
    void setBufferSize(int bytes) { m_bufferSize = bytes; }

    // 16-bit PCM capture of the selected device; false when none is selected or it fails.
    bool StartRecord(int sampleRate, int channels);
    bool StopRecord();
    bool IsRecording() const;

    // Volume scale conversions (server volume PA_VOLUME_NORM = 65536 is 100 %).
    static int toLineVolume(const QList<uint32_t> &channelVolumes);
    static uint32_t toServerVolume(int lineVolume);

Q_SIGNALS:
    // One filled buffer of BufferSize / 2 samples, `bytesRecorded` of them valid (fewer for
    // the last buffer of a capture). In capture order, on the UI thread.
    void GotData(const QVector<int16_t> &samples, int bytesRecorded);

private:
    // Re-reads the selected source; false when it is gone.
    bool refresh() const;
    QList<AudioSourceInfo> list() const;
    void deliver(QVector<int16_t> samples, int bytes, quint64 generation);

    AudioInput *m_input;
    int m_selected = -1;
    mutable AudioSourceInfo m_source;
    int m_bufferCount = 5;
    int m_bufferSize = 10240;
    std::unique_ptr<AudioCapture> m_capture;
    // Capture thread only: the buffer being filled.
    QVector<int16_t> m_filling;
    int m_filled = 0;
    quint64 m_generation = 0;
};
