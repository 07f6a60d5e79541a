#include "au_reader.h"

#include "g711.h"
#include "wav_reader.h"

namespace lvx::fx {
namespace {

constexpr uint32_t kMuLaw = 1;
constexpr uint32_t kLinear8 = 2;
constexpr uint32_t kLinear16 = 3;
constexpr uint32_t kALaw = 27;

uint32_t be32(const uint8_t *b) {
    return (static_cast<uint32_t>(b[0]) << 24) | (b[1] << 16) | (b[2] << 8) | b[3];
}

} // namespace

bool AuReader::readHeader(ByteSource &source, const MessageFn &message) {
    uint8_t h[20];
    if (source.read(h, 20) != 20) {
        message("Unexpected End of File.");
        return false;
    }
    const uint32_t offset = be32(h);
    m_dataSize = be32(h + 4);
    m_encoding = be32(h + 8);
    const uint32_t rate = be32(h + 12);
    const uint32_t channels = be32(h + 16);
    if (offset < 24) {
        message("Invalid .AU sample offset.");
        return false;
    }
    if (!source.skip(offset - 24)) {
        message("Unexpected end of file.");
        return false;
    }
    if (m_encoding != kMuLaw && m_encoding != kLinear8 && m_encoding != kLinear16 &&
        m_encoding != kALaw) {
        message("Unsupported .AU sample encoding.");
        return false;
    }
    if ((channels != 1 && channels != 2) || rate == 0 || rate > 0x7FFFFFFF) {
        message("Unsupported .AU sample format.");
        return false;
    }
    // 0xFFFFFFFF means "size not given"; a size that expands beyond 2 GiB cannot be held.
    const bool expands = m_encoding == kMuLaw || m_encoding == kALaw;
    if (m_dataSize == 0xFFFFFFFF || int64_t(m_dataSize) * (expands ? 2 : 1) > kMaxSoundBytes) {
        message("Unsupported .AU data size.");
        return false;
    }
    m_format.channels = static_cast<uint16_t>(channels);
    m_format.bytesPerSample = m_encoding == kLinear8 ? 1 : 2;
    m_format.sampleRate = static_cast<int32_t>(rate);
    return true;
}

void AuReader::readData(ByteSource &source, const MessageFn &message, std::vector<uint8_t> &out) {
    const size_t got = readGrowing(source, m_dataSize, out);
    if (m_encoding == kMuLaw || m_encoding == kALaw) {
        if (got < m_dataSize)
            message("Unexpected End of File.  Continuing anyway.  Sound may "
                    "contain garbage.");
        std::vector<uint8_t> codes;
        codes.swap(out);
        out.resize(codes.size() * 2);
        for (size_t i = 0; i < codes.size(); ++i) {
            const int16_t v = m_encoding == kMuLaw ? expandMuLaw(codes[i]) : expandALaw(codes[i]);
            out[2 * i] = static_cast<uint8_t>(v & 0xFF);
            out[2 * i + 1] = static_cast<uint8_t>((v >> 8) & 0xFF);
        }
        return;
    }
    if (got < m_dataSize) message("Unexpected end of file.  Sound may contain garbage.");
    // Half a 16-bit sample at the end cannot be turned around; it is left out.
    if (m_encoding == kLinear16) out.resize(got & ~size_t(1));
    if (m_encoding == kLinear8) {
        for (uint8_t &b : out)
            b = static_cast<uint8_t>(b - 128);
    } else {
        for (size_t i = 0; i + 1 < out.size(); i += 2)
            std::swap(out[i], out[i + 1]);
    }
}

} // namespace lvx::fx
