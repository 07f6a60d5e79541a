#pragma once
// The process-wide state every control instance shares: the one loaded sound, the action
// guard (busy), the action's worker thread, the variables the methods hand to their workers,
// the playback engine and the settings.
#include "effect_settings.h"
#include "sound.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace lvx::fx {

class EventQueue;
class PulsePlayback;

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

    // Starts the action's worker. The previous worker must have been waited for.
    void runWorker(std::function<void()> job);
    // Waits for the last worker; every method that touches the sound calls it first, so a
    // worker that could not be stopped still finishes before the next action begins.
    void waitForWorker();
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
    // Whole seconds of the sound, under soundMutex.
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

    std::mutex m_workerMutex;
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
