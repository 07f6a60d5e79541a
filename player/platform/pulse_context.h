#pragma once
// Helpers for the PulseAudio contexts of the recording side.
#include <pulse/pulseaudio.h>

namespace PulseContext {

// Disconnects and releases `context` (when there is one) so that none of its callbacks runs
// again, and forgets it. With the loop locked, or from the loop's own thread.
inline void drop(pa_context *&context) {
    if (!context) return;
    pa_context_set_state_callback(context, nullptr, nullptr);
    pa_context_set_subscribe_callback(context, nullptr, nullptr);
    pa_context_disconnect(context);
    pa_context_unref(context);
    context = nullptr;
}

} // namespace PulseContext
