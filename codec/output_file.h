#pragma once
// The output of a codec job: a temporary file beside the target, renamed onto it on success and
// removed otherwise.
#include <string>

namespace codec {

class OutputFile {
public:
    explicit OutputFile(std::string target);
    ~OutputFile(); // removes the temporary file unless committed
    OutputFile(const OutputFile &) = delete;
    OutputFile &operator=(const OutputFile &) = delete;

    // Creates the temporary file; the descriptor stays owned by this object until released.
    bool open(std::string &error);
    int fd() const { return m_fd; }
    // The caller (libsndfile, fdopen) now closes the descriptor.
    int release();
    // Closes the descriptor if still owned and renames the file onto the target.
    bool commit(std::string &error);

private:
    std::string m_target;
    std::string m_temp;
    int m_fd = -1;
    bool m_committed = false;
};

} // namespace codec
