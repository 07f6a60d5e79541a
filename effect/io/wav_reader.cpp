#include "wav_reader.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <sys/mman.h>

namespace lvx::fx {
namespace {

bool readU32(ByteSource &source, uint32_t &value) {
    uint8_t b[4];
    if (source.read(b, 4) != 4) return false;
    value = b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24);
    return true;
}

uint16_t u16(const uint8_t *b) {
    return static_cast<uint16_t>(b[0] | (b[1] << 8));
}
uint32_t u32(const uint8_t *b) {
    return u16(b) | (static_cast<uint32_t>(u16(b + 2)) << 16);
}

// A sound of many megabytes is faulted in 4 KiB at a time otherwise; on virtual machines that
// costs more than reading the file. Huge pages are only a hint: failure changes nothing.
void adviseHugePages(void *data, size_t bytes) {
#ifdef MADV_HUGEPAGE
    constexpr uintptr_t kPage = 4096;
    const uintptr_t begin = (reinterpret_cast<uintptr_t>(data) + kPage - 1) & ~(kPage - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(data) + bytes) & ~(kPage - 1);
    if (bytes >= (8u << 20) && end > begin)
        madvise(reinterpret_cast<void *>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)data;
    (void)bytes;
#endif
}

} // namespace

size_t readGrowing(ByteSource &source, size_t count, std::vector<uint8_t> &out) {
    constexpr size_t kStep = 1 << 20;
    out.clear();
    // One allocation when the size is known; a size field alone is never trusted with it.
    const int64_t left = source.remaining();
    if (left >= 0) {
        out.reserve(std::min(count, static_cast<size_t>(left)));
        adviseHugePages(out.data(), out.capacity());
    }
    size_t done = 0;
    while (done < count) {
        const size_t step = std::min(kStep, count - done);
        out.resize(done + step);
        const size_t got = source.read(out.data() + done, step);
        done += got;
        if (got < step) break;
    }
    out.resize(done);
    return done;
}

bool WavReader::readHeader(ByteSource &source) {
    uint32_t riffSize = 0;
    uint8_t form[4];
    if (!readU32(source, riffSize) || source.read(form, 4) != 4) return false;

    bool haveFormat = false;
    for (;;) {
        uint8_t id[4];
        uint32_t size = 0;
        if (source.read(id, 4) != 4 || !readU32(source, size)) return false;
        if (std::memcmp(id, "fmt ", 4) == 0) {
            if (haveFormat || size < 16) return false;
            uint8_t f[16];
            if (source.read(f, 16) != 16) return false;
            const uint16_t tag = u16(f);
            const uint16_t channels = u16(f + 2);
            const uint32_t rate = u32(f + 4);
            const uint16_t blockAlign = u16(f + 12);
            if (tag != 1 || (channels != 1 && channels != 2)) return false;
            const int bytesPerSample = blockAlign / channels;
            // 24- and 32-bit data would be taken apart as 16-bit samples; refuse them.
            if (bytesPerSample != 1 && bytesPerSample != 2) return false;
            if (rate == 0 || rate > 0x7FFFFFFF) return false;
            m_format.channels = channels;
            m_format.bytesPerSample = bytesPerSample;
            m_format.sampleRate = static_cast<int32_t>(rate);
            if (!source.skip(uint64_t(size) - 16 + (size & 1))) return false;
            haveFormat = true;
        } else if (std::memcmp(id, "data", 4) == 0) {
            if (!haveFormat) return false;
            m_dataSize = size;
            return true;
        } else if (!source.skip(uint64_t(size) + (size & 1))) {
            return false;
        }
    }
}

bool WavReader::readData(ByteSource &source, int loadPercent, int32_t rangeStart, int32_t &rangeEnd,
                         std::vector<uint8_t> &out) {
    out.clear();
    const double share = loadPercent * 0.01 * m_dataSize;
    const int64_t n = static_cast<int64_t>(std::clamp(share, -1.0, double(kMaxSoundBytes)));
    if (rangeEnd == -1 || rangeEnd > n) rangeEnd = static_cast<int32_t>(n);
    const int64_t start = std::max<int32_t>(rangeStart, 0);
    const int64_t count = int64_t(rangeEnd) - start;
    if (count < 0) return false;
    if (!source.skip(static_cast<uint64_t>(start))) return false;
    if (readGrowing(source, static_cast<size_t>(count), out) != static_cast<size_t>(count)) {
        out.clear();
        out.shrink_to_fit();
        return false;
    }
    return true;
}

} // namespace lvx::fx
