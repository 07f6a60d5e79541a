// MP3 to 16-bit PCM WAV with libmpg123 (decoding) and libsndfile (the WAV file).
#include "codec.h"
#include "job_progress.h"
#include "mp3_tail_decoder.h"
#include "output_file.h"
#include "sound_file.h"

#include <algorithm>
#include <memory>
#include <mpg123.h>
#include <mutex>
#include <vector>

namespace codec {

namespace {

struct HandleFree {
    void operator()(mpg123_handle *h) const {
        mpg123_close(h);
        mpg123_delete(h);
    }
};

// Accept 16-bit output only; `rate` 0 means any rate with any channel count.
void allowFormats(mpg123_handle *h, long rate, int channels) {
    mpg123_format_none(h);
    if (rate != 0) {
        mpg123_format(h, rate, channels, MPG123_ENC_SIGNED_16);
        return;
    }
    const long *rates = nullptr;
    size_t count = 0;
    mpg123_rates(&rates, &count);
    for (size_t k = 0; k < count; ++k)
        mpg123_format(h, rates[k], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
}

} // namespace

Result decodeMp3(const std::string &mp3Path, const std::string &wavPath,
                 const JobControl &control) {
    static std::once_flag once;
    std::call_once(once, [] { mpg123_init(); });
    Result result;
    int err = MPG123_OK;
    std::unique_ptr<mpg123_handle, HandleFree> h(mpg123_new(nullptr, &err));
    if (!h) {
        result.error = "cannot start the MP3 decoder";
        return result;
    }
    mpg123_param(h.get(), MPG123_ADD_FLAGS, MPG123_QUIET, 0);
    allowFormats(h.get(), 0, 0);
    if (mpg123_open(h.get(), mp3Path.c_str()) != MPG123_OK) {
        result.error = "cannot open " + mp3Path;
        return result;
    }
    const off_t total = mpg123_length(h.get()); // samples per channel, or an estimate

    OutputFile out(wavPath);
    SoundFile wav;
    long rate = 0;
    int channels = 0;
    long long frames = 0;
    JobProgress progress(control, total);
    std::unique_ptr<Mp3TailDecoder> tail; // the second half, on another core
    std::vector<short> overlap;           // our samples of the tail's overlap frames
    auto write = [&](const short *data, long long count) {
        if (count <= 0) return true;
        const sf_count_t samples = sf_count_t(count * channels);
        if (sf_write_short(wav.get(), data, samples) != samples) {
            result.error = "cannot write " + wavPath + " (disk full?)";
            return false;
        }
        if (tail) {
            const long long from = std::max(frames, tail->split() - tail->overlap());
            if (from < frames + count)
                overlap.insert(overlap.end(), data + (from - frames) * channels, data + samples);
        }
        frames += count;
        // While a tail runs, the second half moves on as fast as this one.
        progress.advance(tail ? 2 * count : count);
        return true;
    };
    std::vector<unsigned char> buffer(64 * 1024);
    for (;;) {
        if (progress.cancelled()) {
            result.error = "cancelled";
            break;
        }
        size_t done = 0;
        const int status = mpg123_read(h.get(), buffer.data(), buffer.size(), &done);
        if (status == MPG123_NEW_FORMAT && !wav) {
            int encoding = 0;
            mpg123_getformat(h.get(), &rate, &channels, &encoding);
            // Later frames are converted to the first frame's format.
            allowFormats(h.get(), rate, channels);
            wav = createWav(out, SF_FORMAT_PCM_16, int(rate), channels, result.error);
            if (!wav) break;
            tail = std::make_unique<Mp3TailDecoder>(mp3Path, rate, channels);
            if (!tail->started()) tail.reset();
        }
        if (done > 0 && wav) {
            const short *data = reinterpret_cast<const short *>(buffer.data());
            long long count = (long long)(done / sizeof(short)) / channels;
            if (tail && frames + count >= tail->split()) {
                const long long head = tail->split() - frames;
                if (!write(data, head)) break;
                if (tail->finish(overlap)) {
                    const std::unique_ptr<Mp3TailDecoder> decoded = std::move(tail);
                    result.ok = write(decoded->samples(), decoded->frames());
                    break;
                }
                // The tail did not line up: this decoder goes on alone.
                tail.reset();
                data += head * channels;
                count -= head;
            }
            if (!write(data, count)) break;
        }
        if (status == MPG123_DONE) {
            if (frames == 0)
                result.error = mp3Path + " holds no MP3 audio";
            else
                result.ok = true;
            break;
        }
        if (status != MPG123_OK && status != MPG123_NEW_FORMAT) {
            result.error =
                std::string("cannot decode ") + mp3Path + ": " + mpg123_strerror(h.get());
            break;
        }
    }
    if (wav && !closeWritten(wav, wavPath, result.error)) result.ok = false;
    if (result.ok && !out.commit(result.error)) result.ok = false;
    if (result.ok) progress.finished();
    return result;
}

} // namespace codec
