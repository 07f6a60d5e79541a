#pragma once
// Plays a byte range of the loaded sound through a PulseAudio playback stream, fed from a ring
// of 25 buffers of `filePlaybackSize` frames that the stream's write requests refill. Output
// device n is the n-th sink of the server (in index order). Every wait on the server is
// bounded, so a missing or stuck server gives a device code instead of a hang.
#include <cstdint>
#include <memory>
#include <mutex>

namespace lvx::fx {

class SoundStore;

class PulsePlayback {
public:
    explicit PulsePlayback(SoundStore &store);
    ~PulsePlayback();

    // Starts playing bytes [start, end) of the store's samples for the action `actionId`
    // (busy belongs to it until the playback ends). A playback still running is stopped
    // first. Returns 0, or 904 to 907 when no stream could be opened.
    int start(uint64_t actionId, int32_t start, int32_t end);
    bool playing();
    // Stops and posts EndOfAction(9); 908 when nothing plays.
    int stop();
    // 0 ... 100 per channel; kept for later streams as well.
    void setVolume(int left, int right);
    // Format flags of device `device` (-1 = device 0), or -1 when there is no such device.
    int32_t deviceFormats(int device);
    // The number of output devices, 0 when no server answers.
    static int countDevices();
    // Stops playback, releases the connection and forgets the volume (the last instance
    // leaves).
    void shutdown();

private:
    struct Session;
    void endSession(bool postEnd);

    SoundStore &m_store;
    std::mutex m_mutex; // the session pointer and the volume; held by the caller's methods
    std::unique_ptr<Session> m_session;
    uint32_t m_leftWord = 65500;
    uint32_t m_rightWord = 65500;
    bool m_volumeSet = false;
};

} // namespace lvx::fx
