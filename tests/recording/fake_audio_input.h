#pragma once
// A scripted sound server for recorder and engine tests: sources are what the test lists,
// captures are fed by the test on the UI thread.
#include "platform/audio_input.h"

#include <QList>
#include <QStringList>

class FakeCapture : public AudioCapture {
public:
    bool start(const QString &source, const AudioFormat &format, DataSink data,
               EndSink ended) override {
        if (refuse || refuseFormat) return false;
        startedSource = source;
        startedFormat = format;
        m_data = std::move(data);
        m_ended = std::move(ended);
        m_running = true;
        return true;
    }
    void stop() override {
        m_running = false;
        m_data = nullptr;
        m_ended = nullptr;
    }
    bool running() const override { return m_running; }
    bool formatRefused() const override { return refuseFormat; }

    // Delivers `bytes` bytes of a rising 16-bit ramp (starting at `first`) as the server would.
    void feed(size_t bytes, int first = 0) {
        QByteArray block(int(bytes), '\0');
        auto *s = reinterpret_cast<int16_t *>(block.data());
        for (size_t k = 0; k < bytes / 2; ++k)
            s[k] = int16_t(first + int(k));
        if (m_data) m_data(block.constData(), bytes);
    }
    // A gap the server reports: no data, `bytes` long.
    void feedGap(size_t bytes) { deliver(m_data, nullptr, bytes, startedFormat.bits); }
    // The stream breaks (server gone, or it refused the format after all).
    void breakStream(bool formatRefusal = false) {
        refuseFormat = formatRefusal;
        m_running = false;
        if (m_ended) m_ended();
    }

    bool refuse = false;
    bool refuseFormat = false;
    QString startedSource;
    AudioFormat startedFormat;

private:
    DataSink m_data;
    EndSink m_ended;
    bool m_running = false;
};

class FakeAudioInput : public AudioInput {
public:
    bool available() const override { return up; }
    QString unavailableReason() const override {
        return up ? QString() : QStringLiteral("没有可用的声音服务器（PulseAudio）");
    }
    QList<AudioSourceInfo> sources() override { return up ? list : QList<AudioSourceInfo>(); }
    bool source(uint32_t index, AudioSourceInfo &out) override {
        for (const AudioSourceInfo &s : sources())
            if (s.index == index) {
                out = s;
                return true;
            }
        return false;
    }
    QString defaultSourceName() override { return up ? defaultSource : QString(); }
    bool setActivePort(uint32_t index, const QString &port) override {
        for (AudioSourceInfo &s : list)
            if (up && s.index == index && s.portNames.contains(port)) {
                s.activePort = port;
                return true;
            }
        return false;
    }
    bool setVolume(uint32_t index, int channels, uint32_t volume) override {
        for (AudioSourceInfo &s : list)
            if (up && s.index == index) {
                s.channelVolumes = QList<uint32_t>(channels, volume);
                return true;
            }
        return false;
    }
    std::unique_ptr<AudioCapture> createCapture() override {
        if (!up) return nullptr;
        auto c = std::make_unique<FakeCapture>();
        c->refuse = refuseCapture;
        c->refuseFormat = refuseFormat;
        lastCapture = c.get();
        return c;
    }

    bool up = true;
    bool refuseCapture = false;
    bool refuseFormat = false; // the server refuses the capture format
    QList<AudioSourceInfo> list;
    QString defaultSource;
    FakeCapture *lastCapture = nullptr; // owned by whoever created it
};
