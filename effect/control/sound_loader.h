#pragma once
// Loads a WAV or AU file into the sound store on a worker thread and tells the method that
// started it how far the load got.
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace lvx::fx {

class SoundStore;

class SoundLoader {
public:
    // Starts the loader for the action `actionId` (busy already belongs to it) and waits up
    // to 100 ms, less when the load ends sooner. Returns 0 (loaded or still reading), 901
    // (the loader has not opened the file) or 902 (not a readable WAV or AU file).
    static int16_t start(SoundStore &store, uint64_t actionId);

private:
    struct Watch {
        std::mutex mutex;
        std::condition_variable changed;
        bool readerStarted = false;
        bool readOk = false;
        bool finished = false;
    };
    static void load(SoundStore &store, uint64_t actionId, const std::shared_ptr<Watch> &watch);
    static void run(SoundStore &store, uint64_t actionId, const std::shared_ptr<Watch> &watch);
};

} // namespace lvx::fx
