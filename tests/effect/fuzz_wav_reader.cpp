// The WAV reader on arbitrary bytes: header, then the data part at several load shares.
#include "wav_reader.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 5) return 0;
    // The first byte picks the share and the range; the rest is the file after "RIFF".
    const int percent = data[0] % 128;
    const int32_t start = (data[0] & 0x80) ? 2 : 0;
    lvx::fx::MemorySource source(data + 1, size - 1);
    lvx::fx::WavReader reader;
    if (!reader.readHeader(source)) return 0;
    int32_t end = (data[0] & 0x40) ? 64 : -1;
    std::vector<uint8_t> out;
    if (reader.readData(source, percent, start, end, out) && out.size() != size_t(end - start))
        __builtin_trap();
    return 0;
}
