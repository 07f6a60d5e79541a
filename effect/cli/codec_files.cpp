#include "codec_files.h"

#include <cstdio>
#include <cstdlib>
#include <ftw.h>
#include <strings.h>
#include <vector>

namespace {

bool hasExtension(const std::string &path, const char *ext) {
    const size_t slash = path.rfind('/');
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
    return strcasecmp(path.c_str() + dot + 1, ext) == 0;
}

int removeEntry(const char *path, const struct stat *, int, struct FTW *) {
    return std::remove(path);
}

} // namespace

CodecFiles::~CodecFiles() {
    if (!m_folder.empty()) nftw(m_folder.c_str(), removeEntry, 8, FTW_DEPTH | FTW_PHYS);
}

bool CodecFiles::makeFolder() {
    if (!m_folder.empty()) return true;
    const char *tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/lyravox-fx.XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!mkdtemp(buffer.data())) {
        std::perror("lyravox-fx: cannot create a working folder");
        return false;
    }
    m_folder = buffer.data();
    return true;
}

std::string CodecFiles::input(const std::string &path) {
    codec::WavInfo info;
    const bool mp3 = hasExtension(path, "mp3");
    if (!mp3 && (!codec::wavInfo(path, info) || info.native)) return path;
    if (!makeFolder()) return std::string();
    const std::string wav = m_folder + "/input.wav";
    const codec::Result r = mp3 ? codec::decodeMp3(path, wav) : codec::convertToPcm16(path, wav);
    if (!r.ok) {
        std::fprintf(stderr, "lyravox-fx: %s\n", r.error.c_str());
        return std::string();
    }
    return wav;
}

std::string CodecFiles::output(const std::string &path) {
    if (!hasExtension(path, "mp3")) return path;
    if (!makeFolder()) return std::string();
    m_mp3Out = path;
    m_wavOut = m_folder + "/output.wav";
    return m_wavOut;
}

bool CodecFiles::finish() {
    if (m_mp3Out.empty()) return true;
    const codec::Result r = codec::encodeMp3(m_wavOut, m_mp3Out, options);
    if (!r.ok) std::fprintf(stderr, "lyravox-fx: %s\n", r.error.c_str());
    return r.ok;
}
