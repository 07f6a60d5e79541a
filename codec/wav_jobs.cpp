// WAV to WAV jobs with libsndfile: the format probe, conversion to 16-bit PCM, the working copy
// the effect control loads, and the two ways of removing the centre of a stereo sound.
#include "centre_remover.h"
#include "codec.h"
#include "job_progress.h"
#include "output_file.h"
#include "sound_file.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

namespace codec {

namespace {

constexpr sf_count_t kBlockFrames = 16384;

// Reads `inPath` block by block as shorts, lets `process` rewrite each block in place and writes
// it to `wavPath` in `format` with the input's rate and channel count.
Result
transformWav(const std::string &inPath, const std::string &wavPath, int format,
             const JobControl &control,
             const std::function<void(short *frames, sf_count_t count, int channels)> &process) {
    Result result;
    SF_INFO info{};
    SoundFile in = openForReading(inPath, info, result.error);
    if (!in) return result;
    readScaled(in.get());
    OutputFile out(wavPath);
    SoundFile wav = createWav(out, format, info.samplerate, info.channels, result.error);
    if (!wav) return result;
    std::vector<short> pcm(size_t(kBlockFrames) * size_t(info.channels));
    JobProgress progress(control, info.frames);
    for (;;) {
        if (progress.cancelled()) {
            result.error = "cancelled";
            return result;
        }
        const sf_count_t n = sf_readf_short(in.get(), pcm.data(), kBlockFrames);
        if (n <= 0) break;
        if (process) process(pcm.data(), n, info.channels);
        if (sf_writef_short(wav.get(), pcm.data(), n) != n) {
            result.error = "cannot write " + wavPath + " (disk full?)";
            return result;
        }
        progress.advance(n);
    }
    if (!closeWritten(wav, wavPath, result.error) || !out.commit(result.error)) return result;
    result.ok = true;
    progress.finished();
    return result;
}

struct FileClose {
    void operator()(std::FILE *f) const { std::fclose(f); }
};

// A byte-exact copy under a temporary name, renamed into place when complete.
Result copyFile(const std::string &inPath, const std::string &outPath, const JobControl &control) {
    Result result;
    std::unique_ptr<std::FILE, FileClose> in(std::fopen(inPath.c_str(), "rb"));
    if (!in) {
        result.error = "cannot read " + inPath + ": " + std::strerror(errno);
        return result;
    }
    std::fseek(in.get(), 0, SEEK_END);
    const long long size = std::ftell(in.get());
    std::fseek(in.get(), 0, SEEK_SET);
    OutputFile out(outPath);
    if (!out.open(result.error)) return result;
    std::unique_ptr<std::FILE, FileClose> copy(fdopen(out.release(), "wb"));
    if (!copy) {
        result.error = "cannot write " + outPath;
        return result;
    }
    std::vector<char> buffer(1 << 20);
    JobProgress progress(control, size);
    for (;;) {
        if (progress.cancelled()) {
            result.error = "cancelled";
            return result;
        }
        const size_t n = std::fread(buffer.data(), 1, buffer.size(), in.get());
        if (n == 0) break;
        if (std::fwrite(buffer.data(), 1, n, copy.get()) != n) {
            result.error = "cannot write " + outPath + " (disk full?)";
            return result;
        }
        progress.advance((long long)n);
    }
    if (std::ferror(in.get())) {
        result.error = "cannot read " + inPath;
        return result;
    }
    if (std::fclose(copy.release()) != 0) {
        result.error = "cannot write " + outPath + " (disk full?)";
        return result;
    }
    if (!out.commit(result.error)) return result;
    result.ok = true;
    progress.finished();
    return result;
}

// The failure of the last sf_open, for `path`.
Result unreadable(const std::string &path) {
    Result result;
    result.error = "cannot read " + path + ": " + sf_strerror(nullptr);
    return result;
}

short saturate(int v) {
    return short(std::clamp(v, -32768, 32767));
}

} // namespace

bool wavInfo(const std::string &path, WavInfo &info) {
    SF_INFO sf{};
    std::string error;
    SoundFile in = openForReading(path, sf, error);
    if (!in) return false;
    info.sampleRate = sf.samplerate;
    info.channels = sf.channels;
    info.frames = sf.frames;
    const bool wav = (sf.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_WAV;
    const int sub = sf.format & SF_FORMAT_SUBMASK;
    info.pcm16 = wav && sub == SF_FORMAT_PCM_16;
    info.native = wav && (sub == SF_FORMAT_PCM_16 || sub == SF_FORMAT_PCM_U8);
    info.bits = sub == SF_FORMAT_PCM_U8 ? 8 : sub == SF_FORMAT_PCM_16 ? 16 : 0;
    return true;
}

Result convertToPcm16(const std::string &inPath, const std::string &wavPath,
                      const JobControl &control) {
    return transformWav(inPath, wavPath, SF_FORMAT_PCM_16, control, nullptr);
}

Result prepareWav(const std::string &inPath, const std::string &wavPath,
                  const JobControl &control) {
    WavInfo info;
    if (!wavInfo(inPath, info)) return unreadable(inPath);
    return info.native ? copyFile(inPath, wavPath, control)
                       : convertToPcm16(inPath, wavPath, control);
}

Result removeCentre(const std::string &inPath, const std::string &wavPath,
                    const JobControl &control) {
    WavInfo info;
    if (!wavInfo(inPath, info)) return unreadable(inPath);
    if (info.channels != 2) {
        Result result;
        result.error = inPath + ": only stereo sounds have a centre to remove";
        return result;
    }
    // 8-bit sounds are read scaled to 16 bits and written back scaled down, so the saturated
    // 16-bit difference is the saturated 8-bit one.
    const int format = info.bits == 8 ? SF_FORMAT_PCM_U8 : SF_FORMAT_PCM_16;
    return transformWav(inPath, wavPath, format, control, [](short *frames, sf_count_t count, int) {
        for (sf_count_t k = 0; k < count; ++k) {
            short *f = frames + 2 * k;
            f[0] = f[1] = saturate(int(f[0]) - int(f[1]));
        }
    });
}

Result removeCentreSpectral(const std::string &inPath, const std::string &wavPath,
                            const JobControl &control) {
    Result result;
    SF_INFO info{};
    SoundFile in = openForReading(inPath, info, result.error);
    if (!in) return result;
    if (info.channels != 2) {
        result.error = inPath + ": only stereo sounds have a centre to remove";
        return result;
    }
    // Every PCM depth reads exactly as floats -1...1; float sounds are clipped to that.
    const bool eightBit = (info.format & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_U8;
    // Reading, removing and writing count a third of the progress each.
    const long long frames = std::max<sf_count_t>(info.frames, 0);
    JobProgress progress(control, 3 * frames);
    PlanarStereo sound;
    sound.left.reserve(size_t(frames));
    sound.right.reserve(size_t(frames));
    std::vector<float> block(size_t(kBlockFrames) * 2);
    for (;;) {
        if (progress.cancelled()) {
            result.error = "cancelled";
            return result;
        }
        const sf_count_t n = sf_readf_float(in.get(), block.data(), kBlockFrames);
        if (n <= 0) break;
        for (sf_count_t k = 0; k < n; ++k) {
            sound.left.push_back(std::clamp(block[size_t(2 * k)], -1.0f, 1.0f));
            sound.right.push_back(std::clamp(block[size_t(2 * k + 1)], -1.0f, 1.0f));
        }
        progress.advance(n);
    }
    in.reset();

    JobControl inner;
    inner.cancel = control.cancel;
    const long long read = (long long)sound.frames();
    long long reportedDone = 0;
    if (control.progress)
        inner.progress = [&](int percent) {
            const long long now = read * percent / 100;
            progress.advance(now - reportedDone);
            reportedDone = now;
        };
    if (!CentreRemover(info.samplerate).process(sound, {}, inner)) {
        result.error = "cancelled";
        return result;
    }
    progress.advance(read - reportedDone);

    OutputFile out(wavPath);
    SoundFile wav = createWav(out, eightBit ? SF_FORMAT_PCM_U8 : SF_FORMAT_PCM_16, info.samplerate,
                              2, result.error);
    if (!wav) return result;
    // Rounded to the output's depth here; libsndfile writes 8-bit as the top byte of a short.
    const float scale = eightBit ? 128.0f : 32768.0f;
    const int shift = eightBit ? 8 : 0;
    const int top = eightBit ? 127 : 32767, bottom = eightBit ? -128 : -32768;
    auto toShort = [&](float v) {
        const long q = std::lrint(double(v) * scale);
        return short(std::clamp<long>(q, bottom, top) * (1 << shift));
    };
    std::vector<short> pcm(size_t(kBlockFrames) * 2);
    for (size_t first = 0; first < sound.frames(); first += size_t(kBlockFrames)) {
        if (progress.cancelled()) {
            result.error = "cancelled";
            return result;
        }
        const size_t n = std::min(sound.frames() - first, size_t(kBlockFrames));
        for (size_t k = 0; k < n; ++k) {
            pcm[2 * k] = toShort(sound.left[first + k]);
            pcm[2 * k + 1] = toShort(sound.right[first + k]);
        }
        if (sf_writef_short(wav.get(), pcm.data(), sf_count_t(n)) != sf_count_t(n)) {
            result.error = "cannot write " + wavPath + " (disk full?)";
            return result;
        }
        progress.advance((long long)n);
    }
    if (!closeWritten(wav, wavPath, result.error) || !out.commit(result.error)) return result;
    result.ok = true;
    progress.finished();
    return result;
}

} // namespace codec
