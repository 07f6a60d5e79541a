#pragma once
// The second half of an MP3, decoded on a thread of its own while the caller decodes the first
// half. The tail starts a few frames before the split point; the caller accepts it only when
// those frames come out exactly as its own decoding gave them, which shows the two decoders
// are in the same state there, so the file stays sample for sample what one decoder makes.
#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace codec {

class Mp3TailDecoder {
public:
    // Starts the tail of `path` when the file is worth splitting (layer III, a minute or
    // more, a second core). `rate` and `channels` are the format of the first frame.
    Mp3TailDecoder(const std::string &path, long rate, int channels);
    ~Mp3TailDecoder();
    Mp3TailDecoder(const Mp3TailDecoder &) = delete;
    Mp3TailDecoder &operator=(const Mp3TailDecoder &) = delete;

    // True when a tail is being decoded; the caller then stops its own decoding at split().
    bool started() const { return m_thread.joinable(); }
    // The first frame (per channel) of the tail proper.
    long long split() const { return m_split; }
    long long overlap() const { return m_overlap; }

    // Waits for the tail. It is good when decoded without error and its overlap equals
    // `lastFrames` (the caller's samples of the overlap frames just before split()).
    bool finish(const std::vector<short> &lastFrames);
    // The samples from split() to the end, interleaved; valid after a good finish().
    const short *samples() const { return m_samples.data() + m_overlap * m_channels; }
    long long frames() const;

private:
    void run(std::string path);

    long m_rate;
    int m_channels;
    long long m_split = 0;
    long long m_overlap = 0;
    std::vector<short> m_samples; // from split() - overlap() to the end
    bool m_ok = false;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

} // namespace codec
