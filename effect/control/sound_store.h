#pragma once
// The process-wide state every control instance shares: the one loaded sound, the action
// guard (busy), the action's worker thread, the variables the methods hand to their workers,
// the playback engine and the settings.
#include "effect_settings.h"
#include "sound.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace lvx::fx {

class EventQueue;
class PulsePlayback;

// Whole seconds as the interface's 16-bit value: longer sounds answer 32 767, never a
// negative number.
int16_t clampSeconds(int64_t seconds);

class SoundStore {
public:
    static SoundStore &get();
    ~SoundStore();

    // Called by each instance on construction and destruction. The last one to leave stops
    // the running action, waits for its worker, stops playback and releases the sound.
    void attach(const EffectSettings &settings);
    void detach();

    // Busy: the id of the running action, 0 when idle. beginAction() is the atomic test and
    // set; endAction() clears busy only while it still belongs to that action, so a worker
    // that StopEffect could not stop never releases the guard of the action after it.
    uint64_t beginAction();
    void endAction(uint64_t id);
    bool ownsAction(uint64_t id) const { return m_busy.load() == id; }
    bool busy() const { return m_busy.load() != 0; }
    void stopAction() { m_busy.store(0); }

    // The hold: who may touch `samples` now. Busy and the hold differ after StopEffect, which
    // clears busy at once while the stopped action (a worker that does not look at busy, a
    // synchronous call finishing its pass) keeps the hold until it has let go of the samples.
    // Every action takes busy first and then the hold, so at most one action ever works on
    // the sound and at most one worker thread exists.
    // Waits until nobody holds the sound, then holds it (and joins the worker that let go).
    void holdSound();
    void releaseSound();
    // Starts the action's worker, which takes over the caller's hold and, when `job` returns,
    // clears busy if it still belongs to `actionId` and lets go of the sound. Throws
    // std::system_error when no thread can be started; the hold then stays with the caller.
    void runWorker(uint64_t actionId, std::function<void()> job);
    bool workerDone() const { return m_workerDone.load(); }

    // The instance events go to: the last to call InputFileOpen, ReadFromTo or PlayFromTo.
    void setNotifyTarget(std::weak_ptr<EventQueue> target);
    void post(int dispid, int arg);

    // The sound. `samples` is rewritten in place by the one running action. Replacing the
    // buffer or the format, and reading the format from outside an action, hold soundMutex;
    // so does the playback refill while it copies.
    Sound sound;
    std::mutex soundMutex;
    std::atomic<bool> loaded{false};
    // Releases the sound (one-byte buffer, no format) and clears `loaded`. Locks soundMutex.
    void clearSound();
    // Whole seconds of the sound, under soundMutex; 32 767 for longer sounds.
    int16_t durationSeconds();
    // Seconds to a byte offset with the current format, limited to 0 ... INT32_MAX.
    int32_t secondsToBytes(int seconds);

    // Variables the load and save methods share (filePath, loadPercent, rangeStart/End).
    struct LoadState {
        std::string filePath;
        int loadPercent = 100;
        int32_t rangeStart = 0;
        int32_t rangeEnd = -1;
    };
    LoadState loadState();
    void setLoadState(const LoadState &state);
    template <class F> void updateLoadState(F &&change) {
        std::lock_guard<std::mutex> lock(m_mutex);
        change(m_load);
    }

    EffectSettings settings();
    PulsePlayback &playback() { return *m_playback; }

private:
    SoundStore();
    void shutdown();

    std::atomic<uint64_t> m_busy{0};
    std::atomic<uint64_t> m_nextId{1};

    std::mutex m_holdMutex; // m_held, m_worker
    std::condition_variable m_holdFree;
    bool m_held = false;
    std::thread m_worker;
    std::atomic<bool> m_workerDone{true};

    std::mutex m_mutex; // m_load, m_notify, m_settings, m_instances
    LoadState m_load;
    std::weak_ptr<EventQueue> m_notify;
    EffectSettings m_settings;
    int m_instances = 0;

    std::unique_ptr<PulsePlayback> m_playback;
};

} // namespace lvx::fx
