#include "wav_writer.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lvx::fx {
namespace {

constexpr size_t kPiece = size_t(1) << 20;

void put16(uint8_t *p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void put32(uint8_t *p, uint32_t v) {
    put16(p, v & 0xFFFF);
    put16(p + 2, v >> 16);
}

enum class Outcome { Written, Failed, Stopped };

bool writeFully(int fd, const uint8_t *p, size_t n) {
    while (n > 0) {
        const ssize_t done = ::write(fd, p, n);
        if (done < 0 && errno == EINTR) continue;
        if (done <= 0) return false;
        p += done;
        n -= size_t(done);
    }
    return true;
}

Outcome writeContents(int fd, const uint8_t (&header)[44], const uint8_t *data, size_t size,
                      const std::function<bool()> &stopped) {
    if (!writeFully(fd, header, sizeof header)) return Outcome::Failed;
    for (size_t at = 0; at < size; at += kPiece) {
        if (stopped && stopped()) return Outcome::Stopped;
        if (!writeFully(fd, data + at, std::min(kPiece, size - at))) return Outcome::Failed;
    }
    return Outcome::Written;
}

// The file a regular-file write replaces: the target of a symbolic link, else the path.
// Empty when the path is to be written directly (a device, a pipe, a dangling link).
std::string replacedFile(const std::string &path, struct stat &existing, bool &exists) {
    exists = stat(path.c_str(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode)) return {};
    struct stat link {};
    if (lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        if (!exists) return {};
        char *real = realpath(path.c_str(), nullptr);
        if (!real) return {};
        std::string resolved(real);
        std::free(real);
        return resolved;
    }
    return path;
}

// Creates a new file beside `target` that no one else uses; -1 when the folder refuses.
int createTemporary(const std::string &target, std::string &name) {
    static std::atomic<unsigned> counter{0};
    const size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
        char suffix[64];
        std::snprintf(suffix, sizeof suffix, ".%d.%u.%llx.tmp", int(getpid()), counter++,
                      static_cast<unsigned long long>(now) & 0xFFFFFF);
        name = folder + (slash == std::string::npos ? "/." : ".") + base + suffix;
        // 0666 less the umask, as a file created in place would get.
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

} // namespace

bool writeWav(const std::string &path, const SoundFormat &format, const uint8_t *data, size_t size,
              const MessageFn &message, const std::function<bool()> &stopped) {
    const uint32_t length = static_cast<uint32_t>(size);
    const uint32_t bps = static_cast<uint32_t>(format.bytesPerSample);
    uint8_t h[44];
    std::memcpy(h, "RIFF", 4);
    put32(h + 4, length + 36);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    put32(h + 16, 16);
    put16(h + 20, 1);
    put16(h + 22, format.channels);
    put32(h + 24, static_cast<uint32_t>(format.sampleRate));
    put32(h + 28, bps * static_cast<uint32_t>(format.sampleRate) * format.channels);
    put16(h + 32, bps * format.channels);
    put16(h + 34, bps * 8);
    std::memcpy(h + 36, "data", 4);
    put32(h + 40, length);

    struct stat existing {};
    bool exists = false;
    const std::string target = replacedFile(path, existing, exists);
    std::string temporary;
    const int fd = target.empty()
                       ? ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666)
                       : createTemporary(target, temporary);
    if (fd < 0) {
        message("Unable to open file.");
        return false;
    }
    if (!temporary.empty() && exists) {
        // The replacement keeps what the old file allowed; a failure here is not fatal.
        if (fchown(fd, existing.st_uid, existing.st_gid) != 0) {
        }
        fchmod(fd, existing.st_mode & 07777);
    }

    Outcome outcome = writeContents(fd, h, data, size, stopped);
    // A full disk may show up only at the close.
    if (::close(fd) != 0 && outcome == Outcome::Written) outcome = Outcome::Failed;
    if (outcome == Outcome::Written && !temporary.empty() &&
        std::rename(temporary.c_str(), target.c_str()) != 0)
        outcome = Outcome::Failed;
    if (outcome != Outcome::Written && !temporary.empty()) ::unlink(temporary.c_str());

    if (outcome == Outcome::Failed) message("Error writing to file.");
    if (outcome == Outcome::Stopped) message("Saving was stopped.");
    return outcome == Outcome::Written;
}

} // namespace lvx::fx
