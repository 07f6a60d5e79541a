#include "platform/pulse_audio_input.h"

#include "platform/pulse_timing.h"

#include <pulse/pulseaudio.h>

#include <algorithm>

// The loop, the context and the bounded waits on them. Members are used with the loop locked
// unless they say otherwise.
struct PulseAudioInput::Connection {
    pa_threaded_mainloop *loop = nullptr;
    pa_context *context = nullptr;
    bool running = false;
    int timeoutMs = 2000;

    ~Connection() { close(); }

    void lock() const { pa_threaded_mainloop_lock(loop); }
    void unlock() const { pa_threaded_mainloop_unlock(loop); }
    void signal() const { pa_threaded_mainloop_signal(loop, 0); }
    bool good() const { return context && PA_CONTEXT_IS_GOOD(pa_context_get_state(context)); }

    // Waits until `done()` holds, the context fails or the deadline passes. True when done.
    template <typename Done> bool waitUntil(Done done) {
        struct Deadline {
            const Connection *self;
            bool passed = false;
        } deadline{this};
        auto onDeadline = [](pa_mainloop_api *, pa_time_event *, const struct timeval *,
                             void *data) {
            auto *d = static_cast<Deadline *>(data);
            d->passed = true;
            d->self->signal();
        };
        pa_time_event *event = pa_context_rttime_new(
            context, pa_rtclock_now() + pa_usec_t(timeoutMs) * 1000, onDeadline, &deadline);
        while (!done() && !deadline.passed && good())
            pa_threaded_mainloop_wait(loop);
        if (event) pa_threaded_mainloop_get_api(loop)->time_free(event);
        return done();
    }

    // Runs an operation whose callback sets `finished`; false when it did not finish in time.
    bool finish(pa_operation *op, const bool &finished) {
        if (!op) return false;
        const bool ok = waitUntil([&] { return finished; });
        if (!ok) pa_operation_cancel(op);
        pa_operation_unref(op);
        return ok;
    }

    // Not locked. Returns an empty text when connected, otherwise why not.
    QString open(int timeout) {
        timeoutMs = timeout;
        loop = pa_threaded_mainloop_new();
        if (!loop || pa_threaded_mainloop_start(loop) < 0)
            return QStringLiteral("声音服务器的连接无法建立");
        running = true;
        lock();
        context = pa_context_new(pa_threaded_mainloop_get_api(loop), "Lyravox");
        QString reason;
        if (!context) {
            reason = QStringLiteral("声音服务器的连接无法建立");
        } else {
            pa_context_set_state_callback(
                context,
                [](pa_context *, void *self) { static_cast<Connection *>(self)->signal(); }, this);
            if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0 ||
                !waitUntil([this] {
                    return pa_context_get_state(context) == PA_CONTEXT_READY || !good();
                }) ||
                pa_context_get_state(context) != PA_CONTEXT_READY)
                reason = QStringLiteral("没有可用的声音服务器（PulseAudio）");
        }
        unlock();
        return reason;
    }

    // Not locked; never from the loop's thread.
    void close() {
        if (!loop) return;
        if (running) lock();
        if (context) {
            pa_context_set_state_callback(context, nullptr, nullptr);
            pa_context_disconnect(context);
            pa_context_unref(context);
            context = nullptr;
        }
        if (running) {
            unlock();
            pa_threaded_mainloop_stop(loop);
        }
        pa_threaded_mainloop_free(loop);
        loop = nullptr;
        running = false;
    }
};

namespace {

AudioSourceInfo describe(const pa_source_info &i) {
    AudioSourceInfo s;
    s.index = i.index;
    s.name = QString::fromUtf8(i.name ? i.name : "");
    s.description = QString::fromUtf8(i.description ? i.description : "");
    if (s.description.isEmpty()) s.description = s.name;
    s.monitor = i.monitor_of_sink != PA_INVALID_INDEX;
    for (uint32_t k = 0; k < i.n_ports; ++k) {
        const pa_source_port_info *p = i.ports[k];
        if (!p) continue;
        s.portNames << QString::fromUtf8(p->name ? p->name : "");
        s.portDescriptions << QString::fromUtf8(p->description && *p->description ? p->description
                                                                                  : p->name);
    }
    if (i.active_port && i.active_port->name) s.activePort = QString::fromUtf8(i.active_port->name);
    for (uint8_t c = 0; c < i.volume.channels; ++c)
        s.channelVolumes << i.volume.values[c];
    return s;
}

struct SourceListing {
    const PulseAudioInput::Connection *conn;
    QList<AudioSourceInfo> found;
    bool finished = false;
};

void onSourceInfo(pa_context *, const pa_source_info *info, int eol, void *data) {
    auto *l = static_cast<SourceListing *>(data);
    if (eol != 0 || !info) {
        l->finished = true;
        l->conn->signal();
        return;
    }
    l->found << describe(*info);
}

struct Success {
    const PulseAudioInput::Connection *conn;
    bool finished = false;
    bool ok = false;
};

void onSuccess(pa_context *, int success, void *data) {
    auto *s = static_cast<Success *>(data);
    s->ok = success != 0;
    s->finished = true;
    s->conn->signal();
}

pa_sample_format_t sampleFormat(int bits) {
    return bits == 8 ? PA_SAMPLE_U8 : PA_SAMPLE_S16LE;
}

// One record stream on the shared connection.
class PulseCapture : public AudioCapture {
public:
    explicit PulseCapture(std::shared_ptr<PulseAudioInput::Connection> conn)
        : m_conn(std::move(conn)) {}
    ~PulseCapture() override { stop(); }

    bool start(const QString &source, const AudioFormat &format, DataSink data,
               EndSink ended) override {
        stop();
        if (!m_conn || !m_conn->loop) return false;
        m_conn->lock();
        if (!m_conn->good()) {
            m_conn->unlock();
            return false;
        }
        const pa_sample_spec spec{sampleFormat(format.bits), uint32_t(format.rate),
                                  uint8_t(format.channels)};
        m_stream = pa_stream_new(m_conn->context, "Lyravox recording", &spec, nullptr);
        if (!m_stream) {
            m_conn->unlock();
            return false;
        }
        m_data = std::move(data);
        m_ended = std::move(ended);
        m_endReported = false;
        m_haveTiming = false;
        pa_stream_set_state_callback(m_stream, &PulseCapture::onState, this);
        pa_stream_set_read_callback(m_stream, &PulseCapture::onRead, this);
        pa_stream_set_latency_update_callback(m_stream, &PulseCapture::onTiming, this);
        // About 50 ms per block: few wake-ups, and the level meter still moves smoothly.
        pa_buffer_attr attr;
        attr.maxlength = uint32_t(-1);
        attr.tlength = attr.prebuf = attr.minreq = uint32_t(-1);
        attr.fragsize = uint32_t(format.bytesPerSecond() / 20);
        const QByteArray name = source.toUtf8();
        bool ok = pa_stream_connect_record(m_stream, name.isEmpty() ? nullptr : name.constData(),
                                           &attr, PA_STREAM_ADJUST_LATENCY) == 0;
        if (ok) {
            ok = m_conn->waitUntil([this] {
                const pa_stream_state_t st = pa_stream_get_state(m_stream);
                return st == PA_STREAM_READY || !PA_STREAM_IS_GOOD(st);
            });
            ok = ok && pa_stream_get_state(m_stream) == PA_STREAM_READY;
        }
        if (ok) m_running = true;
        m_conn->unlock();
        if (!ok) stop();
        return ok;
    }

    void stop() override {
        if (!m_stream) return;
        m_conn->lock();
        pa_stream_set_state_callback(m_stream, nullptr, nullptr);
        pa_stream_set_read_callback(m_stream, nullptr, nullptr);
        pa_stream_set_latency_update_callback(m_stream, nullptr, nullptr);
        if (PA_STREAM_IS_GOOD(pa_stream_get_state(m_stream))) pa_stream_disconnect(m_stream);
        pa_stream_unref(m_stream);
        m_stream = nullptr;
        m_running = false;
        m_conn->unlock();
        m_data = nullptr;
        m_ended = nullptr;
    }

    bool running() const override { return m_running; }

    // The last report; asks for the next one.
    bool timing(CaptureTiming &out) const override {
        if (!m_stream) return false;
        m_conn->lock();
        const bool ok = m_running && m_haveTiming;
        if (ok) out = m_timing;
        if (m_running && pa_stream_get_state(m_stream) == PA_STREAM_READY)
            if (pa_operation *op = pa_stream_update_timing_info(m_stream, nullptr, nullptr))
                pa_operation_unref(op);
        m_conn->unlock();
        return ok;
    }

private:
    static void onRead(pa_stream *s, size_t, void *self) {
        auto *c = static_cast<PulseCapture *>(self);
        const void *data = nullptr;
        size_t bytes = 0;
        while (pa_stream_readable_size(s) > 0) {
            if (pa_stream_peek(s, &data, &bytes) < 0 || bytes == 0) break;
            if (data && c->m_data) c->m_data(static_cast<const char *>(data), bytes);
            pa_stream_drop(s);
        }
    }

    static void onTiming(pa_stream *s, void *self) {
        auto *c = static_cast<PulseCapture *>(self);
        if (PulseTiming::read(s, 0, c->m_timing)) c->m_haveTiming = true;
    }

    static void onState(pa_stream *s, void *self) {
        auto *c = static_cast<PulseCapture *>(self);
        const pa_stream_state_t st = pa_stream_get_state(s);
        c->m_conn->signal();
        if (c->m_running && !PA_STREAM_IS_GOOD(st) && !c->m_endReported) {
            c->m_endReported = true;
            c->m_running = false;
            if (c->m_ended) c->m_ended();
        }
    }

    std::shared_ptr<PulseAudioInput::Connection> m_conn;
    pa_stream *m_stream = nullptr;
    DataSink m_data;
    EndSink m_ended;
    std::atomic<bool> m_running{false};
    bool m_endReported = false;
    // The server's last timing report (loop thread, read under the loop's lock).
    CaptureTiming m_timing;
    bool m_haveTiming = false;
};

} // namespace

PulseAudioInput::PulseAudioInput(int timeoutMs) : m_timeoutMs(timeoutMs) {
    reconnect();
}

PulseAudioInput::~PulseAudioInput() {
    disconnect();
}

void PulseAudioInput::disconnect() {
    m_conn.reset();
}

bool PulseAudioInput::reconnect() {
    disconnect();
    m_conn = std::make_shared<Connection>();
    m_reason = m_conn->open(m_timeoutMs);
    if (!m_reason.isEmpty()) m_conn.reset();
    return m_reason.isEmpty();
}

bool PulseAudioInput::available() const {
    if (!m_conn) return false;
    m_conn->lock();
    const bool good = m_conn->good();
    m_conn->unlock();
    return good;
}

QString PulseAudioInput::unavailableReason() const {
    if (available()) return QString();
    return m_reason.isEmpty() ? QStringLiteral("与声音服务器（PulseAudio）的连接已断开") : m_reason;
}

QList<AudioSourceInfo> PulseAudioInput::sources() {
    if (!m_conn) return {};
    m_conn->lock();
    SourceListing listing{m_conn.get(), {}};
    bool ok =
        m_conn->good() &&
        m_conn->finish(pa_context_get_source_info_list(m_conn->context, onSourceInfo, &listing),
                       listing.finished);
    m_conn->unlock();
    if (!ok) return {};
    std::sort(listing.found.begin(), listing.found.end(),
              [](const AudioSourceInfo &a, const AudioSourceInfo &b) { return a.index < b.index; });
    return listing.found;
}

bool PulseAudioInput::source(uint32_t index, AudioSourceInfo &out) {
    if (!m_conn) return false;
    m_conn->lock();
    SourceListing listing{m_conn.get(), {}};
    const bool ok = m_conn->good() &&
                    m_conn->finish(pa_context_get_source_info_by_index(m_conn->context, index,
                                                                       onSourceInfo, &listing),
                                   listing.finished) &&
                    !listing.found.isEmpty();
    m_conn->unlock();
    if (ok) out = listing.found.front();
    return ok;
}

QString PulseAudioInput::defaultSourceName() {
    if (!m_conn) return {};
    struct Server {
        const Connection *conn;
        QString name;
        bool finished = false;
    } server{m_conn.get(), {}};
    auto onInfo = [](pa_context *, const pa_server_info *info, void *data) {
        auto *s = static_cast<Server *>(data);
        if (info && info->default_source_name)
            s->name = QString::fromUtf8(info->default_source_name);
        s->finished = true;
        s->conn->signal();
    };
    m_conn->lock();
    const bool ok = m_conn->good() &&
                    m_conn->finish(pa_context_get_server_info(m_conn->context, onInfo, &server),
                                   server.finished);
    m_conn->unlock();
    return ok ? server.name : QString();
}

bool PulseAudioInput::setActivePort(uint32_t sourceIndex, const QString &port) {
    if (!m_conn) return false;
    const QByteArray name = port.toUtf8();
    m_conn->lock();
    Success s{m_conn.get()};
    const bool ok =
        m_conn->good() &&
        m_conn->finish(pa_context_set_source_port_by_index(m_conn->context, sourceIndex,
                                                           name.constData(), onSuccess, &s),
                       s.finished) &&
        s.ok;
    m_conn->unlock();
    return ok;
}

bool PulseAudioInput::setVolume(uint32_t sourceIndex, int channels, uint32_t volume) {
    if (!m_conn || channels < 1 || channels > int(PA_CHANNELS_MAX)) return false;
    pa_cvolume cv;
    pa_cvolume_set(&cv, unsigned(channels), std::min<pa_volume_t>(volume, PA_VOLUME_MAX));
    m_conn->lock();
    Success s{m_conn.get()};
    const bool ok = m_conn->good() &&
                    m_conn->finish(pa_context_set_source_volume_by_index(
                                       m_conn->context, sourceIndex, &cv, onSuccess, &s),
                                   s.finished) &&
                    s.ok;
    m_conn->unlock();
    return ok;
}

std::unique_ptr<AudioCapture> PulseAudioInput::createCapture() {
    if (!m_conn) return nullptr;
    return std::make_unique<PulseCapture>(m_conn);
}
