#pragma once
// OutputCapture on PulseAudio: a record stream on the monitor of the sink that this process's
// playback stream (libmpv's sink input, found by its process id) goes to, limited to that one
// stream (pa_stream_set_monitor_stream), so other programs' sounds stay out. It runs on a
// connection of its own that lives from start() to stop(); every server call is asynchronous,
// so neither ever waits on the server.
#include "platform/output_capture.h"

#include <memory>

class PulseOutputCapture : public OutputCapture {
public:
    PulseOutputCapture();
    ~PulseOutputCapture() override;
    PulseOutputCapture(const PulseOutputCapture &) = delete;
    PulseOutputCapture &operator=(const PulseOutputCapture &) = delete;

    void start(const QString &voiceSource, const AudioFormat &format,
               AudioCapture::DataSink data) override;
    void stop() override;
    bool timing(CaptureTiming &out) const override;
    bool voiceFollowsOutput() const override;

    // The server's state of the capture, on the loop's thread.
    struct Session;

private:
    std::unique_ptr<Session> m_session;
};
