#include "output_file.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

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
    std::string pattern = folder + "/." + name.substr(0, 200) + ".XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    m_fd = ::mkstemp(buffer.data());
    if (m_fd < 0) {
        error = "cannot create a file in " + folder + ": " + std::strerror(errno);
        return false;
    }
    m_temp = buffer.data();
    // Keep the permissions a plainly created file would get.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(m_fd, 0666 & ~mask);
    return true;
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
