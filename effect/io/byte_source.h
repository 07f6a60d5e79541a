#pragma once
// Where the sound file readers take their bytes from: a file, or memory (tests and fuzzing).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace lvx::fx {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Reads up to `size` bytes; fewer only at the end of the data or on a read error.
    virtual size_t read(void *buffer, size_t size) = 0;
    // Skips `count` bytes; false when the data ends first.
    virtual bool skip(uint64_t count);
    // Bytes left to read, or -1 when the source cannot tell (a pipe).
    virtual int64_t remaining() const { return -1; }
};

class FileSource : public ByteSource {
public:
    FileSource() = default;
    ~FileSource() override;
    FileSource(const FileSource &) = delete;
    FileSource &operator=(const FileSource &) = delete;

    bool open(const std::string &path);
    void close();
    size_t read(void *buffer, size_t size) override;
    bool skip(uint64_t count) override;
    int64_t remaining() const override;

private:
    std::FILE *m_file = nullptr;
    bool m_seekable = false;
};

class MemorySource : public ByteSource {
public:
    MemorySource(const uint8_t *data, size_t size) : m_data(data), m_size(size) {}
    size_t read(void *buffer, size_t size) override;
    bool skip(uint64_t count) override;
    int64_t remaining() const override { return int64_t(m_size - m_pos); }

private:
    const uint8_t *m_data;
    size_t m_size;
    size_t m_pos = 0;
};

} // namespace lvx::fx
