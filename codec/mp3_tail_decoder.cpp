#include "mp3_tail_decoder.h"

#include <algorithm>
#include <cstring>
#include <mpg123.h>

namespace codec {

namespace {

constexpr long long kOverlapFrames = 16;         // MP3 frames both decoders make
constexpr long long kMinimumSeconds = 60;        // shorter files decode fast enough alone
constexpr long long kMaximumTailBytes = 1 << 29; // the tail waits in memory: about half of
                                                 // length x channels x 2 bytes

mpg123_handle *openAt(const std::string &path, long rate, int channels) {
    int err = MPG123_OK;
    mpg123_handle *h = mpg123_new(nullptr, &err);
    if (!h) return nullptr;
    mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
    // Frames decoded unheard before the seek point: enough to refill the bit reservoir at low
    // bit rates (511 bytes) and even, which keeps the frame parity of the seek point.
    mpg123_param(h, MPG123_PREFRAMES, 8, 0);
    mpg123_format_none(h);
    mpg123_format(h, rate, channels, MPG123_ENC_SIGNED_16);
    if (mpg123_open(h, path.c_str()) != MPG123_OK) {
        mpg123_delete(h);
        return nullptr;
    }
    return h;
}

void closeHandle(mpg123_handle *h) {
    mpg123_close(h);
    mpg123_delete(h);
}

} // namespace

Mp3TailDecoder::Mp3TailDecoder(const std::string &path, long rate, int channels)
    : m_rate(rate), m_channels(channels) {
    if (std::thread::hardware_concurrency() < 2 || channels < 1 || channels > 2) return;
    mpg123_handle *h = openAt(path, rate, channels);
    if (!h) return;
    long probeRate = 0;
    int probeChannels = 0, encoding = 0;
    mpg123_frameinfo info{};
    const bool layer3 = mpg123_getformat(h, &probeRate, &probeChannels, &encoding) == MPG123_OK &&
                        mpg123_info(h, &info) == MPG123_OK && info.layer == 3 &&
                        probeRate == rate && probeChannels == channels;
    const long long length = layer3 && mpg123_scan(h) == MPG123_OK ? mpg123_length(h) : 0;
    const long long frameCount = layer3 ? mpg123_framelength(h) : 0;
    const int frameSamples = layer3 ? mpg123_spf(h) : 0;
    // The synthesis filter's ring turns with every frame, so a second decoder only makes the
    // same numbers when it starts on a frame of the same parity: start on a multiple of 16.
    const off_t first = off_t(frameCount / 2 / 16 * 16);
    if (length < kMinimumSeconds * rate || frameSamples <= 0 || first <= kOverlapFrames ||
        length * channels > kMaximumTailBytes || mpg123_seek_frame(h, first, SEEK_SET) < 0) {
        closeHandle(h);
        return;
    }
    const long long start = mpg123_tell(h);
    m_overlap = kOverlapFrames * frameSamples;
    m_split = start + m_overlap;
    if (start <= 0 || m_split >= length) {
        closeHandle(h);
        m_split = m_overlap = 0;
        return;
    }
    m_samples.reserve(size_t((length - start) * channels));
    m_thread = std::thread([this, h] {
        std::vector<unsigned char> buffer(64 * 1024);
        for (;;) {
            if (m_stop.load(std::memory_order_relaxed)) break;
            size_t done = 0;
            const int status = mpg123_read(h, buffer.data(), buffer.size(), &done);
            if (status == MPG123_NEW_FORMAT) {
                long r = 0;
                int c = 0, e = 0;
                mpg123_getformat(h, &r, &c, &e);
                if (r != m_rate || c != m_channels) break; // only the caller's format will do
            }
            const short *data = reinterpret_cast<const short *>(buffer.data());
            m_samples.insert(m_samples.end(), data, data + done / sizeof(short));
            if (status == MPG123_DONE) {
                m_ok = true;
                break;
            }
            if (status != MPG123_OK && status != MPG123_NEW_FORMAT) break;
        }
        closeHandle(h);
    });
}

Mp3TailDecoder::~Mp3TailDecoder() {
    m_stop.store(true);
    if (m_thread.joinable()) m_thread.join();
}

bool Mp3TailDecoder::finish(const std::vector<short> &lastFrames) {
    if (m_thread.joinable()) m_thread.join();
    const size_t overlapSamples = size_t(m_overlap * m_channels);
    return m_ok && lastFrames.size() == overlapSamples && m_samples.size() >= overlapSamples &&
           std::equal(lastFrames.begin(), lastFrames.end(), m_samples.begin());
}

long long Mp3TailDecoder::frames() const {
    return (long long)(m_samples.size() / size_t(m_channels)) - m_overlap;
}

} // namespace codec
