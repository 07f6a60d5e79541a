#include "platform/pulse_audio_input.h"

#include "platform/pulse_timing.h"

#include "platform/pulse_context.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <atomic>
#include <mutex>

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

const QString &noServer() {
    static const QString t = QStringLiteral("没有可用的声音服务器（PulseAudio）");
    return t;
}

} // namespace

// The loop, the context and the source cache. Members without a note are used on the loop's
// thread or with the loop locked; the cache is guarded by `mutex`.
struct PulseAudioInput::Connection {
    pa_threaded_mainloop *loop = nullptr;
    pa_context *context = nullptr;
    pa_time_event *retry = nullptr;
    int retryMs = 1000;
    bool started = false;
    bool everFailed = false;
    bool listing = false;   // a listing is on its way
    bool listAgain = false; // a change came while it was
    QList<AudioSourceInfo> pending;
    QString pendingDefault;

    std::atomic<bool> ready{false};
    mutable std::mutex mutex;
    QList<AudioSourceInfo> sources;
    QString defaultSource;
    QString reason = noServer();
    bool listed = false; // a listing arrived since the last connect
    std::function<void()> changed;

    ~Connection() { close(); }

    void lock() const { pa_threaded_mainloop_lock(loop); }
    void unlock() const { pa_threaded_mainloop_unlock(loop); }
    void signal() const { pa_threaded_mainloop_signal(loop, 0); }
    pa_mainloop_api *api() const { return pa_threaded_mainloop_get_api(loop); }

    void notify() {
        std::lock_guard<std::mutex> guard(mutex);
        if (changed) changed();
    }

    // Not locked: starts the loop and the first connection.
    bool open() {
        loop = pa_threaded_mainloop_new();
        if (!loop || pa_threaded_mainloop_start(loop) < 0) return false;
        started = true;
        lock();
        connectContext();
        unlock();
        return true;
    }

    // Not locked: waits until the first listing arrived or the first connection failed.
    void waitForFirstListing(int ms) {
        if (!started || ms <= 0) return;
        struct Deadline {
            Connection *self;
            bool passed = false;
        } deadline{this};
        auto onDeadline = [](pa_mainloop_api *a, pa_time_event *e, const struct timeval *,
                             void *data) {
            a->time_free(e);
            auto *d = static_cast<Deadline *>(data);
            d->passed = true;
            d->self->signal();
        };
        lock();
        struct timeval when;
        pa_timeval_add(pa_gettimeofday(&when), pa_usec_t(ms) * 1000);
        pa_time_event *event = api()->time_new(api(), &when, onDeadline, &deadline);
        auto done = [this] {
            std::lock_guard<std::mutex> guard(mutex);
            return listed || everFailed;
        };
        while (!done() && !deadline.passed)
            pa_threaded_mainloop_wait(loop);
        if (!deadline.passed && event) api()->time_free(event);
        unlock();
    }

    void connectContext() {
        context = pa_context_new(api(), "Lyravox");
        if (!context) {
            scheduleRetry();
            return;
        }
        pa_context_set_state_callback(context, &Connection::onState, this);
        pa_context_set_subscribe_callback(context, &Connection::onEvent, this);
        if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) lost();
    }

    void scheduleRetry() {
        if (retry) return;
        struct timeval when;
        pa_timeval_add(pa_gettimeofday(&when), pa_usec_t(retryMs) * 1000);
        retry = api()->time_new(
            api(), &when,
            [](pa_mainloop_api *a, pa_time_event *e, const struct timeval *, void *self) {
                auto *c = static_cast<Connection *>(self);
                a->time_free(e);
                c->retry = nullptr;
                if (!c->context) c->connectContext();
            },
            this);
    }

    // The context failed or the server went away: forget it, and try again later.
    void lost() {
        const bool wasReady = ready.exchange(false);
        PulseContext::drop(context);
        listing = listAgain = false;
        {
            std::lock_guard<std::mutex> guard(mutex);
            everFailed = true;
            sources.clear();
            defaultSource.clear();
            listed = false;
            if (wasReady) reason = QStringLiteral("与声音服务器（PulseAudio）的连接已断开");
        }
        signal();
        notify();
        scheduleRetry();
    }

    static void onState(pa_context *ctx, void *self) {
        auto *c = static_cast<Connection *>(self);
        switch (pa_context_get_state(ctx)) {
        case PA_CONTEXT_READY:
            c->ready = true;
            pa_operation_unref_if(pa_context_subscribe(
                ctx,
                pa_subscription_mask_t(PA_SUBSCRIPTION_MASK_SOURCE | PA_SUBSCRIPTION_MASK_SERVER),
                nullptr, nullptr));
            c->refresh();
            c->signal();
            break;
        case PA_CONTEXT_FAILED:
        case PA_CONTEXT_TERMINATED:
            c->lost();
            break;
        default:
            break;
        }
    }

    static void pa_operation_unref_if(pa_operation *op) {
        if (op) pa_operation_unref(op);
    }

    static void onEvent(pa_context *, pa_subscription_event_type_t type, uint32_t, void *self) {
        const auto facility = type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
        if (facility == PA_SUBSCRIPTION_EVENT_SOURCE || facility == PA_SUBSCRIPTION_EVENT_SERVER)
            static_cast<Connection *>(self)->refresh();
    }

    // Asks for the default source and the source list; the answers replace the cache.
    void refresh() {
        if (!context || !ready) return;
        if (listing) {
            listAgain = true;
            return;
        }
        listing = true;
        pending.clear();
        pendingDefault.clear();
        pa_operation_unref_if(pa_context_get_server_info(
            context,
            [](pa_context *, const pa_server_info *info, void *self) {
                auto *c = static_cast<Connection *>(self);
                if (info && info->default_source_name)
                    c->pendingDefault = QString::fromUtf8(info->default_source_name);
            },
            this));
        pa_operation *op = pa_context_get_source_info_list(context, &Connection::onSource, this);
        if (!op) {
            listing = false;
            return;
        }
        pa_operation_unref(op);
    }

    static void onSource(pa_context *, const pa_source_info *info, int eol, void *self) {
        auto *c = static_cast<Connection *>(self);
        if (eol == 0 && info) {
            c->pending << describe(*info);
            return;
        }
        c->listing = false;
        if (eol > 0) c->publish();
        if (c->listAgain) {
            c->listAgain = false;
            c->refresh();
        }
    }

    void publish() {
        std::sort(
            pending.begin(), pending.end(),
            [](const AudioSourceInfo &a, const AudioSourceInfo &b) { return a.index < b.index; });
        {
            std::lock_guard<std::mutex> guard(mutex);
            sources = pending;
            defaultSource = pendingDefault;
            listed = true;
        }
        signal();
        notify();
    }

    // Updates one cached source at once, before the server's own report arrives.
    template <typename Change> void changeCached(uint32_t index, Change change) {
        std::lock_guard<std::mutex> guard(mutex);
        for (AudioSourceInfo &s : sources)
            if (s.index == index) change(s);
    }

    // Not locked; never from the loop's thread.
    void close() {
        if (!loop) return;
        if (started) lock();
        if (retry) {
            api()->time_free(retry);
            retry = nullptr;
        }
        PulseContext::drop(context);
        ready = false;
        if (started) {
            unlock();
            pa_threaded_mainloop_stop(loop);
        }
        pa_threaded_mainloop_free(loop);
        loop = nullptr;
        started = false;
    }
};

namespace {

pa_sample_format_t sampleFormat(int bits) {
    return bits == 8 ? PA_SAMPLE_U8 : PA_SAMPLE_S16LE;
}

bool refusal(int error) {
    return error == PA_ERR_NOTSUPPORTED || error == PA_ERR_INVALID;
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
        m_formatRefused = false;
        const pa_sample_spec spec{sampleFormat(format.bits), uint32_t(format.rate),
                                  uint8_t(format.channels)};
        if (!pa_sample_spec_valid(&spec) || (format.bits != 8 && format.bits != 16)) {
            m_formatRefused = true;
            return false;
        }
        m_conn->lock();
        if (!m_conn->context || !m_conn->ready) {
            m_conn->unlock();
            return false;
        }
        m_stream = pa_stream_new(m_conn->context, "Lyravox recording", &spec, nullptr);
        if (!m_stream) {
            m_formatRefused = refusal(pa_context_errno(m_conn->context));
            m_conn->unlock();
            return false;
        }
        m_data = std::move(data);
        m_ended = std::move(ended);
        m_endReported = false;
        m_bits = format.bits;
        m_bytesPerSecond = format.bytesPerSecond();
        m_channels = format.channels;
        m_delivered = 0;
        m_readyAt = 0;
        m_leadFrames = 0;
        m_haveTiming = false;
        m_startedAt = pa_rtclock_now();
        pa_stream_set_state_callback(m_stream, &PulseCapture::onState, this);
        pa_stream_set_read_callback(m_stream, &PulseCapture::onRead, this);
        pa_stream_set_latency_update_callback(m_stream, &PulseCapture::onTiming, this);
        // Blocks of 10 ms: what a stop cannot drain any more stays below that, and the level
        // meter moves smoothly.
        const uint32_t align = uint32_t(format.blockAlign());
        pa_buffer_attr attr;
        attr.maxlength = uint32_t(-1);
        attr.tlength = attr.prebuf = attr.minreq = uint32_t(-1);
        attr.fragsize = std::max(align, uint32_t(format.bytesPerSecond() / 100) / align * align);
        m_fragment = attr.fragsize;
        const QByteArray name = source.toUtf8();
        const bool ok =
            pa_stream_connect_record(m_stream, name.isEmpty() ? nullptr : name.constData(), &attr,
                                     PA_STREAM_ADJUST_LATENCY) == 0;
        if (ok) {
            m_running = true;
        } else {
            m_formatRefused = refusal(pa_context_errno(m_conn->context));
            release();
        }
        m_conn->unlock();
        if (!ok) clearSinks();
        return ok;
    }

    void stop() override {
        if (!m_stream) return;
        m_conn->lock();
        // What already reached this side is part of the capture.
        if (pa_stream_get_state(m_stream) == PA_STREAM_READY) readAll(m_stream);
        release();
        m_conn->unlock();
        clearSinks();
    }

    void finish() override {
        if (!m_stream) return;
        m_conn->lock();
        if (m_conn->context && pa_stream_get_state(m_stream) == PA_STREAM_READY && m_readyAt > 0) {
            // The bytes of the time since the start, less one block in flight.
            const pa_usec_t now = pa_rtclock_now();
            const double expected =
                double(now - m_startedAt) / 1e6 * double(m_bytesPerSecond) - double(m_fragment);
            struct Deadline {
                const PulseAudioInput::Connection *conn;
                bool passed = false;
            } deadline{m_conn.get()};
            pa_time_event *event = pa_context_rttime_new(
                m_conn->context, now + 60 * PA_USEC_PER_MSEC,
                [](pa_mainloop_api *, pa_time_event *, const struct timeval *, void *data) {
                    auto *d = static_cast<Deadline *>(data);
                    d->passed = true;
                    d->conn->signal();
                },
                &deadline);
            readAll(m_stream);
            while (double(m_delivered) < expected && !deadline.passed &&
                   pa_stream_get_state(m_stream) == PA_STREAM_READY) {
                pa_threaded_mainloop_wait(m_conn->loop);
                readAll(m_stream);
            }
            if (event) m_conn->api()->time_free(event);
        }
        m_conn->unlock();
        stop();
    }

    bool running() const override { return m_running; }
    bool formatRefused() const override { return m_formatRefused; }

private:
    // Locked.
    void release() {
        pa_stream_set_state_callback(m_stream, nullptr, nullptr);
        pa_stream_set_read_callback(m_stream, nullptr, nullptr);
        pa_stream_set_latency_update_callback(m_stream, nullptr, nullptr);
        if (PA_STREAM_IS_GOOD(pa_stream_get_state(m_stream))) pa_stream_disconnect(m_stream);
        pa_stream_unref(m_stream);
        m_stream = nullptr;
        m_running = false;
    }

    void clearSinks() {
        m_data = nullptr;
        m_ended = nullptr;
    }

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

    // Hands every readable block to the data sink; a hole becomes silence of its length.
    void readAll(pa_stream *s) {
        const void *data = nullptr;
        size_t bytes = 0;
        while (pa_stream_readable_size(s) > 0) {
            if (pa_stream_peek(s, &data, &bytes) < 0 || bytes == 0) break;
            deliver(m_data, data, bytes, m_bits);
            m_delivered += bytes;
            pa_stream_drop(s);
        }
    }

    static void onRead(pa_stream *s, size_t, void *self) {
        auto *c = static_cast<PulseCapture *>(self);
        c->readAll(s);
        c->m_conn->signal(); // a finishing capture waits for blocks
    }

    static void onTiming(pa_stream *s, void *self) {
        auto *c = static_cast<PulseCapture *>(self);
        // The silence handed over while the stream came up comes before the stream's frame 0.
        if (PulseTiming::read(s, c->m_leadFrames, c->m_timing)) c->m_haveTiming = true;
    }

    static void onState(pa_stream *s, void *self) {
        auto *c = static_cast<PulseCapture *>(self);
        const pa_stream_state_t st = pa_stream_get_state(s);
        if (st == PA_STREAM_READY && c->m_running && c->m_readyAt == 0) {
            // The time the stream took to come up is part of the capture, as silence.
            c->m_readyAt = pa_rtclock_now();
            const size_t align = size_t(std::max(1, c->m_bits / 8 * c->m_channels));
            const size_t lead =
                size_t(double(c->m_readyAt - c->m_startedAt) / 1e6 * double(c->m_bytesPerSecond)) /
                align * align;
            deliver(c->m_data, nullptr, lead, c->m_bits);
            c->m_delivered += lead;
            c->m_leadFrames = lead / align;
        }
        c->m_conn->signal();
        if (c->m_running && !PA_STREAM_IS_GOOD(st) && !c->m_endReported) {
            c->m_formatRefused = refusal(pa_context_errno(pa_stream_get_context(s)));
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
    std::atomic<bool> m_formatRefused{false};
    bool m_endReported = false;
    int m_bits = 16;
    int m_bytesPerSecond = 0;
    uint32_t m_fragment = 0;
    size_t m_delivered = 0; // loop locked
    int m_channels = 2;
    pa_usec_t m_startedAt = 0; // when start() ran
    pa_usec_t m_readyAt = 0;   // loop locked; when the stream came up
    uint64_t m_leadFrames = 0; // loop locked; frames of silence before the stream's own
    // The server's last timing report (loop thread, read under the loop's lock).
    CaptureTiming m_timing;
    bool m_haveTiming = false;
};

} // namespace

PulseAudioInput::PulseAudioInput(int firstListingMs, int retryMs)
    : m_conn(std::make_shared<Connection>()) {
    m_conn->retryMs = std::max(10, retryMs);
    if (m_conn->open())
        m_conn->waitForFirstListing(firstListingMs);
    else
        m_conn->reason = QStringLiteral("声音服务器的连接无法建立");
}

PulseAudioInput::~PulseAudioInput() {
    setChangeListener(nullptr);
    m_conn->close();
}

bool PulseAudioInput::available() const {
    return m_conn->ready.load();
}

QString PulseAudioInput::unavailableReason() const {
    if (available()) return QString();
    std::lock_guard<std::mutex> guard(m_conn->mutex);
    return m_conn->reason;
}

QList<AudioSourceInfo> PulseAudioInput::sources() {
    std::lock_guard<std::mutex> guard(m_conn->mutex);
    return m_conn->sources;
}

bool PulseAudioInput::source(uint32_t index, AudioSourceInfo &out) {
    std::lock_guard<std::mutex> guard(m_conn->mutex);
    for (const AudioSourceInfo &s : m_conn->sources)
        if (s.index == index) {
            out = s;
            return true;
        }
    return false;
}

QString PulseAudioInput::defaultSourceName() {
    std::lock_guard<std::mutex> guard(m_conn->mutex);
    return m_conn->defaultSource;
}

bool PulseAudioInput::setActivePort(uint32_t sourceIndex, const QString &port) {
    AudioSourceInfo info;
    if (!source(sourceIndex, info) || !info.portNames.contains(port) || !m_conn->loop) return false;
    const QByteArray name = port.toUtf8();
    m_conn->lock();
    pa_operation *op = m_conn->context && m_conn->ready
                           ? pa_context_set_source_port_by_index(m_conn->context, sourceIndex,
                                                                 name.constData(), nullptr, nullptr)
                           : nullptr;
    if (op) pa_operation_unref(op);
    m_conn->unlock();
    if (op) m_conn->changeCached(sourceIndex, [&](AudioSourceInfo &s) { s.activePort = port; });
    return op != nullptr;
}

bool PulseAudioInput::setVolume(uint32_t sourceIndex, int channels, uint32_t volume) {
    if (channels < 1 || channels > int(PA_CHANNELS_MAX) || !m_conn->loop) return false;
    const pa_volume_t v = std::min<pa_volume_t>(volume, PA_VOLUME_MAX);
    pa_cvolume cv;
    pa_cvolume_set(&cv, unsigned(channels), v);
    m_conn->lock();
    pa_operation *op = m_conn->context && m_conn->ready
                           ? pa_context_set_source_volume_by_index(m_conn->context, sourceIndex,
                                                                   &cv, nullptr, nullptr)
                           : nullptr;
    if (op) pa_operation_unref(op);
    m_conn->unlock();
    if (op)
        m_conn->changeCached(sourceIndex, [&](AudioSourceInfo &s) {
            s.channelVolumes = QList<uint32_t>(channels, v);
        });
    return op != nullptr;
}

std::unique_ptr<AudioCapture> PulseAudioInput::createCapture() {
    if (!available()) return nullptr;
    return std::make_unique<PulseCapture>(m_conn);
}

void PulseAudioInput::setChangeListener(std::function<void()> listener) {
    std::lock_guard<std::mutex> guard(m_conn->mutex);
    m_conn->changed = std::move(listener);
}
