// WAV to constant bit rate MP3 with libsndfile (reading) and libmp3lame (encoding).
#include "codec.h"
#include "job_progress.h"
#include "output_file.h"
#include "sound_file.h"

#include <cstdio>
#include <lame/lame.h>
#include <memory>
#include <vector>

namespace codec {

namespace {

struct LameClose {
    void operator()(lame_global_flags *l) const { lame_close(l); }
};
struct FileClose {
    void operator()(std::FILE *f) const { std::fclose(f); }
};

} // namespace

Result encodeMp3(const std::string &wavPath, const std::string &mp3Path,
                 const EncodeOptions &options, const JobControl &control) {
    Result result;
    SF_INFO info{};
    SoundFile in = openForReading(wavPath, info, result.error);
    if (!in) return result;
    if (info.channels < 1 || info.channels > 2) {
        result.error = wavPath + ": only mono and stereo sounds can be encoded";
        return result;
    }
    readScaled(in.get());
    std::unique_ptr<lame_global_flags, LameClose> lame(lame_init());
    if (!lame) {
        result.error = "cannot start the MP3 encoder";
        return result;
    }
    lame_set_in_samplerate(lame.get(), info.samplerate);
    lame_set_num_channels(lame.get(), info.channels);
    lame_set_out_samplerate(lame.get(), options.sampleRate);
    lame_set_VBR(lame.get(), vbr_off);
    lame_set_brate(lame.get(), options.bitRate / 1000);
    lame_set_mode(lame.get(), info.channels == 1 ? MONO : JOINT_STEREO);
    if (lame_init_params(lame.get()) < 0) {
        result.error = "the MP3 encoder refuses " + std::to_string(options.bitRate) + " bit/s at " +
                       std::to_string(options.sampleRate) + " Hz";
        return result;
    }

    OutputFile out(mp3Path);
    if (!out.open(result.error)) return result;
    std::unique_ptr<std::FILE, FileClose> mp3(fdopen(out.release(), "w+b"));
    if (!mp3) {
        result.error = "cannot write " + mp3Path;
        return result;
    }
    constexpr int kFrames = 8192;
    std::vector<short> pcm(size_t(kFrames) * size_t(info.channels));
    std::vector<short> right(kFrames);
    std::vector<unsigned char> coded(size_t(kFrames) * 5 / 4 + 7200);
    JobProgress progress(control, info.frames);
    for (;;) {
        if (progress.cancelled()) {
            result.error = "cancelled";
            return result;
        }
        const sf_count_t n = sf_readf_short(in.get(), pcm.data(), kFrames);
        if (n <= 0) break;
        const int bytes = info.channels == 2
                              ? lame_encode_buffer_interleaved(lame.get(), pcm.data(), int(n),
                                                               coded.data(), int(coded.size()))
                              : lame_encode_buffer(lame.get(), pcm.data(), nullptr, int(n),
                                                   coded.data(), int(coded.size()));
        if (bytes < 0 || std::fwrite(coded.data(), 1, size_t(bytes), mp3.get()) != size_t(bytes)) {
            result.error = "cannot write " + mp3Path + " (disk full?)";
            return result;
        }
        progress.advance(n);
    }
    const int tail = lame_encode_flush(lame.get(), coded.data(), int(coded.size()));
    if (tail < 0 || std::fwrite(coded.data(), 1, size_t(tail), mp3.get()) != size_t(tail)) {
        result.error = "cannot write " + mp3Path + " (disk full?)";
        return result;
    }
    // The first frame carries the length and the encoder's delay for players.
    lame_mp3_tags_fid(lame.get(), mp3.get());
    if (std::fflush(mp3.get()) != 0 || std::ferror(mp3.get())) {
        result.error = "cannot write " + mp3Path + " (disk full?)";
        return result;
    }
    if (std::fclose(mp3.release()) != 0) {
        result.error = "cannot write " + mp3Path;
        return result;
    }
    if (!out.commit(result.error)) return result;
    result.ok = true;
    progress.finished();
    return result;
}

} // namespace codec
