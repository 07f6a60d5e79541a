#include "output_file.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace codec {

OutputFile::OutputFile(std::string target) : m_target(std::move(target)) {}

OutputFile::~OutputFile() {
    if (m_fd >= 0) ::close(m_fd);
    if (!m_committed && !m_temp.empty()) ::unlink(m_temp.c_str());
}

bool OutputFile::open(std::string &error) {
    const size_t slash = m_target.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : m_target.substr(0, slash);
    const std::string name = slash == std::string::npos ? m_target : m_target.substr(slash + 1);
    // Created with 0666 so that the kernel applies the umask, as for a plainly created file:
    // the umask is never read or set here, since setting it (the only way to read it) would
    // race with every other thread of the process that creates a file.
    static std::atomic<unsigned> counter{0};
    std::mt19937_64 random(std::random_device{}() ^ uint64_t(::getpid()) ^
                           uint64_t(counter.fetch_add(1)) << 32);
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    int err = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string temp = folder + "/." + name.substr(0, 200) + ".";
        for (int k = 0; k < 6; ++k)
            temp += kLetters[random() % (sizeof kLetters - 1)];
        m_fd = ::open(temp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (m_fd >= 0) {
            m_temp = temp;
            return true;
        }
        err = errno;
        if (err != EEXIST) break;
    }
    error = "cannot create a file in " + folder + ": " + std::strerror(err);
    return false;
}

int OutputFile::release() {
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}

bool OutputFile::commit(std::string &error) {
    if (m_fd >= 0) {
        if (::close(m_fd) != 0) {
            m_fd = -1;
            error = std::string("cannot finish the output: ") + std::strerror(errno);
            return false;
        }
        m_fd = -1;
    }
    if (std::rename(m_temp.c_str(), m_target.c_str()) != 0) {
        error = "cannot write " + m_target + ": " + std::strerror(errno);
        return false;
    }
    m_committed = true;
    return true;
}

} // namespace codec
