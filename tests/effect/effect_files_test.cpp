// Loading WAV and AU files and writing WAV files through the C interface.
#include "fx_test_support.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace fxtest;

namespace {

std::vector<uint8_t> slice(const std::vector<uint8_t> &v, size_t from, size_t to) {
    return {v.begin() + static_cast<long>(from), v.begin() + static_cast<long>(to)};
}

// The data chunk of a file written by the control (after its 44-byte header).
std::vector<uint8_t> savedData(const std::string &path) {
    const auto file = readFile(path);
    return file.size() < 44 ? std::vector<uint8_t>{} : slice(file, 44, file.size());
}

struct Format {
    int channels = 0, bits = 0;
    int32_t rate = 0, bytes = 0;
};

bool format(Fx &fx, Format &f) {
    return lvx_effect_get_format(fx.handle(), &f.channels, &f.bits, &f.rate, &f.bytes) == 1;
}

class EffectFiles : public ::testing::Test {
protected:
    TempDir dir;
    Messages messages;
};

} // namespace

TEST_F(EffectFiles, LoadsWavAndSavesItWithTheCanonicalHeader) {
    const auto data = noise(4 * 44100 * 2 + 4 * 100); // 2 s and 100 frames, 16-bit stereo
    writeFile(dir.path("in.wav"), wavFile(2, 2, 44100, data));
    Fx fx;
    EXPECT_EQ(fx.load(dir.path("in.wav")), 0);
    Format f;
    ASSERT_TRUE(format(fx, f));
    EXPECT_EQ(f.channels, 2);
    EXPECT_EQ(f.bits, 16);
    EXPECT_EQ(f.rate, 44100);
    EXPECT_EQ(f.bytes, int32_t(data.size()));
    EXPECT_EQ(fx.call(LVX_DISPID_GET_TOTAL_TIME), 2);

    EXPECT_EQ(fx.call(LVX_DISPID_INPUT_FILE_SAVE, {str(dir.path("out.wav").c_str())}), 0);
    EXPECT_EQ(readFile(dir.path("out.wav")), wavFile(2, 2, 44100, data));
}

TEST_F(EffectFiles, EightBitRoundTripIsByteForByte) {
    // An odd data size: the source carries a pad byte, the written file must not.
    const auto data = noise(1001, 7);
    writeFile(dir.path("in.wav"), wavFile(1, 1, 11025, data));
    Fx fx;
    EXPECT_EQ(fx.load(dir.path("in.wav")), 0);
    EXPECT_EQ(fx.call(LVX_DISPID_INPUT_FILE_SAVE, {str(dir.path("out.wav").c_str())}), 0);
    const auto out = readFile(dir.path("out.wav"));
    ASSERT_EQ(out.size(), 44u + 1001u);
    const uint8_t header[44] = {'R', 'I', 'F',  'F',  0x0D, 0x04, 0,    0,    'W',  'A', 'V',
                                'E', 'f', 'm',  't',  ' ',  16,   0,    0,    0,    1,   0,
                                1,   0,   0x11, 0x2B, 0,    0,    0x11, 0x2B, 0,    0,   1,
                                0,   8,   0,    'd',  'a',  't',  'a',  0xE9, 0x03, 0,   0};
    EXPECT_EQ(slice(out, 0, 44), std::vector<uint8_t>(header, header + 44));
    EXPECT_EQ(slice(out, 44, out.size()), data);
}

TEST_F(EffectFiles, SkipsChunksItDoesNotKnow) {
    const auto data = noise(2000, 3);
    const auto list = chunk("LIST", {'I', 'N', 'F'}); // odd size: followed by a pad byte
    auto beforeData = chunk("fact", {0xE8, 0x03, 0, 0});
    beforeData.insert(beforeData.end(), list.begin(), list.end());
    writeFile(dir.path("in.wav"),
              wavFile(2, 2, 22050, data, beforeData, chunk("JUNK", std::vector<uint8_t>(27))));
    Fx fx;
    EXPECT_EQ(fx.load(dir.path("in.wav")), 0);
    EXPECT_EQ(fx.call(LVX_DISPID_INPUT_FILE_SAVE, {str(dir.path("out.wav").c_str())}), 0);
    EXPECT_EQ(savedData(dir.path("out.wav")), data);
}

TEST_F(EffectFiles, RejectsFilesItCannotRead) {
    const auto data = noise(400);
    auto riffx = wavFile(1, 2, 8000, data);
    riffx[3] = 'X';
    auto floatTag = wavFile(1, 2, 8000, data);
    floatTag[20] = 3;
    auto threeChannels = wavFile(1, 2, 8000, data);
    threeChannels[22] = 3;
    auto twentyFourBit = wavFile(1, 2, 8000, data);
    twentyFourBit[32] = 3;
    auto noRate = wavFile(1, 2, 8000, data);
    noRate[24] = noRate[25] = 0;
    auto shortData = wavFile(1, 2, 8000, data);
    shortData.resize(shortData.size() - 1);
    std::vector<uint8_t> dataFirst = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    const auto d = chunk("data", data);
    dataFirst.insert(dataFirst.end(), d.begin(), d.end());
    // Whether the sound loaded before survives: only a failure while reading the sample data
    // (which has released it by then) leaves no sound.
    struct Case {
        const char *name;
        std::vector<uint8_t> bytes;
        bool keepsOldSound;
    };
    const std::vector<Case> cases = {
        {"not RIFF", riffx, true},
        {"float samples", floatTag, true},
        {"three channels", threeChannels, true},
        {"24-bit", twentyFourBit, true},
        {"rate 0", noRate, true},
        {"data shorter than its size", shortData, false},
        {"data before fmt", dataFirst, true},
        {"three bytes", {'R', 'I', 'F'}, true},
        {"empty", {}, true},
    };
    const auto good = wavFile(1, 2, 8000, data);
    writeFile(dir.path("good.wav"), good);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Fx fx;
        ASSERT_EQ(fx.load(dir.path("good.wav")), 0);
        writeFile(dir.path("bad.wav"), c.bytes);
        // A failed load still ends with EndOfAction(1).
        EXPECT_EQ(fx.load(dir.path("bad.wav")), LVX_E_FORMAT);
        if (c.keepsOldSound) {
            EXPECT_EQ(lvx_effect_get_format(fx.handle(), nullptr, nullptr, nullptr, nullptr), 1);
            EXPECT_EQ(fx.call(LVX_DISPID_INPUT_FILE_SAVE, {str(dir.path("out.wav").c_str())}), 0);
            EXPECT_EQ(readFile(dir.path("out.wav")), good);
        } else {
            EXPECT_EQ(fx.call(LVX_DISPID_AVERAGE), LVX_E_NOT_LOADED);
            EXPECT_EQ(fx.call(LVX_DISPID_GET_TOTAL_TIME), 0);
            EXPECT_EQ(lvx_effect_get_format(fx.handle(), nullptr, nullptr, nullptr, nullptr), 0);
        }
    }
}

TEST_F(EffectFiles, MissingOrUnnamedFileIsNotOpenedAndTheOldSoundStays) {
    const auto data = noise(3 * 16000, 2);
    writeFile(dir.path("in.wav"), wavFile(1, 2, 8000, data));
    ASSERT_EQ(mkdir(dir.path("folder.wav").c_str(), 0700), 0);
    Fx fx;
    EXPECT_EQ(fx.call(LVX_DISPID_INPUT_FILE_OPEN, {str("")}), LVX_E_OPEN);
    EXPECT_EQ(fx.deliver(), 0); // no load was started
    EXPECT_EQ(fx.load(dir.path("missing.wav")), LVX_E_OPEN);
    EXPECT_EQ(fx.load(dir.path("folder.wav")), LVX_E_OPEN);
    EXPECT_EQ(fx.ends(), (std::vector<int>{LVX_END_LOAD, LVX_END_LOAD}));
    EXPECT_FALSE(fx.inAction());

    // Callers rely on a bad path leaving the sound they had.
    ASSERT_EQ(fx.load(dir.path("in.wav")), 0);
    for (const char *name : {"missing.wav", "folder.wav"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(fx.load(dir.path(name)), LVX_E_OPEN);
        EXPECT_EQ(fx.call(LVX_DISPID_GET_TOTAL_TIME), 3);
        EXPECT_EQ(fx.call(LVX_DISPID_INPUT_FILE_SAVE, {str(dir.path("out.wav").c_str())}), 0);
        EXPECT_EQ(savedData(dir.path("out.wav")), data);
    }
}

TEST_F(EffectFiles, PreViewLoadsThatShareOfTheData) {
    const auto data = noise(100000);
    writeFile(dir.path("in.wav"), wavFile(1, 2, 22050, data));
    Fx fx;
    EXPECT_EQ(fx.call(LVX_DISPID_PRE_VIEW, {i2(50)}), 0);
    EXPECT_EQ(fx.load(dir.path("in.wav")), 0);
    EXPECT_EQ(fx.call(LVX_DISPID_GET_TOTAL_TIME), 1); // 50 000 bytes at 44 100 bytes/s
    EXPECT_EQ(fx.call(LVX_DISPID_INPUT_FILE_SAVE, {str(dir.path("out.wav").c_str())}), 0);
    EXPECT_EQ(savedData(dir.path("out.wav")), slice(data, 0, 50000));

    EXPECT_EQ(fx.call(LVX_DISPID_PRE_VIEW, {i2(100)}), 0);
    EXPECT_EQ(fx.load(dir.path("in.wav")), 0);
    EXPECT_EQ(fx.call(LVX_DISPID_GET_TOTAL_TIME), 2);
}

TEST_F(EffectFiles, ReadFromToLoadsThoseSecondsOfTheLastFile) {
    const auto data = noise(3 * 44100);
    writeFile(dir.path("in.wav"), wavFile(1, 2, 22050, data));
    Fx fx;
    EXPECT_EQ(fx.load(dir.path("in.wav")), 0);
    EXPECT_EQ(fx.call(LVX_DISPID_READ_FROM_TO, {i2(1), i2(2)}), 0);
    ASSERT_TRUE(fx.waitForEnds(LVX_END_LOAD, 2));
    EXPECT_EQ(fx.call(LVX_DISPID_GET_TOTAL_TIME), 1);
    // Saving afterwards writes what was read, not file offsets applied to the shorter sound.
    EXPECT_EQ(fx.call(LVX_DISPID_INPUT_FILE_SAVE, {str(dir.path("out.wav").c_str())}), 0);
    EXPECT_EQ(savedData(dir.path("out.wav")), slice(data, 44100, 88200));
}

TEST_F(EffectFiles, SaveFromToWritesTheSecondsRange) {
    const auto data = noise(3 * 44100, 11);
    writeFile(dir.path("in.wav"), wavFile(1, 2, 22050, data));
    Fx fx;
    EXPECT_EQ(fx.load(dir.path("in.wav")), 0);
    fx.deliver();
    fx.events.clear();
    const std::string out = dir.path("part.wav");
    EXPECT_EQ(fx.call(LVX_DISPID_SAVE_FROM_TO, {str(out.c_str()), i2(1), i2(2)}), 0);
    EXPECT_EQ(savedData(out), slice(data, 44100, 88200));
    EXPECT_EQ(readFile(out).size(), 44u + 44100u);

    EXPECT_EQ(fx.call(LVX_DISPID_SAVE_FROM_TO, {str(dir.path("no.wav").c_str()), i2(2), i2(4)}),
              LVX_E_BEYOND_END);
    EXPECT_TRUE(readFile(dir.path("no.wav")).empty());
    // Seconds in reverse order write an empty data chunk, never bytes outside the sound.
    EXPECT_EQ(fx.call(LVX_DISPID_SAVE_FROM_TO, {str(out.c_str()), i2(3), i2(1)}), 0);
    EXPECT_EQ(readFile(out).size(), 44u);
}

TEST_F(EffectFiles, InputFileSaveFires12BeforeItReturnsAnd8After) {
    writeFile(dir.path("in.wav"), wavFile(1, 1, 8000, noise(8000)));
    Fx fx;
    EXPECT_EQ(fx.load(dir.path("in.wav")), 0);
    fx.events.clear();
    EXPECT_EQ(fx.call(LVX_DISPID_INPUT_FILE_SAVE, {str(dir.path("out.wav").c_str())}), 0);
    EXPECT_EQ(fx.ends(), std::vector<int>{LVX_END_DONE});
    EXPECT_TRUE(fx.inAction());
    EXPECT_TRUE(fx.fdReadable());
    EXPECT_EQ(fx.deliver(), 1);
    EXPECT_EQ(fx.ends(), (std::vector<int>{LVX_END_DONE, LVX_END_WAV_WRITTEN}));
    EXPECT_FALSE(fx.inAction());
}

TEST_F(EffectFiles, WriteFailuresShowAMessageAndPostNo8) {
    writeFile(dir.path("in.wav"), wavFile(1, 1, 8000, noise(8000)));
    Fx fx;
    EXPECT_EQ(fx.load(dir.path("in.wav")), 0);
    fx.events.clear();
    EXPECT_EQ(fx.call(LVX_DISPID_INPUT_FILE_SAVE, {str(dir.path("no/such/dir.wav").c_str())}), 0);
    EXPECT_EQ(fx.call(LVX_DISPID_INPUT_FILE_SAVE, {str("/dev/full")}), 0);
    fx.deliver();
    EXPECT_EQ(fx.ends(), (std::vector<int>{LVX_END_DONE, LVX_END_DONE}));
    EXPECT_EQ(messages.texts(),
              (std::vector<std::string>{"Unable to open file.", "Error writing to file."}));
    // The failed writes released the action guard.
    EXPECT_EQ(fx.call(LVX_DISPID_INPUT_FILE_SAVE, {str(dir.path("ok.wav").c_str())}), 0);
}

TEST_F(EffectFiles, AuEncodingsLoadAsWavSamples) {
    struct Case {
        const char *name;
        uint32_t encoding;
        std::vector<uint8_t> in;
        int bits;
        std::vector<uint8_t> out;
    };
    const std::vector<Case> cases = {
        {"mu-law", 1, {0xFF, 0x00, 0x80, 0x7F}, 16, pcm16({0, -32124, 32124, 0})},
        {"A-law", 27, {0xD5, 0x55, 0x2A, 0xAA}, 16, pcm16({8, -8, -32256, 32256})},
        {"8-bit signed", 2, {0x00, 0x7F, 0x80, 0xFF}, 8, {0x80, 0xFF, 0x00, 0x7F}},
        {"16-bit big-endian", 3, {0x12, 0x34, 0x80, 0x01}, 16, pcm16({0x1234, -32767})},
        {"16-bit with half a sample", 3, {0x12, 0x34, 0x56}, 16, pcm16({0x1234})},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(dir.path("in.au"), auFile(c.encoding, 8000, 2, c.in, 32));
        Fx fx;
        EXPECT_EQ(fx.load(dir.path("in.au")), 0);
        Format f;
        ASSERT_TRUE(format(fx, f));
        EXPECT_EQ(f.bits, c.bits);
        EXPECT_EQ(f.channels, 2);
        EXPECT_EQ(f.rate, 8000);
        EXPECT_EQ(fx.call(LVX_DISPID_INPUT_FILE_SAVE, {str(dir.path("out.wav").c_str())}), 0);
        EXPECT_EQ(savedData(dir.path("out.wav")), c.out);
    }
    EXPECT_TRUE(messages.texts().empty());
}

TEST_F(EffectFiles, DamagedAuFilesAreRefusedWithTheirMessage) {
    const auto full = auFile(1, 8000, 1, noise(100));
    const std::vector<std::tuple<const char *, std::vector<uint8_t>, const char *>> cases = {
        {"short header", slice(full, 0, 20), "Unexpected End of File."},
        {"offset below 24", auFile(1, 8000, 1, noise(10), 24, -1), nullptr},
        {"annotation cut off", slice(auFile(1, 8000, 1, {}, 200), 0, 100),
         "Unexpected end of file."},
        {"unknown encoding", auFile(23, 8000, 1, noise(100)), "Unsupported .AU sample encoding."},
        {"size not given", auFile(1, 8000, 1, noise(100), 24, 0xFFFFFFFF),
         "Unsupported .AU data size."},
        {"four channels", auFile(1, 8000, 4, noise(100)), "Unsupported .AU sample format."},
    };
    for (const auto &[name, original, text] : cases) {
        SCOPED_TRACE(name);
        auto bytes = original;
        if (!text) bytes[7] = 10; // data offset 10
        Messages seen;
        writeFile(dir.path("bad.au"), bytes);
        Fx fx;
        EXPECT_EQ(fx.load(dir.path("bad.au")), LVX_E_FORMAT);
        EXPECT_EQ(seen.texts(),
                  std::vector<std::string>{text ? text : "Invalid .AU sample offset."});
        EXPECT_EQ(fx.call(LVX_DISPID_AVERAGE), LVX_E_NOT_LOADED);
    }
}

TEST_F(EffectFiles, AuFileEndingEarlyKeepsWhatWasRead) {
    struct Case {
        uint32_t encoding;
        const char *text;
        size_t keptBytes;
    };
    const std::vector<Case> cases = {
        {1, "Unexpected End of File.  Continuing anyway.  Sound may contain garbage.", 2 * 11},
        {3, "Unexpected end of file.  Sound may contain garbage.", 10},
        {2, "Unexpected end of file.  Sound may contain garbage.", 11},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.encoding);
        Messages seen;
        writeFile(dir.path("cut.au"), auFile(c.encoding, 8000, 1, noise(11), 24, 1000000));
        Fx fx;
        EXPECT_EQ(fx.load(dir.path("cut.au")), 0);
        EXPECT_EQ(seen.texts(), std::vector<std::string>{c.text});
        Format f;
        ASSERT_TRUE(format(fx, f));
        EXPECT_EQ(f.bytes, int32_t(c.keptBytes));
    }
}

TEST_F(EffectFiles, LoadStillReadingAnswersZeroAndEndsLater) {
    // A pipe holds the loader in its data read until the test writes the rest.
    const std::string fifo = dir.path("slow.wav");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const auto data = noise(20000, 5);
    const auto file = wavFile(1, 2, 8000, data);
    int fd = -1;
    std::thread writer([&] {
        fd = open(fifo.c_str(), O_WRONLY);
        ASSERT_EQ(write(fd, file.data(), 100), 100);
    });
    Fx fx;
    EXPECT_EQ(fx.call(LVX_DISPID_INPUT_FILE_OPEN, {str(fifo.c_str())}), 0);
    writer.join();
    EXPECT_TRUE(fx.inAction());
    EXPECT_EQ(lvx_effect_get_format(fx.handle(), nullptr, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(fx.deliver(), 0);
    // Busy until the load ends: every method that starts work is refused.
    EXPECT_EQ(fx.call(LVX_DISPID_INPUT_FILE_OPEN, {str(fifo.c_str())}), LVX_E_BUSY);

    ASSERT_EQ(write(fd, file.data() + 100, file.size() - 100), ssize_t(file.size() - 100));
    close(fd);
    ASSERT_TRUE(fx.waitForEnd(LVX_END_LOAD));
    EXPECT_FALSE(fx.inAction());
    EXPECT_EQ(fx.call(LVX_DISPID_INPUT_FILE_SAVE, {str(dir.path("out.wav").c_str())}), 0);
    EXPECT_EQ(savedData(dir.path("out.wav")), data);
}
