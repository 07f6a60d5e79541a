// The live key against a scripted media player: range, steps, what the windows show, and the
// keys remembered per track in keys.ini.
#include "fake_media_player.h"
#include "playback/live_key.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class LiveKeyTest : public ::testing::Test {
protected:
    QString storeFile() const { return dir.path() + QStringLiteral("/keys.ini"); }
    QTemporaryDir dir;
    FakeMediaPlayer player;
    LiveKey key{player, storeFile()};
};

TEST_F(LiveKeyTest, StepsStayWithinSixSemitonesEitherWay) {
    struct Case {
        const char *what;
        int start, step, times, expected;
    };
    const Case cases[] = {
        {"up twice", 0, 1, 2, 2},        {"down once", 0, -1, 1, -1},
        {"up past the top", 4, 1, 5, 6}, {"down past the bottom", -5, -1, 4, -6},
        {"back across 0", 2, -1, 3, -1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        key.setTrack(QStringLiteral("/songs/a.mp3"));
        key.reset();
        for (int k = 0; k < std::abs(c.start); ++k)
            key.step(c.start > 0 ? 1 : -1);
        for (int k = 0; k < c.times; ++k)
            key.step(c.step);
        EXPECT_EQ(key.semitones(), c.expected);
        EXPECT_EQ(player.pitchSemitones(), c.expected) << "the player plays what is shown";
    }
}

TEST_F(LiveKeyTest, OnlyRealChangesReachThePlayerAndTheWindows) {
    key.setTrack(QStringLiteral("/songs/a.mp3"));
    QSignalSpy changed(&key, &LiveKey::changed);
    player.clearCalls();
    key.step(1);
    key.reset();
    key.reset(); // already there
    for (int k = 0; k < 8; ++k)
        key.step(-1); // the last two hit the bottom
    EXPECT_EQ(player.calls().join(QLatin1Char(' ')),
              QStringLiteral("key:1 key:0 key:-1 key:-2 key:-3 key:-4 key:-5 key:-6"));
    ASSERT_EQ(changed.count(), 8);
    EXPECT_EQ(changed.last().at(0).toInt(), -6);
}

TEST(LiveKeyText, ShowsTheSignedKeyAndNothingAtTheOriginal) {
    const std::pair<int, const char *> cases[] = {
        {0, ""}, {2, "音调 +2"}, {-1, "音调 -1"}, {6, "音调 +6"}, {-6, "音调 -6"}};
    for (const auto &[semitones, text] : cases)
        EXPECT_EQ(LiveKey::text(semitones), QString::fromUtf8(text)) << semitones;
}

TEST_F(LiveKeyTest, EachTrackComesBackInItsOwnKeyAndNewTracksStartAtTheOriginal) {
    const QString a = QStringLiteral("/songs/a.mp3"), b = QStringLiteral("http://radio/b.mp3"),
                  c = QStringLiteral("/songs/c.mp4");
    key.setTrack(a);
    key.step(1);
    key.step(1);
    key.setTrack(b);
    EXPECT_EQ(key.semitones(), 0) << "a new track";
    key.step(-1);
    key.setTrack(c);
    EXPECT_EQ(key.semitones(), 0);
    key.setTrack(a);
    EXPECT_EQ(key.semitones(), 2);
    EXPECT_EQ(player.pitchSemitones(), 2);

    // Another run of the player reads the same file.
    FakeMediaPlayer later;
    LiveKey again(later, storeFile());
    again.setTrack(b);
    EXPECT_EQ(later.pitchSemitones(), -1);
    again.reset();
    EXPECT_EQ(again.remembered(b), 0) << "the original key is forgotten, not stored";
    EXPECT_EQ(again.remembered(a), 2);
    EXPECT_EQ(again.remembered(QStringLiteral("/songs/a.mp3.other")), 0);
}

TEST_F(LiveKeyTest, AKeyChangedWithoutATrackIsPlayedButNotRemembered) {
    key.step(1);
    EXPECT_EQ(player.pitchSemitones(), 1);
    key.setTrack(QStringLiteral("/songs/a.mp3"));
    EXPECT_EQ(key.semitones(), 0);
    EXPECT_FALSE(QFile::exists(storeFile()));
}

TEST_F(LiveKeyTest, AHandEditedOrBrokenStoreNeverGivesAKeyOutOfRange) {
    QFile file(storeFile());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[General]\n_songs_a.mp3=99\n_songs_b.mp3=-40\n_songs_c.mp3=abc\n");
    file.close();
    const std::pair<const char *, int> cases[] = {
        {"/songs/a.mp3", 6}, {"/songs/b.mp3", -6}, {"/songs/c.mp3", 0}, {"/songs/d.mp3", 0}};
    for (const auto &[track, expected] : cases) {
        key.setTrack(QString::fromUtf8(track));
        EXPECT_EQ(key.semitones(), expected) << track;
    }
}

} // namespace
