#pragma once
// The loaded sound as the effect operations see it. The sound store of the control owns one
// of these for the whole process; every operation rewrites `samples` in place.
#include <cstdint>
#include <vector>

namespace lvx::fx {

struct Sound {
    // Sample data exactly as in a PCM WAV data chunk: interleaved frames, 8-bit unsigned or
    // 16-bit signed little-endian. Holds at least `byteCount` bytes (one byte before any load).
    std::vector<uint8_t> samples = std::vector<uint8_t>(1, 0);
    int32_t byteCount = 0;
    int32_t bytesPerSample = 0; // 1 or 2
    uint16_t channels = 0;      // 1 or 2
    int32_t sampleRate = 0;     // frames per second
    int16_t durationSeconds = 0;
    int32_t workLength = 0; // bytes the analysis operations walk
    int32_t playStart = 0;  // byte range used by playback and the fades
    int32_t playEnd = 0;
    double dcMean = 0.0; // mean found by the last Amplitude run
};

// What a running effect needs from the action it runs in. Called on the worker thread.
class ActionContext {
public:
    virtual ~ActionContext() = default;
    // True once StopEffect has cleared the busy flag: a stoppable pass returns at once,
    // leaving the samples processed so far rewritten and the rest untouched. May also be
    // called from helper threads the operation runs beside the worker thread.
    virtual bool stopRequested() const = 0;
    // Reports progress in percent; only a value above the last reported one is posted.
    virtual void progress(int percent) = 0;
    // Starts a new progress walk (the analysis operations reset between passes).
    virtual void resetProgress() = 0;
};

} // namespace lvx::fx
