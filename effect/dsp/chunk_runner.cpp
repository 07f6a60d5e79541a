#include "chunk_runner.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>
#include <vector>

namespace lvx::fx::dsp {

namespace {
constexpr int kMaxThreads = 16;
}

int ChunkRunner::threadCount(int64_t chunks) {
    const int cores = std::clamp(int(std::thread::hardware_concurrency()), 1, kMaxThreads);
    return int(std::clamp<int64_t>(chunks, 1, cores));
}

bool ChunkRunner::run(int64_t chunks, int threads, const std::function<void(int64_t, int)> &work,
                      const std::function<bool()> &stopRequested,
                      const std::function<void(int64_t)> &progress) {
    std::atomic<int64_t> next{0};
    std::atomic<int64_t> done{0};
    std::atomic<bool> stopped{false};

    // Takes the next chunk unless the run is stopped or no chunk is left.
    auto take = [&](int64_t &chunk) {
        if (stopped.load(std::memory_order_acquire)) return false;
        if (stopRequested()) {
            stopped.store(true, std::memory_order_release);
            return false;
        }
        chunk = next.fetch_add(1);
        return chunk < chunks;
    };
    auto helper = [&](int thread) {
        int64_t chunk = 0;
        while (take(chunk)) {
            work(chunk, thread);
            done.fetch_add(1, std::memory_order_release);
        }
    };

    std::vector<std::thread> helpers;
    helpers.reserve(size_t(std::max(threads - 1, 0))); // no allocation once threads run
    for (int t = 1; t < threads; ++t) {
        try {
            helpers.emplace_back(helper, t);
        } catch (const std::system_error &) {
            break; // fewer threads only make it slower
        }
    }
    int64_t chunk = 0;
    for (;;) {
        progress(done.load(std::memory_order_acquire));
        if (!take(chunk)) break;
        work(chunk, 0);
        done.fetch_add(1, std::memory_order_release);
    }
    for (std::thread &t : helpers)
        t.join();
    return !stopped.load();
}

} // namespace lvx::fx::dsp
