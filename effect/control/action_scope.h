#pragma once
// The action a method runs: busy taken and the sound held for as long as the method works on
// it. Both are let go when the scope ends, also when an exception leaves the method, unless
// they were handed on to a worker (or busy to the playback).
#include <cstdint>
#include <functional>

namespace lvx::fx {

class SoundStore;

class ActionScope {
public:
    // Takes busy; when that succeeds, waits until no earlier action holds the sound and holds
    // it.
    explicit ActionScope(SoundStore &store);
    ~ActionScope();
    ActionScope(const ActionScope &) = delete;
    ActionScope &operator=(const ActionScope &) = delete;

    // 0 when the action may run, 900 when another action is running, 903 when it needs a
    // sound and none is loaded.
    int16_t refusal(bool needsSound) const;
    uint64_t id() const { return m_id; }
    // True once StopEffect has ended the action.
    bool stopped() const;

    // Clears busy (if it still belongs to this action) and lets go of the sound.
    void end();
    // Hands busy and the hold to a worker running `job` (SoundStore::runWorker). When no
    // thread can be started the exception passes and the scope still owns both.
    void startWorker(std::function<void()> job);
    // Busy stays set for the playback, which clears it when it ends; the hold is let go by
    // end() as usual.
    void leaveBusySet() { m_id = 0; }

private:
    SoundStore &m_store;
    uint64_t m_id;
    bool m_holding = false;
};

} // namespace lvx::fx
