#include "sound_store.h"

#include "event_queue.h"
#include "pulse_playback.h"

#include <algorithm>

namespace lvx::fx {

int16_t clampSeconds(int64_t seconds) {
    return static_cast<int16_t>(std::clamp<int64_t>(seconds, 0, INT16_MAX));
}

SoundStore &SoundStore::get() {
    static SoundStore store;
    return store;
}

SoundStore::SoundStore() : m_playback(std::make_unique<PulsePlayback>(*this)) {}

SoundStore::~SoundStore() {
    shutdown();
}

void SoundStore::shutdown() {
    stopAction();
    m_playback->shutdown();
    // Whatever still works on the sound finishes first.
    holdSound();
    releaseSound();
}

void SoundStore::attach(const EffectSettings &settings) {
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_instances;
    m_settings = settings;
}

void SoundStore::detach() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (--m_instances > 0) return;
        m_load = LoadState();
    }
    shutdown();
    clearSound();
    std::lock_guard<std::mutex> lock(soundMutex);
    sound.dcMean = 0.0;
}

uint64_t SoundStore::beginAction() {
    const uint64_t id = m_nextId.fetch_add(1);
    uint64_t idle = 0;
    return m_busy.compare_exchange_strong(idle, id) ? id : 0;
}

void SoundStore::endAction(uint64_t id) {
    uint64_t mine = id;
    m_busy.compare_exchange_strong(mine, 0);
}

void SoundStore::holdSound() {
    std::thread finished;
    {
        std::unique_lock<std::mutex> lock(m_holdMutex);
        m_holdFree.wait(lock, [this] { return !m_held; });
        m_held = true;
        finished = std::move(m_worker);
    }
    // The worker has let go; only its thread's last steps remain.
    if (finished.joinable()) finished.join();
}

void SoundStore::releaseSound() {
    {
        std::lock_guard<std::mutex> lock(m_holdMutex);
        m_held = false;
    }
    m_holdFree.notify_all();
}

void SoundStore::runWorker(uint64_t actionId, std::function<void()> job) {
    std::lock_guard<std::mutex> lock(m_holdMutex);
    m_workerDone.store(false);
    try {
        m_worker = std::thread([this, actionId, job = std::move(job)] {
            try {
                job();
            } catch (...) {
                // The job reports its own failures; this only keeps the guard from staying set.
            }
            endAction(actionId);
            m_workerDone.store(true);
            releaseSound();
        });
    } catch (...) {
        m_workerDone.store(true);
        throw;
    }
}

void SoundStore::setNotifyTarget(std::weak_ptr<EventQueue> target) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_notify = std::move(target);
}

void SoundStore::post(int dispid, int arg) {
    std::shared_ptr<EventQueue> target;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        target = m_notify.lock();
    }
    if (target) target->post(dispid, arg);
}

void SoundStore::clearSound() {
    std::lock_guard<std::mutex> lock(soundMutex);
    const double mean = sound.dcMean;
    sound = Sound();
    sound.dcMean = mean;
    loaded.store(false);
}

int16_t SoundStore::durationSeconds() {
    std::lock_guard<std::mutex> lock(soundMutex);
    const int64_t frame = int64_t(sound.channels) * sound.bytesPerSample * sound.sampleRate;
    return frame > 0 ? clampSeconds(sound.byteCount / frame) : 0;
}

int32_t SoundStore::secondsToBytes(int seconds) {
    std::lock_guard<std::mutex> lock(soundMutex);
    const int64_t bytes =
        int64_t(seconds) * sound.channels * sound.bytesPerSample * int64_t(sound.sampleRate);
    return static_cast<int32_t>(std::clamp<int64_t>(bytes, 0, 0x7FFFFFFF));
}

SoundStore::LoadState SoundStore::loadState() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_load;
}

void SoundStore::setLoadState(const LoadState &state) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_load = state;
}

EffectSettings SoundStore::settings() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_settings;
}

} // namespace lvx::fx
