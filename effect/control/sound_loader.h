#pragma once
// Loads a WAV or AU file into the sound store on a worker thread and tells the method that
// started it how far the load got.
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace lvx::fx {

class ActionScope;
class SoundStore;

class SoundLoader {
public:
    // Hands `action` to the loader's worker and waits up to 100 ms, less when the load ends
    // sooner, but always until the loader has opened the file and read its first bytes (at
    // most 10 s more), so that a thread that starts late on a busy machine is not taken for a
    // file that cannot be opened. Returns 0 (loaded or still reading), 901 (the loader has not
    // opened the file) or 902 (not a readable WAV or AU file). A load that fails before it reads
    // the sample data keeps the sound loaded before; once that read has begun the old sound is
    // gone.
    static int16_t start(SoundStore &store, ActionScope &action);

private:
    struct Watch {
        std::mutex mutex;
        std::condition_variable changed;
        bool readerStarted = false;
        bool readOk = false;
        bool decided = false; // the file was opened and its first bytes read, or not
        bool finished = false;
    };
    // Returns false for a failed load; `dataBegun` tells whether the old sound was released.
    static bool load(SoundStore &store, Watch &watch, bool &dataBegun);
    static void run(SoundStore &store, uint64_t actionId, const std::shared_ptr<Watch> &watch);
};

} // namespace lvx::fx
