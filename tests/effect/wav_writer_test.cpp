// The WAV writer on its own: whole files or none, in place of an existing file.
#include "fx_test_support.h"
#include "wav_writer.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace fxtest;
using lvx::fx::SoundFormat;
using lvx::fx::writeWav;

namespace {

class WavWriter : public ::testing::Test {
protected:
    bool write(const std::string &path, const std::vector<uint8_t> &data,
               const std::function<bool()> &stopped = {}) {
        return writeWav(
            path, format, data.data(), data.size(),
            [this](const char *text) { texts.emplace_back(text); }, stopped);
    }
    // What a complete file holds for `data`.
    std::vector<uint8_t> expected(const std::vector<uint8_t> &data) const {
        return wavFile(format.channels, format.bytesPerSample, format.sampleRate, data);
    }
    mode_t modeOf(const std::string &path) const {
        struct stat st {};
        EXPECT_EQ(stat(path.c_str(), &st), 0);
        return st.st_mode & 07777;
    }

    TempDir dir;
    SoundFormat format{2, 2, 44100};
    std::vector<std::string> texts;
    const std::vector<uint8_t> oldFile = {'k', 'e', 'e', 'p', ' ', 'm', 'e'};
    const std::vector<uint8_t> samples = noise(3 * (1 << 20) + 10, 6);
};

// Runs `body` in a child process (limits and users stay there); its exit code is returned.
int inChild(const std::function<int()> &body) {
    const pid_t child = fork();
    if (child == 0) _exit(body());
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

} // namespace

TEST_F(WavWriter, ANewFileIsWrittenWholeWithTheUsualPermissions) {
    const mode_t mask = umask(022);
    const std::string path = dir.path("new.wav");
    EXPECT_TRUE(write(path, samples));
    umask(mask);
    EXPECT_EQ(readFile(path), expected(samples));
    EXPECT_EQ(modeOf(path), mode_t(0644));
    EXPECT_TRUE(texts.empty());
    EXPECT_EQ(listFolder(dir.path("")), std::vector<std::string>{"new.wav"});
}

TEST_F(WavWriter, AnExistingFileIsReplacedAndKeepsItsPermissions) {
    const std::string path = dir.path("old.wav");
    writeFile(path, oldFile);
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    EXPECT_TRUE(write(path, samples));
    EXPECT_EQ(readFile(path), expected(samples));
    EXPECT_EQ(modeOf(path), mode_t(0640));
    EXPECT_EQ(listFolder(dir.path("")), std::vector<std::string>{"old.wav"});
}

TEST_F(WavWriter, ALinkStaysALinkAndItsTargetIsReplaced) {
    const std::string target = dir.path("target.wav");
    const std::string link = dir.path("link.wav");
    writeFile(target, oldFile);
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
    EXPECT_TRUE(write(link, samples));
    struct stat st {};
    ASSERT_EQ(lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(readFile(target), expected(samples));
    EXPECT_EQ(listFolder(dir.path("")), (std::vector<std::string>{"link.wav", "target.wav"}));
}

TEST_F(WavWriter, FailedOrStoppedWritesLeaveTheOldFileAndNoPartialFile) {
    struct Case {
        const char *name;
        std::function<bool()> stopped;
        const char *message;
    };
    int asked = 0;
    const std::vector<Case> cases = {
        {"stopped before the data", [] { return true; }, "Saving was stopped."},
        {"stopped after two pieces", [&] { return ++asked > 2; }, "Saving was stopped."},
    };
    const std::string path = dir.path("out.wav");
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(path, oldFile);
        texts.clear();
        EXPECT_FALSE(write(path, samples, c.stopped));
        EXPECT_EQ(readFile(path), oldFile);
        EXPECT_EQ(texts, std::vector<std::string>{c.message});
        EXPECT_EQ(listFolder(dir.path("")), std::vector<std::string>{"out.wav"});
    }

    // A file size limit stands for a full disk.
    texts.clear();
    const int full = inChild([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit small{100000, 100000};
        if (setrlimit(RLIMIT_FSIZE, &small) != 0) return 2;
        if (write(path, samples)) return 3;
        return texts == std::vector<std::string>{"Error writing to file."} ? 0 : 4;
    });
    EXPECT_EQ(full, 0);
    EXPECT_EQ(readFile(path), oldFile);
    EXPECT_EQ(listFolder(dir.path("")), std::vector<std::string>{"out.wav"});
}

TEST_F(WavWriter, AFolderThatCannotBeWrittenLeavesTheOldFile) {
    ASSERT_EQ(chmod(dir.path("").c_str(), 0755), 0); // others may look in
    const std::string folder = dir.path("locked");
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    const std::string path = folder + "/out.wav";
    writeFile(path, oldFile);
    ASSERT_EQ(chmod(path.c_str(), 0666), 0);
    ASSERT_EQ(chmod(folder.c_str(), 0555), 0);
    // Root may write anywhere: the child becomes nobody first.
    const int status = inChild([&] {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) return 2;
        if (write(path, samples)) return 3;
        return texts == std::vector<std::string>{"Unable to open file."} ? 0 : 4;
    });
    chmod(folder.c_str(), 0755);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(readFile(path), oldFile);
    EXPECT_EQ(listFolder(folder), std::vector<std::string>{"out.wav"});
}

TEST_F(WavWriter, DevicesAreWrittenDirectlyAndMissingFoldersRefused) {
    EXPECT_TRUE(write("/dev/null", samples));
    struct stat st {};
    ASSERT_EQ(stat("/dev/null", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
    EXPECT_FALSE(write("/dev/full", samples));
    EXPECT_FALSE(write(dir.path("no/such/folder.wav"), samples));
    EXPECT_FALSE(write(dir.path(""), samples)); // a folder
    EXPECT_EQ(texts, (std::vector<std::string>{"Error writing to file.", "Unable to open file.",
                                               "Unable to open file."}));
}
