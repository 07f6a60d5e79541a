// The AU reader on arbitrary bytes after the ".snd" tag.
#include "au_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    lvx::fx::MemorySource source(data, size);
    lvx::fx::AuReader reader;
    const lvx::fx::MessageFn quiet = [](const char *) {};
    if (!reader.readHeader(source, quiet)) return 0;
    std::vector<uint8_t> out;
    reader.readData(source, quiet, out);
    const auto &f = reader.format();
    if ((f.channels != 1 && f.channels != 2) || f.sampleRate <= 0 ||
        out.size() % size_t(f.bytesPerSample) != 0)
        __builtin_trap();
    return 0;
}
