#include "message_sink.h"

#include <cstdio>
#include <mutex>

namespace lvx::fx {
namespace {

// Plain globals: workers may still report while static objects are being destroyed at exit.
// Held while the sink runs, so that once a new sink is set the old context is no longer used.
std::recursive_mutex g_mutex;
lvx_message_sink g_sink = nullptr;
void *g_ctx = nullptr;

} // namespace

void setMessageSink(lvx_message_sink sink, void *ctx) {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    g_sink = sink;
    g_ctx = ctx;
}

void showMessage(const char *text) {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    if (g_sink)
        g_sink(g_ctx, text);
    else
        std::fprintf(stderr, "%s\n", text);
}

} // namespace lvx::fx
