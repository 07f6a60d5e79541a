#pragma once
// libsndfile handles shared by the codec's WAV jobs.
#include "output_file.h"

#include <memory>
#include <sndfile.h>
#include <string>

namespace codec {

struct SndClose {
    void operator()(SNDFILE *f) const { sf_close(f); }
};
using SoundFile = std::unique_ptr<SNDFILE, SndClose>;

// Opens `path` for reading; on failure `error` says why.
SoundFile openForReading(const std::string &path, SF_INFO &info, std::string &error);
// Float sounds are read as shorts scaled from -1...1, clipped rather than wrapped.
void readScaled(SNDFILE *in);
// A WAV of `format` (SF_FORMAT_PCM_16, SF_FORMAT_PCM_U8) on the output's temporary file.
SoundFile createWav(OutputFile &out, int format, int sampleRate, int channels, std::string &error);
// Closes a written sound; false (with `error`) when its last bytes could not be written.
bool closeWritten(SoundFile &wav, const std::string &path, std::string &error);

} // namespace codec
