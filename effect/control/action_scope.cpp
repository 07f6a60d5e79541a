#include "action_scope.h"

#include "lyravox/effect.h"
#include "sound_store.h"

#include <utility>

namespace lvx::fx {

ActionScope::ActionScope(SoundStore &store) : m_store(store), m_id(store.beginAction()) {
    if (!m_id) return;
    m_store.holdSound();
    m_holding = true;
}

ActionScope::~ActionScope() {
    end();
}

int16_t ActionScope::refusal(bool needsSound) const {
    if (!m_holding) return LVX_E_BUSY;
    if (needsSound && !m_store.loaded.load()) return LVX_E_NOT_LOADED;
    return 0;
}

bool ActionScope::stopped() const {
    return !m_store.ownsAction(m_id);
}

void ActionScope::end() {
    if (m_id) m_store.endAction(m_id);
    m_id = 0;
    if (m_holding) m_store.releaseSound();
    m_holding = false;
}

void ActionScope::startWorker(std::function<void()> job) {
    m_store.runWorker(m_id, std::move(job));
    m_id = 0;
    m_holding = false;
}

} // namespace lvx::fx
