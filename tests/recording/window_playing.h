#pragma once
// Shows the main window on the X server and waits until its track has played half a second.
#include "app/main_window.h"
#include "playback/media_player.h"
#include "playback/playback_controller.h"
#include "playback/playback_widgets.h"

#include <QTest>
#include <gtest/gtest.h>

inline void showAndPlay(MainWindow &w) {
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    w.finishStartup();
    MediaPlayer &player = w.playback().player();
    if (player.playState() != MediaPlayer::Playing) w.playback().controller().playSelected();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return player.playState() == MediaPlayer::Playing && player.currentPosition() > 0.5;
        },
        8000));
}
