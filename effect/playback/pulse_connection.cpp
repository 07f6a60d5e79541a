#include "pulse_connection.h"

#include <algorithm>
#include <utility>

namespace lvx::fx {

int PulseConnection::open(int timeoutMs) {
    const int error = connectLocked(timeoutMs);
    if (error != 0 && m_running) unlock();
    return error;
}

int PulseConnection::connectLocked(int timeoutMs) {
    m_loop = pa_threaded_mainloop_new();
    if (!m_loop) return PA_ERR_INTERNAL;
    if (pa_threaded_mainloop_start(m_loop) < 0) return PA_ERR_INTERNAL;
    m_running = true;
    lock();
    m_context = pa_context_new(pa_threaded_mainloop_get_api(m_loop), "Lyravox effect control");
    if (!m_context) return PA_ERR_INTERNAL;
    pa_context_set_state_callback(m_context, &PulseConnection::onContextState, this);
    m_deadline = pa_context_rttime_new(m_context, pa_rtclock_now() + pa_usec_t(timeoutMs) * 1000,
                                       &PulseConnection::onDeadline, this);
    if (pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        return pa_context_errno(m_context);
    for (;;) {
        const pa_context_state_t state = pa_context_get_state(m_context);
        if (state == PA_CONTEXT_READY) return 0;
        if (!PA_CONTEXT_IS_GOOD(state)) {
            const int error = pa_context_errno(m_context);
            return error ? error : PA_ERR_CONNECTIONREFUSED;
        }
        if (!wait()) return PA_ERR_TIMEOUT;
    }
}

std::vector<std::string> PulseConnection::sinkNames() {
    struct Listing {
        PulseConnection *self;
        std::vector<std::pair<uint32_t, std::string>> sinks;
        bool done = false;
    } listing{this, {}};
    auto onSink = [](pa_context *, const pa_sink_info *info, int eol, void *data) {
        auto *l = static_cast<Listing *>(data);
        if (eol != 0 || !info) {
            l->done = true;
            l->self->signal();
            return;
        }
        l->sinks.emplace_back(info->index, info->name ? info->name : "");
    };
    pa_operation *op = pa_context_get_sink_info_list(m_context, onSink, &listing);
    if (!op) return {};
    while (!listing.done && wait()) {
    }
    if (!listing.done) pa_operation_cancel(op);
    pa_operation_unref(op);
    if (!listing.done) return {};
    std::sort(listing.sinks.begin(), listing.sinks.end());
    std::vector<std::string> names;
    for (auto &sink : listing.sinks)
        names.push_back(std::move(sink.second));
    return names;
}

bool PulseConnection::wait() {
    if (m_timedOut) return false;
    pa_threaded_mainloop_wait(m_loop);
    return !m_timedOut;
}

void PulseConnection::disarmDeadline() {
    if (m_deadline) pa_threaded_mainloop_get_api(m_loop)->time_free(m_deadline);
    m_deadline = nullptr;
}

void PulseConnection::close() {
    if (!m_loop) return;
    if (m_running) lock();
    disarmDeadline();
    if (m_context) {
        pa_context_set_state_callback(m_context, nullptr, nullptr);
        pa_context_disconnect(m_context);
        pa_context_unref(m_context);
        m_context = nullptr;
    }
    if (m_running) {
        unlock();
        pa_threaded_mainloop_stop(m_loop);
    }
    pa_threaded_mainloop_free(m_loop);
    m_loop = nullptr;
    m_running = false;
}

void PulseConnection::onContextState(pa_context *, void *self) {
    static_cast<PulseConnection *>(self)->signal();
}

void PulseConnection::onDeadline(pa_mainloop_api *, pa_time_event *, const struct timeval *,
                                 void *self) {
    auto *c = static_cast<PulseConnection *>(self);
    c->m_timedOut = true;
    c->signal();
}

} // namespace lvx::fx
