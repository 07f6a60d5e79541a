#include "pulse_playback.h"

#include "lyravox/effect.h"
#include "pulse_connection.h"
#include "sound_store.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <vector>

namespace lvx::fx {
namespace {

constexpr int kBuffers = 25;
constexpr int kServerTimeoutMs = 5000;
// WAVE_FORMAT_1M08 ... 96S16: the server resamples and converts, so every listed format plays.
constexpr int32_t kAllFormats = 0xFFFFF;

int deviceCode(int paError) {
    switch (paError) {
    case PA_ERR_BUSY:
    case PA_ERR_ACCESS:
        return LVX_E_DEV_ALLOCATED;
    case PA_ERR_TOOLARGE:
        return LVX_E_DEV_NO_MEMORY;
    case PA_ERR_NOTSUPPORTED:
    case PA_ERR_INVALID:
        return LVX_E_DEV_BAD_FORMAT;
    default: // refused, unreachable, timed out, no such sink
        return LVX_E_DEV_NO_DRIVER;
    }
}

pa_volume_t paVolume(uint32_t word) {
    return pa_volume_t(uint64_t(word) * PA_VOLUME_NORM / 65535);
}

} // namespace

struct PulsePlayback::Session {
    Session(SoundStore &s, uint64_t id) : store(s), actionId(id) {}
    ~Session() { close(); }

    int open(const std::string &sink, const pa_sample_spec &spec, const pa_cvolume *volume);
    void refill();
    void fillBuffer(uint8_t *out);
    // Ends the playback from the loop's thread or the caller's: busy released, EndOfAction(9).
    void finish();
    void close();

    static void onStreamState(pa_stream *, void *self);
    static void onWrite(pa_stream *, size_t, void *self);
    static void onDrained(pa_stream *, int, void *self);

    SoundStore &store;
    uint64_t actionId;
    PulseConnection connection;
    pa_stream *stream = nullptr;

    // Guarded by the loop's lock.
    bool playing = false;
    bool refilling = false;
    bool draining = false;
    bool corked = true;
    int32_t position = 0;
    int32_t end = 0;
    int bytesPerSample = 1;
    int channels = 1;
    int frames = 1024;
    size_t bufferBytes = 0;
    size_t serverTarget = 0;
    std::vector<std::vector<uint8_t>> buffers;
    std::array<bool, kBuffers> inUse{};
    int fillIndex = 0;
    int doneIndex = 0;
    int inUseCount = 0;
};

int PulsePlayback::Session::open(const std::string &sink, const pa_sample_spec &spec,
                                 const pa_cvolume *volume) {
    stream = pa_stream_new(connection.context(), "Lyravox effect playback", &spec, nullptr);
    if (!stream) return pa_context_errno(connection.context());
    pa_stream_set_state_callback(stream, &Session::onStreamState, this);
    pa_stream_set_write_callback(stream, &Session::onWrite, this);
    pa_buffer_attr attr;
    attr.maxlength = uint32_t(-1);
    attr.tlength = static_cast<uint32_t>(bufferBytes * kBuffers);
    attr.prebuf = static_cast<uint32_t>(bufferBytes);
    attr.minreq = static_cast<uint32_t>(bufferBytes);
    attr.fragsize = uint32_t(-1);
    // Opened paused, like the device: the first refill queues the ring and then starts it.
    if (pa_stream_connect_playback(stream, sink.c_str(), &attr, PA_STREAM_START_CORKED, volume,
                                   nullptr) < 0)
        return pa_context_errno(connection.context());
    for (;;) {
        const pa_stream_state_t state = pa_stream_get_state(stream);
        if (state == PA_STREAM_READY) break;
        if (!PA_STREAM_IS_GOOD(state)) {
            const int error = pa_context_errno(connection.context());
            return error ? error : PA_ERR_NOENTITY;
        }
        if (!connection.wait()) return PA_ERR_TIMEOUT;
    }
    const pa_buffer_attr *granted = pa_stream_get_buffer_attr(stream);
    serverTarget = granted ? granted->tlength : attr.tlength;
    return 0;
}

void PulsePlayback::Session::fillBuffer(uint8_t *out) {
    std::lock_guard<std::mutex> lock(store.soundMutex);
    const std::vector<uint8_t> &samples = store.sound.samples;
    // A load may have replaced the sound meanwhile: never read past the current buffer.
    end = std::min<int64_t>(end, static_cast<int64_t>(samples.size()));
    const int count = frames * channels;
    for (int k = 0; k < count; ++k, out += bytesPerSample) {
        if (position + bytesPerSample <= end) {
            std::memcpy(out, &samples[position], bytesPerSample);
            position += bytesPerSample;
        } else if (position >= bytesPerSample && position <= end) {
            // Past the range: repeat its last sample.
            std::memcpy(out, &samples[position - bytesPerSample], bytesPerSample);
        } else {
            std::memset(out, bytesPerSample == 1 ? 0x80 : 0, bytesPerSample);
        }
    }
}

void PulsePlayback::Session::refill() {
    if (!playing || refilling) return;
    refilling = true;

    // Reclaim the buffers the server has played: what it asks for is what it no longer holds.
    size_t writable = pa_stream_writable_size(stream);
    if (writable == size_t(-1)) writable = 0;
    const size_t queued = serverTarget > writable ? serverTarget - writable : 0;
    const int inFlight = static_cast<int>((queued + bufferBytes - 1) / bufferBytes);
    while (inUseCount > inFlight) {
        inUse[doneIndex] = false;
        doneIndex = (doneIndex + 1) % kBuffers;
        --inUseCount;
    }

    while (!inUse[fillIndex] && position + bytesPerSample <= end) {
        std::vector<uint8_t> &buffer = buffers[fillIndex];
        fillBuffer(buffer.data());
        if (pa_stream_write(stream, buffer.data(), buffer.size(), nullptr, 0, PA_SEEK_RELATIVE) < 0)
            break;
        inUse[fillIndex] = true;
        ++inUseCount;
        fillIndex = (fillIndex + 1) % kBuffers;
    }

    if (position + bytesPerSample > end && !draining) {
        // Everything is queued: the end of playback is when the server has played it all.
        draining = true;
        if (pa_operation *op = pa_stream_trigger(stream, nullptr, nullptr)) pa_operation_unref(op);
        if (pa_operation *op = pa_stream_drain(stream, &Session::onDrained, this))
            pa_operation_unref(op);
        else
            finish();
    }
    if (playing && corked) {
        corked = false;
        if (pa_operation *op = pa_stream_cork(stream, 0, nullptr, nullptr)) pa_operation_unref(op);
    }
    refilling = false;
}

void PulsePlayback::Session::finish() {
    if (!playing) return;
    playing = false;
    store.endAction(actionId);
    store.post(LVX_EVENT_END_OF_ACTION, LVX_END_PLAYBACK);
}

void PulsePlayback::Session::close() {
    connection.lock();
    if (stream) {
        pa_stream_set_state_callback(stream, nullptr, nullptr);
        pa_stream_set_write_callback(stream, nullptr, nullptr);
        pa_stream_disconnect(stream);
        pa_stream_unref(stream);
        stream = nullptr;
    }
    connection.unlock();
    connection.close();
}

void PulsePlayback::Session::onStreamState(pa_stream *s, void *self) {
    auto *session = static_cast<Session *>(self);
    session->connection.signal();
    // The server went away while playing: the playback has ended all the same.
    if (!PA_STREAM_IS_GOOD(pa_stream_get_state(s))) session->finish();
}

void PulsePlayback::Session::onWrite(pa_stream *, size_t, void *self) {
    static_cast<Session *>(self)->refill();
}

void PulsePlayback::Session::onDrained(pa_stream *, int, void *self) {
    auto *session = static_cast<Session *>(self);
    session->inUse.fill(false);
    session->inUseCount = 0;
    session->finish();
}

PulsePlayback::PulsePlayback(SoundStore &store) : m_store(store) {}

PulsePlayback::~PulsePlayback() {
    shutdown();
}

int PulsePlayback::start(uint64_t actionId, int32_t start, int32_t end) {
    std::lock_guard<std::mutex> lock(m_mutex);
    endSession(true);

    pa_sample_spec spec{};
    {
        std::lock_guard<std::mutex> soundLock(m_store.soundMutex);
        const Sound &s = m_store.sound;
        spec.format = s.bytesPerSample == 1 ? PA_SAMPLE_U8 : PA_SAMPLE_S16LE;
        spec.rate = static_cast<uint32_t>(s.sampleRate);
        spec.channels = static_cast<uint8_t>(s.channels);
        if ((s.bytesPerSample != 1 && s.bytesPerSample != 2) || !pa_sample_spec_valid(&spec))
            return LVX_E_DEV_BAD_FORMAT;
    }
    const EffectSettings settings = m_store.settings();

    auto session = std::make_unique<Session>(m_store, actionId);
    session->bytesPerSample = spec.format == PA_SAMPLE_U8 ? 1 : 2;
    session->channels = spec.channels;
    session->frames = settings.filePlaybackSize;
    session->bufferBytes = size_t(session->bytesPerSample) * spec.channels * session->frames;
    try {
        session->buffers.assign(kBuffers, std::vector<uint8_t>(session->bufferBytes));
    } catch (const std::bad_alloc &) {
        return LVX_E_DEV_NO_MEMORY;
    }

    if (const int error = session->connection.open(kServerTimeoutMs)) return deviceCode(error);
    const std::vector<std::string> sinks = session->connection.sinkNames();
    if (settings.outputDevice < 0 || size_t(settings.outputDevice) >= sinks.size()) {
        session->connection.unlock();
        return LVX_E_DEV_NO_DRIVER;
    }
    pa_cvolume volume;
    pa_cvolume_init(&volume);
    if (m_volumeSet) {
        volume.channels = spec.channels;
        volume.values[0] = paVolume(m_leftWord);
        if (spec.channels == 2) volume.values[1] = paVolume(m_rightWord);
    }
    if (const int error =
            session->open(sinks[settings.outputDevice], spec, m_volumeSet ? &volume : nullptr)) {
        session->connection.unlock();
        return deviceCode(error);
    }
    session->connection.disarmDeadline();
    session->position = std::max(start, 0);
    session->end = end;
    session->playing = true;
    session->refill();
    session->connection.unlock();
    m_session = std::move(session);
    return 0;
}

bool PulsePlayback::playing() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_session) return false;
    m_session->connection.lock();
    const bool playing = m_session->playing;
    m_session->connection.unlock();
    return playing;
}

void PulsePlayback::endSession(bool postEnd) {
    if (!m_session) return;
    m_session->connection.lock();
    const bool wasPlaying = m_session->playing;
    m_session->playing = false;
    m_session->connection.unlock();
    const uint64_t id = m_session->actionId;
    m_session.reset();
    if (wasPlaying && postEnd) {
        m_store.endAction(id);
        m_store.post(LVX_EVENT_END_OF_ACTION, LVX_END_PLAYBACK);
    }
}

int PulsePlayback::stop() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_session) return LVX_E_NOT_PLAYING;
    m_session->connection.lock();
    const bool wasPlaying = m_session->playing;
    m_session->connection.unlock();
    endSession(true);
    return wasPlaying ? 0 : LVX_E_NOT_PLAYING;
}

void PulsePlayback::shutdown() {
    std::lock_guard<std::mutex> lock(m_mutex);
    endSession(true);
    // The next instance starts at the server's volume again.
    m_leftWord = m_rightWord = 65500;
    m_volumeSet = false;
}

void PulsePlayback::setVolume(int left, int right) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_leftWord = static_cast<uint32_t>(std::clamp(left, 0, 100) * 655);
    m_rightWord = static_cast<uint32_t>(std::clamp(right, 0, 100) * 655);
    m_volumeSet = true;
    if (!m_session) return;
    Session &s = *m_session;
    s.connection.lock();
    if (s.playing && s.stream) {
        pa_cvolume volume;
        pa_cvolume_init(&volume);
        volume.channels = static_cast<uint8_t>(s.channels);
        volume.values[0] = paVolume(m_leftWord);
        if (s.channels == 2) volume.values[1] = paVolume(m_rightWord);
        if (pa_operation *op = pa_context_set_sink_input_volume(
                s.connection.context(), pa_stream_get_index(s.stream), &volume, nullptr, nullptr))
            pa_operation_unref(op);
    }
    s.connection.unlock();
}

int32_t PulsePlayback::deviceFormats(int device) {
    if (device < -1) return -1;
    return std::max(device, 0) < countDevices() ? kAllFormats : -1;
}

int PulsePlayback::countDevices() {
    PulseConnection connection;
    if (connection.open(kServerTimeoutMs) != 0) return 0;
    const int count = static_cast<int>(connection.sinkNames().size());
    connection.unlock();
    return count;
}

} // namespace lvx::fx
