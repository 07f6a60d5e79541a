#include "message_sink.h"

#include <cstdio>
#include <mutex>

namespace lvx::fx {
namespace {

// Plain globals: workers may still report while static objects are being destroyed at exit.
std::mutex g_mutex;
lvx_message_sink g_sink = nullptr;
void *g_ctx = nullptr;

} // namespace

void setMessageSink(lvx_message_sink sink, void *ctx) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_sink = sink;
    g_ctx = ctx;
}

void showMessage(const char *text) {
    lvx_message_sink sink;
    void *ctx;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        sink = g_sink;
        ctx = g_ctx;
    }
    if (sink)
        sink(ctx, text);
    else
        std::fprintf(stderr, "%s\n", text);
}

} // namespace lvx::fx
