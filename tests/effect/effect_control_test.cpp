// The control as a component: dispatch, result codes, events and the action lifecycle.
#include "fx_test_support.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace fxtest;

namespace {

class EffectControl : public ::testing::Test {
protected:
    // A 16-bit stereo sound at 44 100 Hz of `seconds` seconds.
    std::string sound(int seconds, const char *name = "in.wav") {
        const std::string path = dir.path(name);
        writeFile(path, wavFile(2, 2, 44100, noise(size_t(seconds) * 44100 * 4, seconds)));
        return path;
    }

    TempDir dir;
    Messages messages;
};

// Every member that starts work on the sound, with arguments it accepts.
struct Work {
    const char *name;
    int dispid;
    std::vector<lvx_variant> args;
};

std::vector<Work> soundWork(const char *file) {
    return {
        {"Play", LVX_DISPID_PLAY, {}},
        {"InputFileSave", LVX_DISPID_INPUT_FILE_SAVE, {str(file)}},
        {"Shifting", LVX_DISPID_SHIFTING, {i2(0), i4(2048)}},
        {"Echo", LVX_DISPID_ECHO, {i2(100), i2(50)}},
        {"Reverb", LVX_DISPID_REVERB, {i2(100), i2(50)}},
        {"Chorus",
         LVX_DISPID_CHORUS,
         {i2(20), i2(5), r8(1.0), i2(0), i2(50), i2(50), i2(1), i2(1), i2(20)}},
        {"Distortion", LVX_DISPID_DISTORTION, {i2(50), i2(50), i2(50), i2(50), i2(0)}},
        {"Eq",
         LVX_DISPID_EQ,
         {i2(100), i2(100), i2(100), i2(100), i2(100), i2(100), i2(100), i2(100), i2(100), i2(0)}},
        {"FadeIn", LVX_DISPID_FADE_IN, {i2(10)}},
        {"FadeOut", LVX_DISPID_FADE_OUT, {i2(10)}},
        {"SaveFromTo", LVX_DISPID_SAVE_FROM_TO, {str(file), i2(0), i2(0)}},
        {"Invert", LVX_DISPID_INVERT, {}},
        {"Pegel", LVX_DISPID_PEGEL, {r8(0.5)}},
        {"Average", LVX_DISPID_AVERAGE, {}},
        {"CFilter", LVX_DISPID_C_FILTER, {i2(3)}},
        {"Amplitude", LVX_DISPID_AMPLITUDE, {}},
    };
}

} // namespace

TEST_F(EffectControl, EveryMethodOnTheSoundAnswers903BeforeALoad) {
    const std::string out = dir.path("out.wav");
    Fx fx;
    for (const Work &w : soundWork(out.c_str())) {
        SCOPED_TRACE(w.name);
        EXPECT_EQ(fx.call(w.dispid, w.args), LVX_E_NOT_LOADED);
    }
    EXPECT_EQ(fx.deliver(), 0);
    EXPECT_FALSE(fx.inAction());
    EXPECT_TRUE(readFile(out).empty());
    // PlayFromTo has no load test, only the range test against the 0 seconds loaded.
    EXPECT_EQ(fx.call(LVX_DISPID_PLAY_FROM_TO, {i2(0), i2(1)}), LVX_E_BEYOND_END);
}

TEST_F(EffectControl, EveryMethodThatStartsWorkAnswers900WhileALoadRuns) {
    const std::string first = sound(1);
    Fx fx;
    ASSERT_EQ(fx.load(first), 0);
    fx.events.clear();
    // The loader waits in its read of the pipe: the action runs as long as the test wants.
    const std::string fifo = dir.path("slow.wav");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const auto file = wavFile(2, 2, 44100, noise(4 * 44100, 9));
    int fd = -1;
    std::thread writer([&] {
        fd = open(fifo.c_str(), O_WRONLY);
        ASSERT_EQ(write(fd, file.data(), 64), 64);
    });
    EXPECT_EQ(fx.call(LVX_DISPID_INPUT_FILE_OPEN, {str(fifo.c_str())}), 0);
    writer.join();

    const std::string out = dir.path("out.wav");
    std::vector<Work> work = soundWork(out.c_str());
    work.push_back({"InputFileOpen", LVX_DISPID_INPUT_FILE_OPEN, {str(first.c_str())}});
    work.push_back({"ReadFromTo", LVX_DISPID_READ_FROM_TO, {i2(0), i2(1)}});
    work.push_back({"PlayFromTo", LVX_DISPID_PLAY_FROM_TO, {i2(0), i2(1)}});
    Fx other;
    for (const Work &w : work) {
        SCOPED_TRACE(w.name);
        EXPECT_EQ(fx.call(w.dispid, w.args), LVX_E_BUSY);
        EXPECT_EQ(other.call(w.dispid, w.args), LVX_E_BUSY);
    }
    // Members that do not start work still answer.
    EXPECT_EQ(fx.call(LVX_DISPID_GET_VERSION), 110);
    EXPECT_EQ(fx.call(LVX_DISPID_PRE_VIEW, {i2(100)}), 0);
    EXPECT_EQ(fx.call(LVX_DISPID_STOP), LVX_E_NOT_PLAYING);
    EXPECT_TRUE(readFile(out).empty());

    ASSERT_EQ(write(fd, file.data() + 64, file.size() - 64), ssize_t(file.size() - 64));
    close(fd);
    ASSERT_TRUE(fx.waitForEnd(LVX_END_LOAD));
    EXPECT_EQ(fx.ends(), std::vector<int>{LVX_END_LOAD});
    EXPECT_EQ(fx.call(LVX_DISPID_GET_TOTAL_TIME), 1);
}

TEST_F(EffectControl, InformationalMembersAndProperties) {
    Fx fx;
    EXPECT_EQ(fx.call(LVX_DISPID_GET_VERSION), 110);
    EXPECT_EQ(fx.call(LVX_DISPID_GET_TOTAL_TIME), 0);
    EXPECT_EQ(fx.call(LVX_DISPID_FREQUENCY, {r8(2.5)}), 0);
    EXPECT_EQ(fx.call(LVX_DISPID_STOP_EFFECT), 0);

    lvx_variant r;
    EXPECT_EQ(fx.invokeRaw(LVX_DISPID_M_AMPLITUDE, LVX_PROPGET, {}, &r), 0);
    EXPECT_EQ(r.vt, LVX_I4);
    EXPECT_EQ(r.v.i4, 0);
    EXPECT_EQ(fx.invokeRaw(LVX_DISPID_M_AMPLITUDE, LVX_PROPPUT, {i4(-123456)}, nullptr), 0);
    EXPECT_EQ(fx.invokeRaw(LVX_DISPID_M_AMPLITUDE, LVX_PROPGET, {}, &r), 0);
    EXPECT_EQ(r.v.i4, -123456);
    EXPECT_FALSE(fx.inAction());
    lvx_variant yes;
    yes.vt = LVX_BOOL;
    yes.v.b = -1;
    EXPECT_EQ(fx.invokeRaw(LVX_DISPID_IN_ACTION, LVX_PROPPUT, {yes}, nullptr), 0);
    EXPECT_TRUE(fx.inAction());
    Fx other; // the properties belong to the instance
    EXPECT_FALSE(other.inAction());

    EXPECT_EQ(fx.invokeRaw(LVX_DISPID_ABOUT_BOX, LVX_METHOD, {}, &r), 0);
    EXPECT_EQ(r.vt, LVX_EMPTY);
    ASSERT_EQ(messages.texts().size(), 1u);
    EXPECT_NE(messages.texts()[0].find("Effect Control"), std::string::npos);
}

TEST_F(EffectControl, CallsThatDoNotFitTheInterfaceAreRefused) {
    Fx fx;
    lvx_variant r;
    EXPECT_EQ(fx.invokeRaw(15, LVX_METHOD, {}, &r), -1);
    EXPECT_EQ(fx.invokeRaw(31, LVX_METHOD, {}, &r), -1);
    EXPECT_EQ(fx.invokeRaw(LVX_DISPID_GET_VERSION, LVX_PROPGET, {}, &r), -1);
    EXPECT_EQ(fx.invokeRaw(LVX_DISPID_IN_ACTION, LVX_METHOD, {}, &r), -1);
    EXPECT_EQ(fx.invokeRaw(LVX_DISPID_IN_ACTION, LVX_PROPPUT, {}, &r), -1);
    EXPECT_EQ(fx.invokeRaw(LVX_DISPID_GET_VERSION, LVX_METHOD, {i2(1)}, &r), -1);
    EXPECT_EQ(fx.invokeRaw(LVX_DISPID_ECHO, LVX_METHOD, {i2(1)}, &r), -1);
    EXPECT_EQ(fx.invokeRaw(LVX_DISPID_ECHO, LVX_METHOD, {i2(1), str("2")}, &r), -1);
    EXPECT_EQ(fx.invokeRaw(LVX_DISPID_ECHO, LVX_METHOD, {i2(1), i4(40000)}, &r), -1);
    EXPECT_EQ(fx.invokeRaw(LVX_DISPID_INPUT_FILE_OPEN, LVX_METHOD, {i2(1)}, &r), -1);
    EXPECT_EQ(fx.invokeRaw(LVX_DISPID_PEGEL, LVX_METHOD, {str("x")}, &r), -1);
    EXPECT_EQ(fx.invokeRaw(LVX_DISPID_SHIFTING, LVX_METHOD, {i2(0), i4(1000)}, &r), -1);
    EXPECT_EQ(fx.invokeRaw(LVX_DISPID_SHIFTING, LVX_METHOD, {i2(0), i4(65536)}, &r), -1);
    EXPECT_EQ(lvx_effect_invoke(fx.handle(), LVX_DISPID_ECHO, LVX_METHOD, nullptr, 2, &r), -1);
    // Integers of another width are taken when they fit.
    EXPECT_EQ(fx.invokeRaw(LVX_DISPID_ECHO, LVX_METHOD, {i4(100), i4(50)}, &r), 0);
    EXPECT_EQ(r.vt, LVX_I2);
    EXPECT_EQ(r.v.i2, LVX_E_NOT_LOADED);
}

TEST_F(EffectControl, ProgressRisesStrictlyAndTheEndFollows) {
    Fx fx;
    ASSERT_EQ(fx.load(sound(3)), 0);
    fx.events.clear();
    EXPECT_EQ(fx.call(LVX_DISPID_ECHO, {i2(100), i2(50)}), 1);
    EXPECT_TRUE(fx.inAction());
    ASSERT_TRUE(fx.waitForEnd(LVX_END_ECHO));
    EXPECT_FALSE(fx.inAction());
    const std::vector<int> p = fx.positions();
    ASSERT_FALSE(p.empty());
    for (size_t i = 1; i < p.size(); ++i)
        EXPECT_LT(p[i - 1], p[i]) << "at " << i;
    EXPECT_GT(p.front(), 0);
    EXPECT_EQ(p.back(), 100);
    ASSERT_EQ(fx.events.back(), (Event{LVX_EVENT_END_OF_ACTION, LVX_END_ECHO}));
    EXPECT_FALSE(fx.fdReadable());
}

TEST_F(EffectControl, EachActionPostsItsEndCodeAndResult) {
    struct Case {
        Work work;
        int result;
        int end;
    };
    const std::vector<Case> cases = {
        {{"Shifting", LVX_DISPID_SHIFTING, {i2(0), i4(1024)}}, 1, LVX_END_SHIFTING},
        {{"Reverb", LVX_DISPID_REVERB, {i2(50), i2(30)}}, 0, LVX_END_REVERB},
        {{"Chorus",
          LVX_DISPID_CHORUS,
          {i2(20), i2(5), r8(1.0), i2(1), i2(50), i2(50), i2(1), i2(1), i2(20)}},
         0,
         LVX_END_CHORUS},
        {{"Distortion", LVX_DISPID_DISTORTION, {i2(50), i2(50), i2(50), i2(50), i2(1)}},
         0,
         LVX_END_DISTORTION},
        {{"CFilter", LVX_DISPID_C_FILTER, {i2(3)}}, 0, LVX_END_C_FILTER},
        {{"Pegel", LVX_DISPID_PEGEL, {r8(-1.0)}}, 0, LVX_END_PEGEL},
        {{"Amplitude", LVX_DISPID_AMPLITUDE, {}}, 0, LVX_END_AMPLITUDE},
    };
    Fx fx;
    ASSERT_EQ(fx.load(sound(1)), 0);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.work.name);
        fx.events.clear();
        EXPECT_EQ(fx.call(c.work.dispid, c.work.args), c.result);
        ASSERT_TRUE(fx.waitForEnd(c.end));
        EXPECT_EQ(fx.ends(), std::vector<int>{c.end});
        EXPECT_FALSE(fx.inAction());
    }
    // Invert's normal answer is 900: its worker is still running when it returns.
    fx.events.clear();
    const int invert = fx.call(LVX_DISPID_INVERT);
    EXPECT_TRUE(invert == LVX_E_BUSY || invert == 1) << invert;
    ASSERT_TRUE(fx.waitForEnd(LVX_END_INVERT));
    // Eq leaves InAction alone.
    fx.events.clear();
    EXPECT_EQ(fx.call(LVX_DISPID_EQ, {i2(100), i2(100), i2(100), i2(100), i2(100), i2(100), i2(100),
                                      i2(100), i2(100), i2(0)}),
              0);
    EXPECT_FALSE(fx.inAction());
    ASSERT_TRUE(fx.waitForEnd(LVX_END_EQ));
    EXPECT_EQ(fx.positions().back(), 100);
}

TEST_F(EffectControl, SynchronousMembersFireTheirEventsBeforeReturning) {
    Fx fx;
    ASSERT_EQ(fx.load(sound(1)), 0);
    fx.events.clear();
    EXPECT_GE(fx.call(LVX_DISPID_AVERAGE), 0);
    EXPECT_EQ(fx.ends(), std::vector<int>{LVX_END_DONE});
    EXPECT_EQ(fx.call(LVX_DISPID_FADE_IN, {i2(5)}), 1);
    EXPECT_EQ(fx.call(LVX_DISPID_FADE_OUT, {i2(5)}), 1);
    EXPECT_EQ(fx.ends(), (std::vector<int>{LVX_END_DONE, LVX_END_WAV_WRITTEN, LVX_END_PLAYBACK}));
    EXPECT_FALSE(fx.fdReadable());
}

TEST_F(EffectControl, WithoutASinkDirectEventsWaitInTheQueue) {
    const std::string path = sound(1);
    lvx_effect *fx = lvx_effect_create();
    lvx_variant a = str(path.c_str()), r;
    ASSERT_EQ(lvx_effect_invoke(fx, LVX_DISPID_INPUT_FILE_OPEN, LVX_METHOD, &a, 1, &r), 0);
    ASSERT_EQ(r.v.i2, 0);
    ASSERT_EQ(lvx_effect_invoke(fx, LVX_DISPID_AVERAGE, LVX_METHOD, nullptr, 0, &r), 0);
    EXPECT_NE(r.v.i2, LVX_E_NOT_LOADED);
    // EndOfAction(1) and then EndOfAction(12), in that order.
    std::vector<int> seen;
    auto sink = [](void *ctx, int, int arg) {
        static_cast<std::vector<int> *>(ctx)->push_back(arg);
    };
    EXPECT_EQ(lvx_effect_deliver_events(fx, sink, &seen), 2);
    EXPECT_EQ(seen, (std::vector<int>{LVX_END_LOAD, LVX_END_DONE}));
    lvx_effect_destroy(fx);
}

TEST_F(EffectControl, TheEventDescriptorIsReadableWhileEventsWait) {
    Fx fx;
    EXPECT_FALSE(fx.fdReadable());
    EXPECT_EQ(fx.call(LVX_DISPID_INPUT_FILE_OPEN, {str(sound(1).c_str())}), 0);
    EXPECT_TRUE(fx.fdReadable(5000));
    EXPECT_EQ(fx.deliver(), 1);
    EXPECT_FALSE(fx.fdReadable());
    EXPECT_EQ(fx.deliver(), 0);
}

TEST_F(EffectControl, InstancesShareTheSoundAndEventsGoToTheLoadingInstance) {
    Fx loader, user;
    ASSERT_EQ(loader.load(sound(2)), 0);
    EXPECT_EQ(user.call(LVX_DISPID_GET_TOTAL_TIME), 2);
    loader.events.clear();
    EXPECT_EQ(user.call(LVX_DISPID_ECHO, {i2(10), i2(10)}), 1);
    EXPECT_TRUE(user.inAction());
    ASSERT_TRUE(loader.waitForEnd(LVX_END_ECHO));
    EXPECT_EQ(user.deliver(), 0);
    EXPECT_TRUE(user.events.empty());
    // The end clears InAction of the instance that received it.
    EXPECT_TRUE(user.inAction());
    EXPECT_FALSE(loader.inAction());

    // A third instance arriving later sees the same sound.
    Fx late;
    EXPECT_EQ(late.call(LVX_DISPID_GET_TOTAL_TIME), 2);
}

TEST_F(EffectControl, AnActionStartedFromTheEndHandlerRuns) {
    struct Chain {
        lvx_effect *fx;
        int echoResult = 0;
        bool echoEnded = false;
    };
    Fx fx;
    Chain chain{fx.handle()};
    auto sink = [](void *ctx, int event, int arg) {
        auto *c = static_cast<Chain *>(ctx);
        if (event != LVX_EVENT_END_OF_ACTION) return;
        if (arg == LVX_END_LOAD) {
            lvx_variant a[2] = {i2(10), i2(10)}, r;
            lvx_effect_invoke(c->fx, LVX_DISPID_ECHO, LVX_METHOD, a, 2, &r);
            c->echoResult = r.v.i2;
        } else if (arg == LVX_END_ECHO) {
            c->echoEnded = true;
        }
    };
    ASSERT_EQ(fx.call(LVX_DISPID_INPUT_FILE_OPEN, {str(sound(1).c_str())}), 0);
    for (int i = 0; i < 200 && !chain.echoEnded; ++i) {
        fx.fdReadable(50);
        lvx_effect_deliver_events(fx.handle(), sink, &chain);
        if (chain.echoResult == 1 && !chain.echoEnded) {
            EXPECT_TRUE(fx.inAction());
        }
    }
    EXPECT_EQ(chain.echoResult, 1);
    EXPECT_TRUE(chain.echoEnded);
    EXPECT_FALSE(fx.inAction());
}

TEST_F(EffectControl, StopEffectEndsAStoppableActionWithoutAnEnd) {
    const std::string path = sound(30);
    Fx fx;
    ASSERT_EQ(fx.load(path), 0);
    fx.events.clear();
    EXPECT_EQ(fx.call(LVX_DISPID_ECHO, {i2(10), i2(90)}), 1);
    EXPECT_EQ(fx.call(LVX_DISPID_STOP_EFFECT), 0);
    EXPECT_FALSE(fx.waitForEnd(LVX_END_ECHO, 0.3));
    EXPECT_TRUE(fx.inAction());
    // The next call is accepted at once and sees a partly processed sound.
    EXPECT_EQ(fx.call(LVX_DISPID_INPUT_FILE_SAVE, {str(dir.path("out.wav").c_str())}), 0);
    const auto original = readFile(path);
    const auto stopped = readFile(dir.path("out.wav"));
    ASSERT_EQ(original.size(), stopped.size());
    // The last second was never reached.
    const size_t tail = original.size() - 4 * 44100;
    EXPECT_TRUE(
        std::equal(original.begin() + long(tail), original.end(), stopped.begin() + long(tail)));
}

TEST_F(EffectControl, AWorkerThatCannotBeStoppedFinishesBeforeTheNextAction) {
    const std::string path = sound(20);
    const std::vector<lvx_variant> gains = {i2(150), i2(50), i2(100), i2(80),  i2(120),
                                            i2(100), i2(60), i2(140), i2(100), i2(20)};
    std::vector<uint8_t> whole;
    {
        Fx fx;
        ASSERT_EQ(fx.load(path), 0);
        EXPECT_EQ(fx.call(LVX_DISPID_EQ, gains), 0);
        ASSERT_TRUE(fx.waitForEnd(LVX_END_EQ, 60));
        EXPECT_EQ(fx.call(LVX_DISPID_INPUT_FILE_SAVE, {str(dir.path("whole.wav").c_str())}), 0);
        whole = readFile(dir.path("whole.wav"));
    }
    Fx fx;
    ASSERT_EQ(fx.load(path), 0);
    EXPECT_EQ(fx.call(LVX_DISPID_EQ, gains), 0);
    EXPECT_EQ(fx.call(LVX_DISPID_STOP_EFFECT), 0);
    // Accepted, but written only once the equalizer has gone over the whole sound.
    EXPECT_EQ(fx.call(LVX_DISPID_INPUT_FILE_SAVE, {str(dir.path("after.wav").c_str())}), 0);
    EXPECT_TRUE(readFile(dir.path("after.wav")) == whole);
    EXPECT_TRUE(fx.waitForEnd(LVX_END_EQ, 60));
}

TEST_F(EffectControl, DestroyingTheLastInstanceWhileAWorkerRunsIsSafe) {
    const std::string path = sound(10);
    {
        Fx fx;
        ASSERT_EQ(fx.load(path), 0);
        EXPECT_EQ(fx.call(LVX_DISPID_REVERB, {i2(100), i2(50)}), 0);
    }
    // The sound went with the last instance.
    Fx fresh;
    EXPECT_EQ(fresh.call(LVX_DISPID_GET_TOTAL_TIME), 0);
    EXPECT_EQ(fresh.call(LVX_DISPID_AVERAGE), LVX_E_NOT_LOADED);
}
