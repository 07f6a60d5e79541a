#pragma once
// Runs independent pieces of one operation on all cores. Chunks are handed out in ascending
// order, so a stopped run leaves (up to one chunk per thread) a processed prefix behind.
#include <cstdint>
#include <functional>

namespace lvx::fx::dsp {

class ChunkRunner {
public:
    // Threads worth starting for `chunks` chunks: one per core, never more than chunks.
    static int threadCount(int64_t chunks);

    // Calls work(chunk, thread) once for every chunk in [0, chunks), thread in [0, threads).
    // Every thread asks stopRequested() before each chunk it takes; once it says yes no
    // further chunk starts and run() returns false when every started chunk has finished.
    // progress(doneChunks) runs on the calling thread (thread 0) only, before each of its
    // chunks. Helper threads are joined before run() returns.
    static bool run(int64_t chunks, int threads, const std::function<void(int64_t, int)> &work,
                    const std::function<bool()> &stopRequested,
                    const std::function<void(int64_t)> &progress);
};

} // namespace lvx::fx::dsp
