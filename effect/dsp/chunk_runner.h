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
    // Before each chunk the calling thread (thread 0) takes, it calls between(doneChunks);
    // when that returns false no further chunk starts and run() returns false once every
    // started chunk has finished. `between` and thread 0's chunks run on the calling thread;
    // helper threads are joined before run() returns.
    static bool run(int64_t chunks, int threads, const std::function<void(int64_t, int)> &work,
                    const std::function<bool(int64_t)> &between);
};

} // namespace lvx::fx::dsp
