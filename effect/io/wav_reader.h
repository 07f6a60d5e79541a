#pragma once
// Reads PCM WAV files (8-bit unsigned or 16-bit signed, mono or stereo) into the data-chunk
// layout the sound store keeps. Chunks other than "fmt " and "data" are skipped, with the pad
// byte of odd-sized chunks.
#include "byte_source.h"
#include "sound_format.h"

#include <vector>

namespace lvx::fx {

class WavReader {
public:
    // Reads from just after the "RIFF" tag up to the start of the data chunk's bytes.
    // False when the file is not a WAV file this reader can take.
    bool readHeader(ByteSource &source);
    const SoundFormat &format() const { return m_format; }
    uint32_t dataSize() const { return m_dataSize; }

    // Reads the bytes [rangeStart, end) of the data chunk, where end is rangeEnd, or the
    // loadPercent share of the chunk when rangeEnd is -1 or lies beyond that share; rangeEnd
    // receives the end used. False (and `out` empty) when the data end before that.
    bool readData(ByteSource &source, int loadPercent, int32_t rangeStart, int32_t &rangeEnd,
                  std::vector<uint8_t> &out);

private:
    SoundFormat m_format;
    uint32_t m_dataSize = 0;
};

// Reads `count` bytes into `out` in steps, so that a size field promising more than the
// source holds never allocates it up front. Returns the number of bytes read.
size_t readGrowing(ByteSource &source, size_t count, std::vector<uint8_t> &out);

} // namespace lvx::fx
