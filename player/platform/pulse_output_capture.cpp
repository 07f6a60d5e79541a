#include "platform/pulse_output_capture.h"

#include "platform/pulse_context.h"
#include "platform/pulse_timing.h"

#include <QByteArray>
#include <algorithm>
#include <unistd.h>
#include <vector>

// Everything here runs on the loop's thread or with the loop locked.
struct PulseOutputCapture::Session {
    pa_threaded_mainloop *loop = nullptr;
    pa_context *context = nullptr;
    pa_stream *stream = nullptr;
    QByteArray voiceSource;
    QByteArray voiceMaster;
    QByteArray processId = QByteArray::number(qint64(getpid()));
    pa_sample_spec pcm{};
    size_t frameBytes = 4;
    AudioCapture::DataSink data;
    uint64_t bytes = 0;
    uint64_t firstFrame = 0; // of the current stream, counted over the whole take
    CaptureTiming timing;
    bool haveTiming = false;
    std::vector<char> silence;

    bool voiceChecked = false;
    bool voiceIsMonitor = false;
    // The sink whose monitor the voice source filters (a remapped monitor); none for a
    // microphone.
    uint32_t voiceSink = PA_INVALID_INDEX;
    bool voiceFollowsSink = false;
    bool lookingUp = false;
    bool lookUpAgain = false;
    uint32_t candidate = PA_INVALID_INDEX;
    uint32_t candidateSink = PA_INVALID_INDEX;
    // Streams that ended without delivering anything, in a row: a server that keeps refusing
    // the capture is not asked forever.
    int failures = 0;
    bool delivered = false;

    bool streamGood() const { return stream && PA_STREAM_IS_GOOD(pa_stream_get_state(stream)); }

    bool open() {
        loop = pa_threaded_mainloop_new();
        if (!loop || pa_threaded_mainloop_start(loop) < 0) return false;
        pa_threaded_mainloop_lock(loop);
        context = pa_context_new(pa_threaded_mainloop_get_api(loop), "Lyravox");
        bool ok = context != nullptr;
        if (ok) {
            pa_context_set_state_callback(context, &Session::onContextState, this);
            pa_context_set_subscribe_callback(context, &Session::onEvent, this);
            ok = pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) == 0;
        }
        pa_threaded_mainloop_unlock(loop);
        return ok;
    }

    // Not from the loop's thread.
    void close() {
        if (!loop) return;
        pa_threaded_mainloop_lock(loop);
        dropStream();
        PulseContext::drop(context);
        pa_threaded_mainloop_unlock(loop);
        pa_threaded_mainloop_stop(loop);
        pa_threaded_mainloop_free(loop);
        loop = nullptr;
    }

    void dropStream() {
        if (!stream) return;
        pa_stream_set_state_callback(stream, nullptr, nullptr);
        pa_stream_set_read_callback(stream, nullptr, nullptr);
        pa_stream_set_latency_update_callback(stream, nullptr, nullptr);
        if (PA_STREAM_IS_GOOD(pa_stream_get_state(stream))) pa_stream_disconnect(stream);
        pa_stream_unref(stream);
        stream = nullptr;
    }

    static void forget(pa_operation *op) {
        if (op) pa_operation_unref(op);
    }

    static void onContextState(pa_context *c, void *self) {
        auto *s = static_cast<Session *>(self);
        if (pa_context_get_state(c) != PA_CONTEXT_READY) return;
        forget(pa_context_subscribe(c, PA_SUBSCRIPTION_MASK_SINK_INPUT, nullptr, nullptr));
        const char *name =
            s->voiceSource.isEmpty() ? "@DEFAULT_SOURCE@" : s->voiceSource.constData();
        forget(pa_context_get_source_info_by_name(c, name, &Session::onVoiceSource, self));
    }

    static void onVoiceSource(pa_context *c, const pa_source_info *i, int eol, void *self) {
        auto *s = static_cast<Session *>(self);
        if (i && eol == 0) {
            s->voiceIsMonitor = i->monitor_of_sink != PA_INVALID_INDEX;
            const char *master = pa_proplist_gets(i->proplist, PA_PROP_DEVICE_MASTER_DEVICE);
            if (!s->voiceIsMonitor && master) s->voiceMaster = master;
            return;
        }
        if (!s->voiceMaster.isEmpty()) {
            forget(pa_context_get_source_info_by_name(c, s->voiceMaster.constData(),
                                                      &Session::onVoiceMaster, self));
            return;
        }
        s->voiceKnown();
    }

    static void onVoiceMaster(pa_context *, const pa_source_info *i, int eol, void *self) {
        auto *s = static_cast<Session *>(self);
        if (i && eol == 0) {
            s->voiceSink = i->monitor_of_sink;
            return;
        }
        s->voiceKnown();
    }

    void voiceKnown() {
        if (voiceChecked) return;
        voiceChecked = true;
        if (!voiceIsMonitor) lookUp();
    }

    static void onEvent(pa_context *, pa_subscription_event_type_t, uint32_t, void *self) {
        auto *s = static_cast<Session *>(self);
        if (s->voiceChecked && !s->voiceIsMonitor && !s->streamGood()) s->lookUp();
    }

    void lookUp() {
        if (failures >= 5) return;
        if (lookingUp) {
            lookUpAgain = true;
            return;
        }
        lookingUp = true;
        candidate = candidateSink = PA_INVALID_INDEX;
        forget(pa_context_get_sink_input_info_list(context, &Session::onSinkInput, this));
    }

    static void onSinkInput(pa_context *c, const pa_sink_input_info *i, int eol, void *self) {
        auto *s = static_cast<Session *>(self);
        if (i && eol == 0) {
            const char *pid = pa_proplist_gets(i->proplist, PA_PROP_APPLICATION_PROCESS_ID);
            // The newest of this process's streams is the player's current one.
            if (pid && s->processId == pid &&
                (s->candidate == PA_INVALID_INDEX || i->index > s->candidate)) {
                s->candidate = i->index;
                s->candidateSink = i->sink;
            }
            return;
        }
        s->lookingUp = false;
        if (s->candidate != PA_INVALID_INDEX && !s->streamGood())
            forget(pa_context_get_sink_info_by_index(c, s->candidateSink, &Session::onSink, self));
        else if (s->lookUpAgain) {
            s->lookUpAgain = false;
            s->lookUp();
        }
    }

    static void onSink(pa_context *, const pa_sink_info *i, int eol, void *self) {
        auto *s = static_cast<Session *>(self);
        if (i && eol == 0 && i->monitor_source_name && !s->streamGood()) {
            s->voiceFollowsSink = s->voiceSink == i->index;
            s->connect(s->candidate, i->monitor_source_name);
        }
    }

    void connect(uint32_t sinkInput, const char *monitor) {
        dropStream();
        stream = pa_stream_new(context, "Lyravox accompaniment", &pcm, nullptr);
        if (!stream) return;
        delivered = false;
        haveTiming = false;
        firstFrame = bytes / frameBytes;
        pa_stream_set_monitor_stream(stream, sinkInput);
        pa_stream_set_state_callback(stream, &Session::onStreamState, this);
        pa_stream_set_read_callback(stream, &Session::onRead, this);
        pa_stream_set_latency_update_callback(stream, &Session::onTiming, this);
        pa_buffer_attr attr;
        attr.maxlength = uint32_t(-1);
        attr.tlength = attr.prebuf = attr.minreq = uint32_t(-1);
        attr.fragsize = uint32_t(pa_bytes_per_second(&pcm) / 20);
        const auto flags = pa_stream_flags_t(PA_STREAM_ADJUST_LATENCY | PA_STREAM_DONT_MOVE);
        if (pa_stream_connect_record(stream, monitor, &attr, flags) < 0) {
            ++failures;
            dropStream();
        }
    }

    static void onStreamState(pa_stream *st, void *self) {
        auto *s = static_cast<Session *>(self);
        if (PA_STREAM_IS_GOOD(pa_stream_get_state(st))) return;
        // The player's stream ended or moved to another sink: follow it.
        if (!s->delivered) ++s->failures;
        s->lookUp();
    }

    static void onTiming(pa_stream *st, void *self) {
        auto *s = static_cast<Session *>(self);
        if (PulseTiming::read(st, s->firstFrame, s->timing)) s->haveTiming = true;
    }

    static void onRead(pa_stream *st, size_t, void *self) {
        auto *s = static_cast<Session *>(self);
        const void *chunk = nullptr;
        size_t n = 0;
        while (pa_stream_readable_size(st) > 0) {
            if (pa_stream_peek(st, &chunk, &n) < 0 || n == 0) break;
            s->deliver(static_cast<const char *>(chunk), n);
            pa_stream_drop(st);
        }
    }

    void deliver(const char *chunk, size_t n) {
        bytes += n;
        delivered = true;
        failures = 0;
        if (!data) return;
        if (chunk) {
            data(chunk, n);
            return;
        }
        // A gap keeps its length as silence.
        if (silence.empty()) silence.assign(pa_bytes_per_second(&pcm) / 10, '\0');
        const char zero = pcm.format == PA_SAMPLE_U8 ? char(0x80) : '\0';
        if (silence.front() != zero) std::fill(silence.begin(), silence.end(), zero);
        for (size_t left = n; left > 0;) {
            const size_t k = std::min(left, silence.size());
            data(silence.data(), k);
            left -= k;
        }
    }
};

PulseOutputCapture::PulseOutputCapture() = default;

PulseOutputCapture::~PulseOutputCapture() {
    stop();
}

void PulseOutputCapture::start(const QString &voiceSource, const AudioFormat &format,
                               AudioCapture::DataSink data) {
    stop();
    auto session = std::make_unique<Session>();
    session->voiceSource = voiceSource.toUtf8();
    session->pcm = pa_sample_spec{format.bits == 8 ? PA_SAMPLE_U8 : PA_SAMPLE_S16LE,
                                  uint32_t(format.rate), uint8_t(format.channels)};
    session->frameBytes = size_t(format.blockAlign());
    session->data = std::move(data);
    if (!session->open()) {
        session->close();
        return;
    }
    m_session = std::move(session);
}

void PulseOutputCapture::stop() {
    if (!m_session) return;
    m_session->close();
    m_session.reset();
}

bool PulseOutputCapture::timing(CaptureTiming &out) const {
    Session *s = m_session.get();
    if (!s) return false;
    pa_threaded_mainloop_lock(s->loop);
    // The last report; the next one is asked for now.
    const bool ok = s->streamGood() && s->haveTiming;
    if (ok) out = s->timing;
    if (s->stream && pa_stream_get_state(s->stream) == PA_STREAM_READY)
        Session::forget(pa_stream_update_timing_info(s->stream, nullptr, nullptr));
    pa_threaded_mainloop_unlock(s->loop);
    return ok;
}

bool PulseOutputCapture::voiceFollowsOutput() const {
    Session *s = m_session.get();
    if (!s) return false;
    pa_threaded_mainloop_lock(s->loop);
    const bool follows = s->voiceFollowsSink;
    pa_threaded_mainloop_unlock(s->loop);
    return follows;
}
