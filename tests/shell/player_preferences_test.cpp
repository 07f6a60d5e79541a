#include "shell/player_preferences.h"

#include "temp_home.h"

#include <gtest/gtest.h>

namespace {

TEST(PlayerPreferences, FrequencyDomainVocalRemovalIsOnUntilTurnedOff) {
    TempHome home;
    EXPECT_EQ(PlayerPreferences::defaultPath(),
              home.file(QStringLiteral(".config/lyravox/lyravox.ini")));
    PlayerPreferences prefs;
    EXPECT_TRUE(prefs.spectralVocalRemoval());
    ASSERT_TRUE(prefs.setSpectralVocalRemoval(false));
    EXPECT_TRUE(
        home.read(QStringLiteral(".config/lyravox/lyravox.ini")).contains("spectral=false"));
    EXPECT_FALSE(PlayerPreferences().spectralVocalRemoval());
    ASSERT_TRUE(prefs.setSpectralVocalRemoval(true));
    EXPECT_TRUE(PlayerPreferences().spectralVocalRemoval());
    // A value it cannot read counts as the default; a file it cannot write is reported.
    home.write(QStringLiteral("odd.ini"), "[vocal]\nspectral=perhaps\n");
    EXPECT_TRUE(PlayerPreferences(home.file(QStringLiteral("odd.ini"))).spectralVocalRemoval());
    home.write(QStringLiteral("file"), "x");
    EXPECT_FALSE(PlayerPreferences(home.file(QStringLiteral("file/lyravox.ini")))
                     .setSpectralVocalRemoval(false));
}

} // namespace
