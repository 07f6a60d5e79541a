#pragma once
// What a running action's worker sees of its action: whether StopEffect ended it, and where
// its progress reports go.
#include "sound.h"

#include <cstdint>

namespace lvx::fx {

class SoundStore;

class ActionProgress : public ActionContext {
public:
    ActionProgress(SoundStore &store, uint64_t actionId) : m_store(store), m_id(actionId) {}

    bool stopRequested() const override;
    // Posts OnActionPosition(percent) when it exceeds the last posted value, so positions
    // arrive strictly increasing and at most once per percent.
    void progress(int percent) override;
    void resetProgress() override { m_last = 0; }

private:
    SoundStore &m_store;
    uint64_t m_id;
    int m_last = 0;
};

} // namespace lvx::fx
