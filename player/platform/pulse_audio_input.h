#pragma once
// AudioInput on PulseAudio: one libpulse threaded main loop with a connected context. The
// connection is tried once when the object is built and again by reconnect(); it never spawns
// a server. Every wait on the server ends after `timeoutMs`.
#include "platform/audio_input.h"

#include <atomic>
#include <memory>

struct pa_threaded_mainloop;
struct pa_context;

class PulseAudioInput : public AudioInput {
public:
    explicit PulseAudioInput(int timeoutMs = 2000);
    ~PulseAudioInput() override;
    PulseAudioInput(const PulseAudioInput &) = delete;
    PulseAudioInput &operator=(const PulseAudioInput &) = delete;

    // Drops the connection and connects again (bounded); true when connected.
    bool reconnect();

    bool available() const override;
    QString unavailableReason() const override;
    QList<AudioSourceInfo> sources() override;
    bool source(uint32_t index, AudioSourceInfo &out) override;
    QString defaultSourceName() override;
    bool setActivePort(uint32_t sourceIndex, const QString &port) override;
    bool setVolume(uint32_t sourceIndex, int channels, uint32_t volume) override;
    // The capture streams must be destroyed before this object.
    std::unique_ptr<AudioCapture> createCapture() override;

    // The shared loop and context, for the capture streams.
    struct Connection;

private:
    void disconnect();

    int m_timeoutMs;
    std::shared_ptr<Connection> m_conn;
    QString m_reason;
};
