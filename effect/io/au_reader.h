#pragma once
// Reads Sun AU files: 8-bit G.711 mu-law and A-law (expanded to 16-bit), 8-bit signed linear
// (stored unsigned) and 16-bit big-endian linear (stored little-endian); mono or stereo.
#include "byte_source.h"
#include "sound_format.h"

#include <vector>

namespace lvx::fx {

class AuReader {
public:
    // Reads from just after the ".snd" tag up to the first data byte. False (after a message
    // for a damaged header) when the file cannot be loaded.
    bool readHeader(ByteSource &source, const MessageFn &message);
    const SoundFormat &format() const { return m_format; }

    // Reads and converts the whole data part. A file that ends early keeps the whole samples
    // that were read, after a message.
    void readData(ByteSource &source, const MessageFn &message, std::vector<uint8_t> &out);

private:
    SoundFormat m_format;
    uint32_t m_dataSize = 0;
    uint32_t m_encoding = 0;
};

} // namespace lvx::fx
