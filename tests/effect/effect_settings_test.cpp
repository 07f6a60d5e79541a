// The two playback settings of effect.ini and their checks.
#include "effect_settings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

using lvx::fx::EffectSettings;
using lvx::fx::readEffectSettings;

namespace {

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/lvxini-XXXXXX";
        m_path = std::string(mkdtemp(pattern)) + "/effect.ini";
    }
    void TearDown() override {
        unlink(m_path.c_str());
        rmdir(m_path.substr(0, m_path.rfind('/')).c_str());
    }
    EffectSettings read(const std::string &text, int devices = 2) {
        std::ofstream(m_path) << text;
        m_asked = 0;
        return readEffectSettings(m_path, [&] {
            ++m_asked;
            return devices;
        });
    }
    std::string m_path;
    int m_asked = 0;
};

} // namespace

TEST_F(SettingsFile, BufferSizeIsAPowerOfTwoFrom256To32768OrElse1024) {
    const std::vector<std::pair<std::string, int>> cases = {
        {"", 1024},
        {"[RTDSP]\nFile_Playback=4096\n", 1024}, // wrong section
        {"[BUFFER SIZES]\nFile_Playback=3000\n", 1024},
        {"[BUFFER SIZES]\nFile_Playback=32768\n", 32768},
        {"[BUFFER SIZES]\nFile_Playback=256\n", 256},
        {"[BUFFER SIZES]\nFile_Playback=128\n", 1024},
        {"[BUFFER SIZES]\nFile_Playback=65536\n", 1024},
        {"[BUFFER SIZES]\nFile_Playback=-512\n", 1024},
        {"[BUFFER SIZES]\nFile_Playback=512 ; comment\n", 512},
        {"[BUFFER SIZES]\r\nFile_Playback=8192\r\n", 8192},
        {"[ buffer sizes ]\n  FILE_PLAYBACK =  16384\n", 16384},
        {"[BUFFER SIZES]\nFile_Playback=abc\n", 1024},
        {"[BUFFER SIZES]\nFile_Playback=99999999999999999999\n", 1024},
    };
    for (const auto &[text, expected] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(read(text).filePlaybackSize, expected);
    }
}

TEST_F(SettingsFile, OutputDeviceMustBeBelowTheDeviceCount) {
    EXPECT_EQ(read("[RTDSP]\nOutput_Device=1\n").outputDevice, 1);
    EXPECT_EQ(read("[RTDSP]\nOutput_Device=2\n").outputDevice, 0);
    EXPECT_EQ(read("[RTDSP]\nOutput_Device=5\n").outputDevice, 0);
    EXPECT_EQ(read("[RTDSP]\nOutput_Device=-1\n").outputDevice, 0);
    EXPECT_EQ(read("[RTDSP]\nOutput_Device=1\n", 0).outputDevice, 0);
    // The server is asked only when the answer matters.
    read("[RTDSP]\nOutput_Device=0\n");
    EXPECT_EQ(m_asked, 0);
    read("");
    EXPECT_EQ(m_asked, 0);
}

TEST_F(SettingsFile, MissingFileGivesTheDefaults) {
    const EffectSettings s = readEffectSettings("/nonexistent/effect.ini", [] { return 4; });
    EXPECT_EQ(s.filePlaybackSize, 1024);
    EXPECT_EQ(s.outputDevice, 0);
}

// Sets environment variables for one test and puts back what was there before, whatever the
// test's assertions did.
class EnvironmentChange {
public:
    EnvironmentChange() = default;
    EnvironmentChange(const EnvironmentChange &) = delete;
    EnvironmentChange &operator=(const EnvironmentChange &) = delete;
    ~EnvironmentChange() {
        for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it) {
            if (it->had)
                setenv(it->name.c_str(), it->value.c_str(), 1);
            else
                unsetenv(it->name.c_str());
        }
    }
    void set(const char *name, const char *value) {
        const char *old = std::getenv(name);
        m_saved.push_back({name, old != nullptr, old ? old : ""});
        setenv(name, value, 1);
    }

private:
    struct Saved {
        std::string name;
        bool had;
        std::string value;
    };
    std::vector<Saved> m_saved;
};

TEST(SettingsPath, FollowsXdgConfigHome) {
    const char *home = std::getenv("HOME");
    const std::string homeBefore = home ? home : "";
    {
        EnvironmentChange env;
        env.set("XDG_CONFIG_HOME", "/x/config");
        EXPECT_EQ(lvx::fx::effectSettingsPath(), "/x/config/lyravox/effect.ini");
        env.set("XDG_CONFIG_HOME", "relative"); // not absolute: ignored
        env.set("HOME", "/home/someone");
        EXPECT_EQ(lvx::fx::effectSettingsPath(), "/home/someone/.config/lyravox/effect.ini");
    }
    // Later tests see the home they started with.
    home = std::getenv("HOME");
    EXPECT_EQ(home ? home : "", homeBefore);
}
