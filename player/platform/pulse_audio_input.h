#pragma once
// AudioInput on PulseAudio: one libpulse threaded main loop with a context that is connected,
// and connected again while the server is away (it never spawns a server). The loop's thread
// keeps a copy of the source list and the default source, refreshed whenever the server
// reports a source or server change, so the UI thread reads them without asking the server;
// port and volume changes are sent without waiting for their answer.
#include "platform/audio_input.h"

#include <memory>

class PulseAudioInput : public AudioInput {
public:
    // Connects, and waits at most `firstListingMs` for the first source list (so that a
    // starting window shows its devices); a server that answers later fills the list then.
    explicit PulseAudioInput(int firstListingMs = 2000, int retryMs = 1000);
    ~PulseAudioInput() override;
    PulseAudioInput(const PulseAudioInput &) = delete;
    PulseAudioInput &operator=(const PulseAudioInput &) = delete;

    bool available() const override;
    QString unavailableReason() const override;
    QList<AudioSourceInfo> sources() override;
    bool source(uint32_t index, AudioSourceInfo &out) override;
    QString defaultSourceName() override;
    bool setActivePort(uint32_t sourceIndex, const QString &port) override;
    bool setVolume(uint32_t sourceIndex, int channels, uint32_t volume) override;
    // The capture streams must be destroyed before this object.
    std::unique_ptr<AudioCapture> createCapture() override;
    void setChangeListener(std::function<void()> listener) override;

    // The shared loop, context and source cache, for the capture streams.
    struct Connection;

private:
    std::shared_ptr<Connection> m_conn;
};
