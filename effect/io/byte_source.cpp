#include "byte_source.h"

#include <algorithm>
#include <cstring>
#include <sys/stat.h>

namespace lvx::fx {

bool ByteSource::skip(uint64_t count) {
    uint8_t scratch[4096];
    while (count > 0) {
        const size_t step = static_cast<size_t>(std::min<uint64_t>(count, sizeof scratch));
        if (read(scratch, step) != step) return false;
        count -= step;
    }
    return true;
}

FileSource::~FileSource() {
    close();
}

bool FileSource::open(const std::string &path) {
    close();
    m_file = std::fopen(path.c_str(), "rb");
    if (!m_file) return false;
    struct stat st {};
    if (fstat(fileno(m_file), &st) != 0 || S_ISDIR(st.st_mode)) {
        close();
        return false;
    }
    // Pipes and devices cannot seek; they are skipped over by reading.
    m_seekable = S_ISREG(st.st_mode);
    return true;
}

void FileSource::close() {
    if (m_file) std::fclose(m_file);
    m_file = nullptr;
}

size_t FileSource::read(void *buffer, size_t size) {
    return m_file ? std::fread(buffer, 1, size, m_file) : 0;
}

bool FileSource::skip(uint64_t count) {
    if (!m_file) return false;
    if (!m_seekable) return ByteSource::skip(count);
    // Seeking past the end succeeds, so compare against the file size first.
    const off_t here = ftello(m_file);
    struct stat st {};
    if (here < 0 || fstat(fileno(m_file), &st) != 0) return ByteSource::skip(count);
    if (count > static_cast<uint64_t>(st.st_size - here)) {
        fseeko(m_file, 0, SEEK_END);
        return false;
    }
    return fseeko(m_file, static_cast<off_t>(count), SEEK_CUR) == 0;
}

int64_t FileSource::remaining() const {
    struct stat st {};
    const off_t here = m_file && m_seekable ? ftello(m_file) : -1;
    if (here < 0 || fstat(fileno(m_file), &st) != 0) return -1;
    return std::max<int64_t>(st.st_size - here, 0);
}

size_t MemorySource::read(void *buffer, size_t size) {
    const size_t n = std::min(size, m_size - m_pos);
    if (n > 0) std::memcpy(buffer, m_data + m_pos, n);
    m_pos += n;
    return n;
}

bool MemorySource::skip(uint64_t count) {
    if (count > m_size - m_pos) {
        m_pos = m_size;
        return false;
    }
    m_pos += static_cast<size_t>(count);
    return true;
}

} // namespace lvx::fx
