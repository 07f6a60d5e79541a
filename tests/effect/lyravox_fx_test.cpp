// The command-line front end, run as a program.
#include "fx_test_support.h"
#include "pulse_server.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sys/wait.h>

using namespace fxtest;

namespace {

struct Outcome {
    int status;
    std::string out; // standard output and standard error together
};

Outcome fx(const std::string &args) {
    const char *bin = std::getenv("LYRAVOX_BIN_DIR");
    const std::string command = std::string(bin ? bin : ".") + "/lyravox-fx " + args + " 2>&1";
    Outcome r{-1, {}};
    if (std::FILE *p = popen(command.c_str(), "r")) {
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0)
            r.out.append(buffer, n);
        const int status = pclose(p);
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    return r;
}

class LyravoxFx : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // Under ThreadSanitizer the program gets the tests' suppressions too.
        const char *source = std::getenv("LYRAVOX_SOURCE_DIR");
        if (!source) return;
        const char *old = std::getenv("TSAN_OPTIONS");
        const std::string options = std::string(old ? old : "") + (old ? ":" : "") +
                                    "suppressions=" + source + "/tests/effect/tsan.supp";
        setenv("TSAN_OPTIONS", options.c_str(), 1);
    }
    void SetUp() override {
        data = noise(2 * 22050 * 2 + 200, 4);
        in = dir.path("in.wav");
        writeFile(in, wavFile(1, 2, 22050, data));
    }
    TempDir dir;
    std::vector<uint8_t> data;
    std::string in;
};

} // namespace

TEST_F(LyravoxFx, InfoPrintsTheFormat) {
    const Outcome r = fx("info " + in);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("1 channel, 16-bit, 22050 Hz, 88400 bytes, 2 s"), std::string::npos)
        << r.out;
    writeFile(dir.path("in.au"), auFile(1, 8000, 2, noise(100)));
    EXPECT_NE(fx("info " + dir.path("in.au")).out.find("2 channels, 16-bit, 8000 Hz, 200 bytes"),
              std::string::npos);
}

TEST_F(LyravoxFx, RunsAMethodAndSavesTheResult) {
    const std::string out = dir.path("out.wav");
    Outcome r = fx(in + " " + out + " Echo 100 50");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("100%"), std::string::npos) << r.out;
    const auto echoed = readFile(out);
    ASSERT_EQ(echoed.size(), 44 + data.size());
    EXPECT_NE(std::vector<uint8_t>(echoed.begin() + 44, echoed.end()), data);

    r = fx(in + " " + out + " Average");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("Average: "), std::string::npos);
    EXPECT_EQ(readFile(out), wavFile(1, 2, 22050, data));

    r = fx(in + " " + out + " Invert");
    EXPECT_EQ(r.status, 0) << r.out;
}

TEST_F(LyravoxFx, FailuresExitWithTheirMeaning) {
    const std::string out = dir.path("out.wav");
    const std::vector<std::tuple<std::string, int, std::string>> cases = {
        {dir.path("missing.wav") + " " + out + " Average", 1, "cannot be opened (901)"},
        {in + " SaveFromTo " + dir.path("x.wav") + " 0 5", 1, "beyond the sound (909)"},
        {in + " " + out + " Stop", 1, "nothing is playing (908)"},
        {in + " /dev/full Average", 1, "Error writing to file."},
        {in + " " + out + " Shifting 0 1000", 2, "invalid arguments"},
        {in + " " + out + " Echo 100", 2, "takes 2 argument"},
        {in + " " + out + " Echo 100 x", 2, "bad argument x"},
        {in + " " + out + " Echo 100 40000", 2, "bad argument 40000"},
        {in + " " + out + " NoSuchMethod", 2, "unknown method"},
        {"info", 2, "usage"},
    };
    for (const auto &[args, status, text] : cases) {
        SCOPED_TRACE(args);
        const Outcome r = fx(args);
        EXPECT_EQ(r.status, status) << r.out;
        EXPECT_NE(r.out.find(text), std::string::npos) << r.out;
    }
    writeFile(dir.path("bad.wav"), {'R', 'I', 'F', 'F', 1, 2, 3});
    const Outcome r = fx("info " + dir.path("bad.wav"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("not a readable WAV or AU file (902)"), std::string::npos) << r.out;
}

TEST_F(LyravoxFx, PlayWithoutAServerSaysSo) {
    const Outcome r = fx("play " + in + " PULSE_SERVER=x");
    EXPECT_EQ(r.status, 2); // three arguments after the program: not the play form
    setenv("PULSE_SERVER", ("unix:" + dir.path("none")).c_str(), 1);
    const Outcome dead = fx("play " + in);
    unsetenv("PULSE_SERVER");
    EXPECT_EQ(dead.status, 1);
    EXPECT_NE(dead.out.find("no sound server or no such output device (905)"), std::string::npos)
        << dead.out;
}

TEST_F(LyravoxFx, PlaysToTheEndOnAServer) {
    PulseServer server;
    if (!server.running()) GTEST_SKIP() << "pulseaudio did not start:\n" << server.log();
    const Outcome r = fx("play " + in);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(server.pactl("list short sink-inputs"), "");
}
