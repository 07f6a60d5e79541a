// The libmpv engine on media the test generates; sound goes to mpv's null output (or to its
// pcm file output where the test checks what was heard).
#include "playback/mpv_media_player.h"
#include "stream_server.h"
#include "test_media.h"
#include "wait_for.h"

#include <QCoreApplication>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QtEndian>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>

namespace {

class MpvMediaPlayerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(s_dir->isValid());
        ASSERT_TRUE(TestMedia::writeWav(media("tone.wav"), 0.8));
        ASSERT_TRUE(TestMedia::writeWav(media("mono.wav"), 0.5, 1));
        ASSERT_TRUE(TestMedia::writeMp3(media("tagged.mp3"), 0.8,
                                        {QStringLiteral("Moon River"), QStringLiteral("Audrey"),
                                         QStringLiteral("(c) 1961"), QStringLiteral("demo take")}));
        ASSERT_TRUE(TestMedia::writeAvi(media("clip.avi"), 1.0));
        QFile junk(media("junk.mp3"));
        ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
        junk.write(QByteArray(4096, 'x'));
    }
    static void TearDownTestSuite() { s_dir.reset(); }
    static QString media(const char *name) {
        return s_dir->path() + QLatin1Char('/') + QLatin1String(name);
    }

    // Opens `name` and waits until it is open.
    static void open(MediaPlayer &player, const QString &name) {
        QSignalSpy opened(&player, &MediaPlayer::openStateChanged);
        ASSERT_TRUE(player.setFileName(name));
        ASSERT_TRUE(opened.wait(5000)) << name.toStdString();
    }

    static std::unique_ptr<QTemporaryDir> s_dir;
};
std::unique_ptr<QTemporaryDir> MpvMediaPlayerTest::s_dir;

TEST_F(MpvMediaPlayerTest, OpensWithoutPlayingThenPlaysToTheEndAndRestartsFromZero) {
    MpvMediaPlayer player;
    ASSERT_TRUE(player.isValid()) << player.startError().toStdString();
    EXPECT_EQ(player.playState(), MediaPlayer::Closed);

    QSignalSpy states(&player, &MediaPlayer::playStateChanged);
    bool offThread = false;
    QObject::connect(&player, &MediaPlayer::playStateChanged, [&offThread] {
        offThread |= QThread::currentThread() != QCoreApplication::instance()->thread();
    });
    open(player, media("tone.wav"));
    EXPECT_EQ(player.playState(), MediaPlayer::Stopped);
    EXPECT_NEAR(player.duration(), 0.8, 0.05);
    EXPECT_FALSE(player.hasVideo());
    EXPECT_EQ(player.fileName(), media("tone.wav"));
    QTest::qWait(250);
    EXPECT_EQ(player.currentPosition(), 0.0) << "a put FileName must not start playback";

    QSignalSpy ended(&player, &MediaPlayer::endOfMedia);
    player.play();
    EXPECT_EQ(player.playState(), MediaPlayer::Playing);
    ASSERT_TRUE(waitFor([&] { return player.currentPosition() > 0.1; }));
    ASSERT_TRUE(ended.wait(5000));
    EXPECT_EQ(ended.count(), 1);
    EXPECT_EQ(player.playState(), MediaPlayer::Stopped);
    EXPECT_LT(player.currentPosition(), 0.05);

    // The order of the states the controller reacts to: closed while opening, stopped when
    // open, playing, stopped at the end.
    QList<int> seen;
    for (const auto &args : states)
        seen << args.at(0).toInt();
    EXPECT_EQ(seen, (QList<int>{MediaPlayer::Stopped, MediaPlayer::Playing, MediaPlayer::Stopped}));

    player.play();
    ASSERT_TRUE(waitFor([&] { return player.currentPosition() > 0.1; }))
        << "play after the end starts again";
    EXPECT_TRUE(ended.wait(5000));
    EXPECT_EQ(ended.count(), 2);
    EXPECT_FALSE(offThread) << "notifications arrive on the UI thread";
}

TEST_F(MpvMediaPlayerTest, PauseHoldsThePositionAndStopReturnsToZero) {
    MpvMediaPlayer player;
    open(player, media("tone.wav"));
    player.pause(); // not playing: nothing
    EXPECT_EQ(player.playState(), MediaPlayer::Stopped);

    player.play();
    ASSERT_TRUE(waitFor([&] { return player.currentPosition() > 0.2; }));
    player.pause();
    EXPECT_EQ(player.playState(), MediaPlayer::Paused);
    QTest::qWait(50);
    const double held = player.currentPosition();
    QTest::qWait(250);
    EXPECT_NEAR(player.currentPosition(), held, 0.01);

    player.play();
    EXPECT_EQ(player.playState(), MediaPlayer::Playing);
    ASSERT_TRUE(waitFor([&] { return player.currentPosition() > held + 0.1; }));
    player.stop();
    EXPECT_EQ(player.playState(), MediaPlayer::Stopped);
    EXPECT_EQ(player.currentPosition(), 0.0);
    QTest::qWait(200);
    EXPECT_LT(player.currentPosition(), 0.02);

    player.play();
    QTest::qWait(100);
    EXPECT_LT(player.currentPosition(), held) << "play after stop starts from 0";
}

TEST_F(MpvMediaPlayerTest, ReportsVideoSizeAndTagsAndNothingForSoundWithoutTags) {
    MpvMediaPlayer player;
    open(player, media("clip.avi"));
    EXPECT_EQ(player.imageSourceWidth(), 64);
    EXPECT_EQ(player.imageSourceHeight(), 48);
    EXPECT_NEAR(player.duration(), 1.0, 0.1);
    QSignalSpy ended(&player, &MediaPlayer::endOfMedia);
    player.play();
    ASSERT_TRUE(waitFor([&] { return player.currentPosition() > 0.2; }))
        << "a video plays without any video output attached";
    EXPECT_TRUE(ended.wait(5000));

    open(player, media("tagged.mp3"));
    EXPECT_FALSE(player.hasVideo());
    EXPECT_EQ(player.getMediaInfoString(MediaPlayer::InfoTitle), QStringLiteral("Moon River"));
    EXPECT_EQ(player.getMediaInfoString(MediaPlayer::InfoAuthor), QStringLiteral("Audrey"));
    EXPECT_EQ(player.getMediaInfoString(MediaPlayer::InfoCopyright), QStringLiteral("(c) 1961"));
    EXPECT_EQ(player.getMediaInfoString(MediaPlayer::InfoDescription), QStringLiteral("demo take"));
    EXPECT_EQ(player.getMediaInfoString(11), QString());

    open(player, media("tone.wav"));
    EXPECT_EQ(player.getMediaInfoString(MediaPlayer::InfoTitle), QString())
        << "the old media's tags must not stick";
}

TEST_F(MpvMediaPlayerTest, ReplacingThePlayingMediaIgnoresTheOldOnesEnd) {
    MpvMediaPlayer player;
    open(player, media("clip.avi"));
    player.play();
    ASSERT_TRUE(waitFor([&] { return player.currentPosition() > 0.7; }));

    QSignalSpy ended(&player, &MediaPlayer::endOfMedia);
    QSignalSpy opened(&player, &MediaPlayer::openStateChanged);
    ASSERT_TRUE(player.setFileName(media("tone.wav")));
    EXPECT_EQ(player.playState(), MediaPlayer::Closed);
    EXPECT_FALSE(player.hasVideo());
    player.play();
    ASSERT_TRUE(opened.wait(5000));
    EXPECT_EQ(player.playState(), MediaPlayer::Playing);
    EXPECT_FALSE(player.hasVideo());
    EXPECT_NEAR(player.duration(), 0.8, 0.05);
    EXPECT_EQ(ended.count(), 0);
    ASSERT_TRUE(ended.wait(5000));
    QTest::qWait(200);
    EXPECT_EQ(ended.count(), 1);
}

TEST_F(MpvMediaPlayerTest, MissingAndBrokenMediaAreReportedAsFailures) {
    MpvMediaPlayer player;
    EXPECT_FALSE(player.setFileName(media("nothing-here.mp3")));
    EXPECT_FALSE(player.setFileName(s_dir->path())) << "a folder is no media";
    EXPECT_EQ(player.playState(), MediaPlayer::Closed);

    QSignalSpy failed(&player, &MediaPlayer::mediaError);
    ASSERT_TRUE(player.setFileName(media("junk.mp3")));
    player.play();
    ASSERT_TRUE(failed.wait(5000));
    EXPECT_EQ(failed.at(0).at(0).toString(), media("junk.mp3"));
    EXPECT_FALSE(failed.at(0).at(1).toString().isEmpty());
    EXPECT_EQ(player.playState(), MediaPlayer::Closed);
    player.play(); // nothing to play: no crash, no state change
    EXPECT_EQ(player.playState(), MediaPlayer::Closed);

    // A good file afterwards opens normally.
    open(player, media("tone.wav"));
    EXPECT_EQ(player.playState(), MediaPlayer::Stopped);
}

TEST_F(MpvMediaPlayerTest, ALiveStreamHasDurationZero) {
    ASSERT_TRUE(TestMedia::writeMp3(media("radio.mp3"), 2.0));
    QFile radio(media("radio.mp3"));
    ASSERT_TRUE(radio.open(QIODevice::ReadOnly));
    StreamServer server(radio.readAll());
    ASSERT_TRUE(server.isListening());

    MpvMediaPlayer player;
    open(player, server.address());
    player.play();
    EXPECT_TRUE(waitFor([&] { return player.currentPosition() > 0.5; }));
    EXPECT_EQ(player.playState(), MediaPlayer::Playing);
    EXPECT_EQ(player.duration(), 0.0) << "what has arrived so far is no length";
}

// Reads the pcm output's WAV and returns the RMS of both channels.
std::pair<double, double> channelLevels(const QString &path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {-1, -1};
    const QByteArray bytes = f.readAll();
    const int data = bytes.indexOf("data");
    if (data < 0) return {-1, -1};
    const auto *s = reinterpret_cast<const int16_t *>(bytes.constData() + data + 8);
    const long frames = (bytes.size() - data - 8) / 4;
    double l = 0, r = 0;
    for (long i = 0; i < frames; ++i) {
        l += double(s[2 * i]) * s[2 * i];
        r += double(s[2 * i + 1]) * s[2 * i + 1];
    }
    return {std::sqrt(l / std::max(1L, frames)), std::sqrt(r / std::max(1L, frames))};
}

TEST_F(MpvMediaPlayerTest, BalanceTakesTheLevelOffTheOppositeChannel) {
    struct Case {
        int balance;
        double leftOverRightDb; // expected level difference
        const char *source;
    };
    // A mono source is spread to both channels first, so balance works on it too.
    for (const Case c :
         {Case{0, 0.0, "tone.wav"}, Case{5000, -50.0, "tone.wav"}, Case{-2000, 20.0, "tone.wav"},
          Case{9000, -50.0, "tone.wav"}, Case{-1000, 10.0, "mono.wav"}}) {
        const QString out =
            s_dir->path() +
            QStringLiteral("/out%1%2.wav").arg(c.balance).arg(QLatin1String(c.source));
        MpvMediaPlayer::Options o;
        o.audioOutput = "pcm";
        o.extra = {{"ao-pcm-file", out.toUtf8()}, {"audio-format", "s16"}};
        {
            MpvMediaPlayer player(o);
            ASSERT_TRUE(player.isValid()) << player.startError().toStdString();
            player.setBalance(c.balance);
            EXPECT_EQ(player.balance(), std::clamp(c.balance, -5000, 5000));
            QSignalSpy ended(&player, &MediaPlayer::endOfMedia);
            open(player, media(c.source));
            player.play();
            ASSERT_TRUE(ended.wait(5000));
        } // closing the output completes its file
        const auto [left, right] = channelLevels(out);
        ASSERT_GT(std::max(left, right), 1000.0) << "balance " << c.balance;
        EXPECT_NEAR(20.0 * std::log10(std::max(left, 1e-3) / std::max(right, 1e-3)),
                    c.leftOverRightDb, 1.0)
            << "balance " << c.balance;
    }
}

TEST_F(MpvMediaPlayerTest, ASeekReportsItsJumpOnceItHasRun) {
    MpvMediaPlayer player;
    QSignalSpy jumped(&player, &MediaPlayer::positionJumped);
    open(player, media("tone.wav"));
    player.play();
    ASSERT_TRUE(waitFor([&] { return player.currentPosition() > 0.1; }));
    EXPECT_EQ(jumped.count(), 0) << "starting a file is no jump";
    for (const double to : {0.5, 0.2}) {
        player.pause();
        player.setCurrentPosition(to);
        EXPECT_EQ(jumped.count(), 0) << "reported before the seek ran";
        ASSERT_TRUE(jumped.wait(3000)) << to;
        EXPECT_NEAR(player.currentPosition(), to, 0.05);
        jumped.clear();
        player.play();
    }
    player.stop(); // the return to the start is a jump too
    EXPECT_TRUE(jumped.wait(3000));
}

TEST_F(MpvMediaPlayerTest, TheVolumeScalesWhatIsHeardAndIsKeptAcrossMedia) {
    double levels[2] = {0, 0};
    const int volumes[2] = {100, 40};
    for (int k = 0; k < 2; ++k) {
        const QString out = s_dir->path() + QStringLiteral("/vol%1.wav").arg(volumes[k]);
        MpvMediaPlayer::Options o;
        o.audioOutput = "pcm";
        o.extra = {{"ao-pcm-file", out.toUtf8()}, {"audio-format", "s16"}};
        {
            MpvMediaPlayer player(o);
            player.setVolume(volumes[k]);
            open(player, media("mono.wav")); // set before the media: it is kept
            QSignalSpy ended(&player, &MediaPlayer::endOfMedia);
            player.play();
            ASSERT_TRUE(ended.wait(5000));
            EXPECT_EQ(player.volume(), volumes[k]);
        }
        levels[k] = channelLevels(out).first;
    }
    ASSERT_GT(levels[0], 1000.0);
    EXPECT_LT(levels[1], levels[0] * 0.5);

    MpvMediaPlayer player;
    for (const auto &[set, want] : {std::pair{150, 100}, std::pair{-5, 0}, std::pair{70, 70}}) {
        player.setVolume(set);
        EXPECT_EQ(player.volume(), want) << set;
    }
}

// The left channel's frequency in the pcm output's WAV, from interpolated rising zero crossings
// of its middle half (the key filter's start and end are left out).
double heardFrequency(const QString &path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return -1;
    const QByteArray bytes = f.readAll();
    const int fmt = bytes.indexOf("fmt ");
    const int data = bytes.indexOf("data");
    if (fmt < 0 || data < 0) return -1;
    // A mono source plays out mono: the file's own channel count and rate, from its header.
    int16_t channels = 0;
    int32_t rate = 0;
    std::memcpy(&channels, bytes.constData() + fmt + 10, sizeof channels);
    std::memcpy(&rate, bytes.constData() + fmt + 12, sizeof rate);
    if (channels < 1 || rate <= 0) return -1;
    const auto *s = reinterpret_cast<const int16_t *>(bytes.constData() + data + 8);
    const long frames = (bytes.size() - data - 8) / (2 * channels);
    double first = -1, last = -1;
    int periods = -1;
    for (long i = frames / 4 + 1; i < frames * 3 / 4; ++i) {
        const double a = s[channels * (i - 1)], b = s[channels * i];
        if (a < 0 && b >= 0) {
            const double at = double(i - 1) + (-a) / (b - a);
            if (first < 0) first = at;
            last = at;
            ++periods;
        }
    }
    return periods > 0 ? periods * double(rate) / (last - first) : 0.0;
}

TEST_F(MpvMediaPlayerTest, TheKeyIsClampedKeptAcrossMediaAndSurvivesABalanceChange) {
    struct Case {
        const char *what;
        int key, balance;
        const char *source;
        int expectedKey;
    };
    const Case cases[] = {
        {"two up", 2, 0, "tone.wav", 2},
        {"beyond the top", 9, 0, "tone.wav", 6},
        {"beyond the bottom, mono", -20, 0, "mono.wav", -6},
        {"with the balance", -3, 2000, "tone.wav", -3},
        {"from an MP3", 4, 0, "tagged.mp3", 4},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const QString out = s_dir->path() + QStringLiteral("/key%1.wav").arg(c.key);
        MpvMediaPlayer::Options o;
        o.audioOutput = "pcm";
        o.extra = {{"ao-pcm-file", out.toUtf8()}, {"audio-format", "s16"}};
        {
            MpvMediaPlayer player(o);
            ASSERT_TRUE(player.isValid()) << player.startError().toStdString();
            // Set with nothing open, kept while other media open, then the balance rebuilds
            // the filter chain around it.
            player.setPitchSemitones(c.key);
            EXPECT_EQ(player.pitchSemitones(), c.expectedKey);
            open(player, media("clip.avi"));
            open(player, media(c.source));
            player.setBalance(c.balance);
            EXPECT_EQ(player.pitchSemitones(), c.expectedKey);
            QSignalSpy ended(&player, &MediaPlayer::endOfMedia);
            player.play();
            ASSERT_TRUE(ended.wait(5000));
        }
        const double hz = heardFrequency(out);
        EXPECT_NEAR(1200.0 * std::log2(hz / (440.0 * std::pow(2.0, c.expectedKey / 12.0))), 0.0,
                    5.0)
            << hz << " Hz";
    }
}

} // namespace
