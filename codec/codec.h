#pragma once
// MP3 and WAV conversion for the player and lyravox-fx, without Qt: libmpg123 decodes, libmp3lame
// encodes, libsndfile reads every PCM or float WAV. Each job writes its output under a temporary
// name in the output's folder and renames it into place when complete, so an existing output is
// always a finished one and a failed or cancelled job leaves the old file as it was.
// Jobs block; run them on a worker thread. They are safe to run concurrently.
#include <atomic>
#include <functional>
#include <string>

namespace codec {

struct Result {
    bool ok = false;
    std::string error; // why it failed (English, for logs and the command line)
};

// What a caller may do while a job runs. Both members are optional.
struct JobControl {
    std::function<void(int percent)> progress; // 0...100, from the job's thread, increasing
    const std::atomic<bool> *cancel = nullptr; // set to stop the job; it then fails
};

// MP3 to 16-bit PCM WAV with the first frame's sample rate and channel count.
Result decodeMp3(const std::string &mp3Path, const std::string &wavPath,
                 const JobControl &control = {});

struct EncodeOptions {
    int bitRate = 128000;   // bit/s, constant bit rate
    int sampleRate = 44100; // Hz of the MP3; the input is resampled when it differs
};

// Any WAV libsndfile reads (8/16/24/32-bit PCM, float, extensible; mono or stereo) to MP3.
Result encodeMp3(const std::string &wavPath, const std::string &mp3Path,
                 const EncodeOptions &options = {}, const JobControl &control = {});

// Any WAV libsndfile reads to 16-bit PCM WAV at its own rate (mono or stereo).
Result convertToPcm16(const std::string &inPath, const std::string &wavPath,
                      const JobControl &control = {});

// The file the effect control is to load for a WAV track: an exact copy of a WAV it reads
// (8/16-bit PCM), any other WAV converted to 16-bit PCM.
Result prepareWav(const std::string &inPath, const std::string &wavPath,
                  const JobControl &control = {});

// A stereo WAV whose frames all become (L - R, L - R), saturated: the sound common to both
// channels cancels. Rate and 8/16-bit depth stay (other depths become 16-bit). Fails for a
// sound that is not stereo.
Result removeCentre(const std::string &inPath, const std::string &wavPath,
                    const JobControl &control = {});

// A stereo WAV (any format libsndfile reads) without the sound panned to its centre in the voice
// band, while the bass and everything panned to a side stay (see CentreRemover). Rate and 8-bit
// depth stay (other depths become 16-bit). Fails for a sound that is not stereo.
Result removeCentreSpectral(const std::string &inPath, const std::string &wavPath,
                            const JobControl &control = {});

// The sound format of a WAV libsndfile reads; false when it cannot read it.
struct WavInfo {
    int sampleRate = 0;
    int channels = 0;
    bool pcm16 = false;  // plain 16-bit PCM
    bool native = false; // 8- or 16-bit PCM in a plain WAV: what the effect control reads
    int bits = 0;        // 8 or 16 for those, 0 for other sample formats
    long long frames = 0;
};
bool wavInfo(const std::string &path, WavInfo &info);

} // namespace codec
