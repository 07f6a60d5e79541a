// The playlist model: marking on selection and the shuffle cycle.
#include "playlist/playlist_model.h"

#include <gtest/gtest.h>
#include <random>
#include <set>

namespace {

QStringList names(int n) {
    QStringList items;
    for (int i = 0; i < n; ++i)
        items << QStringLiteral("/m/%1.mp3").arg(i);
    return items;
}

// A random source that plays back a fixed sequence of draws.
PlaylistModel::RandomSource sequence(std::vector<uint32_t> draws) {
    auto state = std::make_shared<std::pair<std::vector<uint32_t>, size_t>>(std::move(draws), 0);
    return [state](uint32_t bound) {
        const uint32_t v = state->first[state->second % state->first.size()];
        ++state->second;
        return v % bound;
    };
}

TEST(PlaylistModelTest, SelectingMarksTheItemAndRemembersIt) {
    PlaylistModel model;
    model.setItems(names(4));
    int selections = 0;
    QObject::connect(&model, &PlaylistModel::selectionChanged, [&selections] { ++selections; });
    model.select(2);
    EXPECT_EQ(model.selectedIndex(), 2);
    EXPECT_EQ(model.PlayedFlags, (std::vector<int32_t>{0, 0, 1, 0}));
    EXPECT_EQ(model.LastPicked, 3);
    EXPECT_EQ(selections, 1);

    model.select(-1); // no selected item: nothing is marked or forgotten
    EXPECT_EQ(model.selectedIndex(), -1);
    EXPECT_EQ(model.LastPicked, 3);
    model.select(9);
    EXPECT_EQ(model.selectedIndex(), -1);
    EXPECT_EQ(model.PlayedFlags, (std::vector<int32_t>{0, 0, 1, 0}));
}

TEST(PlaylistModelTest, SelectingWithoutFlagsStartsACycleThatKeepsThePreviousItemPlayable) {
    PlaylistModel model;
    model.setItems(names(3));
    model.select(1);
    model.PlayedFlags.clear();
    model.select(2);
    EXPECT_EQ(model.PlayedFlags, (std::vector<int32_t>{0, 0, 1}));
    EXPECT_EQ(model.LastPicked, 3);
}

TEST(PlaylistModelTest, AppendingExtendsFlagsAndRemovingClearsThem) {
    PlaylistModel model;
    model.setItems(names(2));
    model.select(1);
    int counts = 0;
    QObject::connect(&model, &PlaylistModel::countChanged, [&counts] { ++counts; });
    model.append(QStringList{QStringLiteral("/x.mp3"), QStringLiteral("/y.mp3")});
    EXPECT_EQ(model.PlayedFlags, (std::vector<int32_t>{0, 1, 0, 0}));
    EXPECT_EQ(model.selectedIndex(), 1);
    model.removeAt(0);
    EXPECT_EQ(model.PlayedFlags, (std::vector<int32_t>{0, 0, 0}));
    EXPECT_EQ(model.selectedIndex(), -1);
    EXPECT_EQ(model.items(), (QStringList{QStringLiteral("/m/1.mp3"), QStringLiteral("/x.mp3"),
                                          QStringLiteral("/y.mp3")}));
    model.removeAt(3);
    model.removeAt(-1);
    EXPECT_EQ(model.count(), 3);
    EXPECT_EQ(counts, 2);
}

// Runs picks and checks the cycle rules: the start item is marked, so the first cycle holds
// the other n-1 items once each; every later cycle holds all n items once each, and its first
// pick is never the last pick of the cycle before.
void checkCycles(int n, uint32_t seed) {
    PlaylistModel model;
    std::mt19937 engine(seed);
    model.setRandomSource([&engine](uint32_t bound) {
        return std::uniform_int_distribution<uint32_t>(0, bound - 1)(engine);
    });
    model.setItems(names(n));
    const int start = int(seed % uint32_t(n));
    model.select(start);

    std::set<int> cycle{start};
    int last = start;
    int cycles = 0;
    for (int pick = 0; pick < 12 * n; ++pick) {
        model.PickRandomTrack();
        const int chosen = model.selectedIndex();
        ASSERT_GE(chosen, 0);
        if (int(cycle.size()) == n) {
            ASSERT_TRUE(n == 1 || chosen != last)
                << "n=" << n << " seed=" << seed << ": new cycle began with the last pick";
            cycle.clear();
            ++cycles;
        }
        ASSERT_TRUE(cycle.insert(chosen).second)
            << "n=" << n << " seed=" << seed << ": item " << chosen << " repeated in a cycle";
        last = chosen;
    }
    EXPECT_GE(cycles, 10);
}

TEST(PlaylistModelTest, ShufflePicksEveryItemOncePerCycleAndNeverTheLastPickFirst) {
    for (int n : {1, 2, 3, 4, 7, 16})
        for (uint32_t seed = 1; seed <= 60; ++seed)
            checkCycles(n, seed);
}

TEST(PlaylistModelTest, ShuffleOverThreeItemsStartsTheNextCycleElsewhere) {
    PlaylistModel model;
    // Every draw lands on the item played last, so only the hold-back can avoid it.
    model.setRandomSource(sequence({2, 2, 2, 2, 2, 2}));
    model.setItems(names(3));
    model.select(0);
    model.PickRandomTrack();
    EXPECT_EQ(model.selectedIndex(), 2);
    model.PickRandomTrack();
    EXPECT_EQ(model.selectedIndex(), 1); // wraps to the start of the list
    model.PickRandomTrack();             // new cycle; 1 held back, the draw 2 is free
    EXPECT_EQ(model.selectedIndex(), 2);
    model.PickRandomTrack();
    EXPECT_EQ(model.selectedIndex(), 0);
    model.PickRandomTrack(); // the held-back item still belongs to this cycle
    EXPECT_EQ(model.selectedIndex(), 1);
}

TEST(PlaylistModelTest, ShuffleSkipsItemsTheUserSelectedInTheCycle) {
    PlaylistModel model;
    model.setRandomSource(sequence({0}));
    model.setItems(names(4));
    model.select(0);
    model.select(1); // the user picks item 1 by hand
    model.PickRandomTrack();
    EXPECT_EQ(model.selectedIndex(), 2);
    model.PickRandomTrack();
    EXPECT_EQ(model.selectedIndex(), 3);
}

TEST(PlaylistModelTest, ShuffleWithShortFlagsStartsANewCycle) {
    PlaylistModel model;
    model.setRandomSource(sequence({1}));
    model.setItems(names(3));
    model.select(1);
    model.PlayedFlags.resize(1);
    model.PickRandomTrack();
    EXPECT_EQ(model.selectedIndex(), 2); // 1 was picked last, so not first in the new cycle
    EXPECT_EQ(model.PlayedFlags.size(), 3u);
}

TEST(PlaylistModelTest, CurrentTrackExtensionAndCaption) {
    PlaylistModel model;
    model.setItems({QStringLiteral("/m/Song.MP3"), QStringLiteral("/m/noext"),
                    QStringLiteral("/m.d/x.tar.OGG")});
    model.setCurrentTrack(0);
    EXPECT_EQ(model.CurrentFile, QStringLiteral("/m/Song.MP3"));
    EXPECT_EQ(model.CurrentExt, QStringLiteral("mp3"));
    model.setCurrentTrack(1);
    EXPECT_EQ(model.CurrentExt, QStringLiteral("未知"));
    model.setCurrentTrack(2);
    EXPECT_EQ(model.CurrentExt, QStringLiteral("ogg"));
    EXPECT_EQ(model.countCaption(), QStringLiteral("曲目列表(共3首)"));
    model.clear();
    EXPECT_EQ(model.countCaption(), QStringLiteral("曲目列表(共0首)"));
}

} // namespace
