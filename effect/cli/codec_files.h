#pragma once
// Sound files lyravox-fx takes beyond what the effect control reads itself: MP3 input and
// output (by the file's extension), and WAV files other than 8/16-bit PCM (24-bit, float,
// extensible), which are converted to 16-bit PCM first. Working files live in a private
// temporary folder that goes with this object.
#include "codec.h"

#include <string>

class CodecFiles {
public:
    CodecFiles() = default;
    ~CodecFiles();
    CodecFiles(const CodecFiles &) = delete;
    CodecFiles &operator=(const CodecFiles &) = delete;

    codec::EncodeOptions options; // for MP3 output

    // The file the effect control is to load for `path`; empty (with a message) on failure.
    std::string input(const std::string &path);
    // The file the effect control is to save for `path`: `path` itself, or a working WAV that
    // finish() encodes to `path`.
    std::string output(const std::string &path);
    // Encodes the working WAV of an MP3 output; true when there is none or it is written.
    bool finish();

private:
    bool makeFolder();

    std::string m_folder;
    std::string m_mp3Out, m_wavOut;
};
