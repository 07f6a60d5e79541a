// The main window playing a generated track through the real libmpv (null audio): the lyric
// tick follows the player's clock, and the ±50 ms steps move every following line at once.
#include "app/main_window.h"
#include "lyrics/lyrics_controller.h"
#include "playback/playback_widgets.h"
#include "scripted_dialogs.h"
#include "temp_home.h"
#include "test_media.h"
#include "widgets/xp_button.h"

#include <QSignalSpy>
#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>

namespace {

struct Echo {
    double position;
    double tag;
    QString text;
};

std::vector<Echo> readEcho(std::FILE *file) {
    std::rewind(file);
    QByteArray bytes;
    char buffer[1024];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.append(buffer, qsizetype(n));
    std::vector<Echo> lines;
    for (const QString &line :
         QString::fromUtf8(bytes).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QStringList f = line.split(QLatin1Char('\t'));
        if (f.size() == 3) lines.push_back({f[0].toDouble(), f[1].toDouble(), f[2]});
    }
    return lines;
}

TEST(LyricsPlayback, CompensationStepsMoveTheLinesWhilePlaying) {
    TempHome home;
    ScriptedDialogs dialogs;
    AppContext ctx{home.paths()};
    ctx.dialogs = &dialogs;
    const QString track = home.file(QStringLiteral("steps.wav"));
    ASSERT_TRUE(TestMedia::writeWav(track, 6.0));
    // The file's own compensation (200 ms) plus six steps of +50 ms: 500 ms in all.
    home.write(QStringLiteral("steps.lrc"),
               "[offset:200]\n[00:01.50]one\n[00:02.80]two\n[00:04.00]three\n[00:05.10]four\n");
    ctx.startupCommandLine = track;
    ctx.echoLyrics = true;

    MainWindow w(ctx);
    std::FILE *echo = std::tmpfile();
    ASSERT_NE(echo, nullptr);
    w.lyrics().setEchoStream(echo);
    w.show();
    MediaPlayer &player = w.playback().player();
    QSignalSpy ended(&player, &MediaPlayer::endOfMedia);
    QSignalSpy states(&player, &MediaPlayer::playStateChanged);
    w.finishStartup();
    ASSERT_TRUE(w.lyrics().LyricsLoaded());
    EXPECT_EQ(w.lyrics().LyricOffsetMs(), 200);
    for (int i = 0; i < 6; ++i)
        Q_EMIT w.ui().XPButton[4]->clicked();
    EXPECT_EQ(w.lyrics().LyricOffsetMs(), 500);
    EXPECT_EQ(w.ui().Label2->text(), QStringLiteral("500"));
    ASSERT_TRUE(ended.wait(30000));

    const std::vector<Echo> lines = readEcho(echo);
    std::fclose(echo);
    ASSERT_EQ(lines.size(), 4u);
    const char *texts[4] = {"one", "two", "three", "four"};
    for (size_t i = 0; i < lines.size(); ++i) {
        SCOPED_TRACE(texts[i]);
        EXPECT_EQ(lines[i].text, QLatin1String(texts[i]));
        const double tenth = std::floor(lines[i].tag * 10 + 1e-9) / 10;
        const double adjusted = lines[i].position + 0.5;
        EXPECT_GE(adjusted + 1e-6, tenth);
        EXPECT_LT(adjusted, tenth + 0.1 + 0.11 + 0.15);
    }
    // The file itself is unchanged: the next lookup reads 200 again.
    w.lyrics().FindLyrics();
    EXPECT_EQ(w.lyrics().LyricOffsetMs(), 200);
}

} // namespace
