// codec_run decode IN.mp3 OUT.wav | encode IN.wav OUT.mp3 [BITRATE] | pcm16 IN.wav OUT.wav
// Runs one job of the codec library, as the player does, and exits 0 on success.
#include "codec.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char **argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: codec_run decode|encode|pcm16 IN OUT [BITRATE]\n");
        return 2;
    }
    codec::Result r;
    if (std::strcmp(argv[1], "decode") == 0) {
        r = codec::decodeMp3(argv[2], argv[3]);
    } else if (std::strcmp(argv[1], "encode") == 0) {
        codec::EncodeOptions options;
        if (argc > 4) options.bitRate = std::atoi(argv[4]);
        r = codec::encodeMp3(argv[2], argv[3], options);
    } else if (std::strcmp(argv[1], "pcm16") == 0) {
        r = codec::convertToPcm16(argv[2], argv[3]);
    } else {
        std::fprintf(stderr, "unknown job %s\n", argv[1]);
        return 2;
    }
    if (!r.ok) std::fprintf(stderr, "codec_run: %s\n", r.error.c_str());
    return r.ok ? 0 : 1;
}
