// The control as a component: dispatch, result codes, events and the action lifecycle.
#include "fx_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
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

    // A 16-bit mono sound whose every value is `value`: its Average is known exactly.
    std::string constantSound(int16_t value, int seconds = 1, const char *name = "flat.wav") {
        const std::string path = dir.path(name);
        writeFile(path, wavFile(1, 2, 22050,
                                pcm16(std::vector<int16_t>(size_t(seconds) * 22050, value))));
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
    // 1 only when the worker had already finished, so its end is waiting by then.
    fx.events.clear();
    const int invert = fx.call(LVX_DISPID_INVERT);
    ASSERT_TRUE(invert == LVX_E_BUSY || invert == 1) << invert;
    if (invert == 1) {
        EXPECT_TRUE(fx.fdReadable());
    }
    EXPECT_TRUE(fx.inAction());
    ASSERT_TRUE(fx.waitForEnd(LVX_END_INVERT));
    EXPECT_FALSE(fx.inAction());
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
    ASSERT_EQ(fx.load(constantSound(16384)), 0);
    fx.events.clear();
    EXPECT_EQ(fx.call(LVX_DISPID_AVERAGE), 50);
    EXPECT_EQ(fx.ends(), std::vector<int>{LVX_END_DONE});
    EXPECT_EQ(fx.call(LVX_DISPID_FADE_IN, {i2(5)}), 1);
    EXPECT_EQ(fx.call(LVX_DISPID_FADE_OUT, {i2(5)}), 1);
    EXPECT_EQ(fx.ends(), (std::vector<int>{LVX_END_DONE, LVX_END_WAV_WRITTEN, LVX_END_PLAYBACK}));
    EXPECT_FALSE(fx.fdReadable());
}

TEST_F(EffectControl, WithoutASinkDirectEventsWaitInTheQueue) {
    const std::string path = constantSound(-8192);
    lvx_effect *fx = lvx_effect_create();
    lvx_variant a = str(path.c_str()), r;
    ASSERT_EQ(lvx_effect_invoke(fx, LVX_DISPID_INPUT_FILE_OPEN, LVX_METHOD, &a, 1, &r), 0);
    ASSERT_EQ(r.v.i2, 0);
    ASSERT_EQ(lvx_effect_invoke(fx, LVX_DISPID_AVERAGE, LVX_METHOD, nullptr, 0, &r), 0);
    EXPECT_EQ(r.v.i2, 25);
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

TEST_F(EffectControl, ASaveStoppedFromAnotherThreadNeverWritesTheNextSound) {
    // One thread saves a large sound; once the save has begun (its temporary file exists)
    // another stops it and loads a different sound. Each save either writes exactly the first
    // sound and posts 8, or fails, says so and leaves the file that was there before.
    const std::string first = sound(60, "first.wav"); // 21 MB
    const std::string second = constantSound(77, 2, "second.wav");
    const auto firstFile = readFile(first);
    const std::string out = dir.path("out.wav");
    const std::vector<uint8_t> old = {'o', 'l', 'd'};
    auto saveRunning = [&] {
        for (const std::string &name : listFolder(dir.path("")))
            if (name.rfind(".out.wav.", 0) == 0) return true;
        return false;
    };

    std::mutex mutex;
    std::condition_variable changed;
    int saving = 0;   // round whose save is about to start
    int returned = 0; // round whose save has returned
    int switched = 0; // round whose second sound has loaded
    constexpr int kRounds = 6;
    int written = 0, stopped = 0;

    std::thread other([&] {
        Fx b;
        for (int round = 1; round <= kRounds; ++round) {
            {
                std::unique_lock<std::mutex> lock(mutex);
                changed.wait(lock, [&] { return saving == round; });
            }
            for (;;) {
                if (saveRunning()) break;
                std::lock_guard<std::mutex> lock(mutex);
                if (returned == round) break;
            }
            EXPECT_EQ(b.call(LVX_DISPID_STOP_EFFECT), 0);
            // Accepted at once; it waits inside until the save has let go of the sound.
            EXPECT_EQ(b.call(LVX_DISPID_INPUT_FILE_OPEN, {str(second.c_str())}), 0);
            EXPECT_TRUE(b.waitForEnds(LVX_END_LOAD, size_t(round), 60));
            std::lock_guard<std::mutex> lock(mutex);
            switched = round;
            changed.notify_all();
        }
    });

    Fx a;
    for (int round = 1; round <= kRounds; ++round) {
        SCOPED_TRACE(round);
        writeFile(out, old);
        ASSERT_EQ(a.load(first), 0);
        a.events.clear();
        const size_t messagesBefore = messages.texts().size();
        {
            std::lock_guard<std::mutex> lock(mutex);
            saving = round;
            changed.notify_all();
        }
        EXPECT_EQ(a.call(LVX_DISPID_INPUT_FILE_SAVE, {str(out.c_str())}), 0);
        {
            std::lock_guard<std::mutex> lock(mutex);
            returned = round;
        }
        a.deliver();
        if (a.ends() == std::vector<int>{LVX_END_DONE, LVX_END_WAV_WRITTEN}) {
            ++written;
            EXPECT_TRUE(readFile(out) == firstFile);
        } else {
            ++stopped;
            EXPECT_EQ(a.ends(), std::vector<int>{LVX_END_DONE});
            EXPECT_EQ(readFile(out), old);
            ASSERT_EQ(messages.texts().size(), messagesBefore + 1);
            EXPECT_EQ(messages.texts().back(), "Saving was stopped.");
        }
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [&] { return switched == round; });
    }
    other.join();
    // No temporary file is left behind.
    EXPECT_EQ(listFolder(dir.path("")),
              (std::vector<std::string>{"first.wav", "out.wav", "second.wav"}));
    std::printf("saves written %d, stopped %d\n", written, stopped);
}

TEST_F(EffectControl, ALoadFromAnotherThreadWaitsForTheStoppedSave) {
    // The save goes into a pipe, so it is certainly still writing when the other thread stops
    // it and starts the next load: what comes out is a prefix of the first sound, never a
    // byte of the second, and the load runs only after the save has returned.
    const std::string first = sound(30, "first.wav");
    const auto firstFile = readFile(first);
    const std::string second = constantSound(77, 2, "second.wav");
    const std::string fifo = dir.path("pipe.wav");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);

    Fx a;
    ASSERT_EQ(a.load(first), 0);
    a.events.clear();
    std::vector<uint8_t> piped;
    std::atomic<bool> saveReturned{false};
    bool loadWaited = false;
    std::thread reader([&] {
        const int fd = open(fifo.c_str(), O_RDONLY); // returns once the save has opened it
        ASSERT_GE(fd, 0);
        uint8_t buffer[65536];
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n > 0) piped.insert(piped.end(), buffer, buffer + n);
        // The writer is now between pieces of the first sound.
        Fx b;
        EXPECT_EQ(b.call(LVX_DISPID_STOP_EFFECT), 0);
        std::thread drain([&] {
            ssize_t got;
            while ((got = read(fd, buffer, sizeof buffer)) > 0)
                piped.insert(piped.end(), buffer, buffer + got);
        });
        EXPECT_EQ(b.call(LVX_DISPID_INPUT_FILE_OPEN, {str(second.c_str())}), 0);
        // The save has let go of the sound once its writer closed the pipe (it may not have
        // returned to its caller yet).
        pollfd hangup{fd, 0, 0};
        loadWaited =
            saveReturned.load() || (poll(&hangup, 1, 0) == 1 && (hangup.revents & POLLHUP));
        EXPECT_TRUE(b.waitForEnd(LVX_END_LOAD));
        drain.join();
        close(fd);
    });
    EXPECT_EQ(a.call(LVX_DISPID_INPUT_FILE_SAVE, {str(fifo.c_str())}), 0);
    saveReturned = true;
    reader.join();
    EXPECT_TRUE(loadWaited);
    a.deliver();
    EXPECT_EQ(a.ends(), std::vector<int>{LVX_END_DONE});
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Saving was stopped."});
    ASSERT_GE(piped.size(), 44u);
    ASSERT_LT(piped.size(), firstFile.size());
    EXPECT_TRUE(std::equal(piped.begin() + 44, piped.end(), firstFile.begin() + 44));
}

TEST_F(EffectControl, SynchronousCallsWaitForAStoppedSaveOnAnotherThread) {
    // While saves run on one thread, StopEffect and a fade on another: the fade rewrites the
    // samples only once the save has let go of them (ThreadSanitizer sees any overlap).
    const std::string path = sound(60, "big.wav");
    Fx a;
    ASSERT_EQ(a.load(path), 0);
    std::atomic<bool> go{false};
    std::thread saver([&] {
        go = true;
        for (int i = 0; i < 3; ++i)
            a.call(LVX_DISPID_INPUT_FILE_SAVE, {str(dir.path("out.wav").c_str())});
    });
    Fx b;
    while (!go)
        std::this_thread::yield();
    int accepted = 0;
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(b.call(LVX_DISPID_STOP_EFFECT), 0);
        // 900 when a save began after StopEffect, else 1 once the sound is free.
        const int r = b.call(LVX_DISPID_FADE_IN, {i2(20)});
        EXPECT_TRUE(r == 1 || r == LVX_E_BUSY) << r;
        accepted += r == 1;
    }
    saver.join();
    EXPECT_GT(accepted, 0);
    // Nothing holds busy or the sound afterwards.
    EXPECT_EQ(a.call(LVX_DISPID_FADE_OUT, {i2(0)}), 1);
    EXPECT_EQ(b.call(LVX_DISPID_FADE_OUT, {i2(0)}), 1);
}

TEST_F(EffectControl, LongSoundsAnswerTheLargestSecondsInsteadOfWrapping) {
    // 40 000 s of 8-bit mono at 1 frame per second.
    const std::string path = dir.path("long.wav");
    writeFile(path, wavFile(1, 1, 1, noise(40000, 3)));
    Fx fx;
    ASSERT_EQ(fx.load(path), 0);
    EXPECT_EQ(fx.call(LVX_DISPID_GET_TOTAL_TIME), 32767);
    // Ranges within the largest value are accepted, not all refused with 909.
    const std::string out = dir.path("part.wav");
    EXPECT_EQ(fx.call(LVX_DISPID_SAVE_FROM_TO, {str(out.c_str()), i2(32000), i2(32767)}), 0);
    EXPECT_EQ(readFile(out).size(), 44u + 767u);
}

TEST_F(EffectControl, AnActionWhoseThreadCannotStartAnswers906AndLeavesTheGuardFree) {
    const std::string path = constantSound(16384);
    // In a child process, so that the thread limit touches nothing else. Exit codes tell the
    // parent which step went wrong.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        Fx fx;
        if (fx.load(path) != 0) _exit(2);
        // No new thread for this user from here on (root first becomes nobody: the limit does
        // not bind root).
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(3);
        const rlimit none{0, 0};
        if (setrlimit(RLIMIT_NPROC, &none) != 0) _exit(4);
        struct Step {
            int dispid;
            std::vector<lvx_variant> args;
            int expected;
        };
        const std::vector<Step> steps = {
            {LVX_DISPID_ECHO, {i2(10), i2(10)}, LVX_E_DEV_NO_MEMORY},
            // Busy was released: the same answer again, not 900.
            {LVX_DISPID_INVERT, {}, LVX_E_DEV_NO_MEMORY},
            {LVX_DISPID_INPUT_FILE_OPEN, {str(path.c_str())}, LVX_E_DEV_NO_MEMORY},
            // What needs no thread still works, on the sound that was kept.
            {LVX_DISPID_AVERAGE, {}, 50},
        };
        for (size_t i = 0; i < steps.size(); ++i)
            if (fx.call(steps[i].dispid, steps[i].args) != steps[i].expected) _exit(10 + int(i));
        if (fx.inAction()) _exit(20);
        if (messages.texts().empty() ||
            messages.texts()[0] != "Not enough resources to start the action.")
            _exit(21);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
