#include "action_progress.h"

#include "lyravox/effect.h"
#include "sound_store.h"

namespace lvx::fx {

bool ActionProgress::stopRequested() const {
    return !m_store.ownsAction(m_id);
}

void ActionProgress::progress(int percent) {
    if (percent <= m_last) return;
    m_last = percent;
    m_store.post(LVX_EVENT_ACTION_POSITION, percent);
}

} // namespace lvx::fx
