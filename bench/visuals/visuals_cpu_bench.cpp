// The player's CPU share while it plays a track: with the visuals off, with the level meter
// and the visualization on (random styles), and with the full-screen lyric window in its
// painter and text views. The goal is below 5 % of one core for the whole player.
// Each share is the median of three windows of SECONDS / 3.
// Usage: visuals_cpu_bench SONG.wav SECONDS (LYRAVOX_HOME names an empty folder; run on Xvfb)
#include "app/main_window.h"
#include "lyrics/lyric_window_controller.h"
#include "lyrics/lyrics_controller.h"
#include "platform/qt_dialogs.h"
#include "playback/media_player.h"
#include "playback/playback_widgets.h"
#include "support/cpu_time.h"
#include "visuals/visual_switches.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>

namespace {

using bench::cpuSeconds;

void runFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

template <typename F> bool runUntil(F done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        runFor(20);
    return done();
}

// The X server named by LYRAVOX_BENCH_XSERVER_PID: part of the picture work is its.
pid_t g_server = 0;
double g_serverShare = -1; // of the last cpuShare, -1 without a server to read

// This process's CPU share of one core while the event loop runs for `ms`, in per cent; the
// X server's share of the same time in g_serverShare.
double cpuShare(int ms) {
    const double c0 = cpuSeconds();
    const double s0 = g_server ? cpuSeconds(g_server) : -1;
    QElapsedTimer wall;
    wall.start();
    runFor(ms);
    const double seconds = double(wall.elapsed()) / 1000.0;
    const double s1 = g_server ? cpuSeconds(g_server) : -1;
    g_serverShare = s0 >= 0 && s1 >= 0 ? 100.0 * (s1 - s0) / seconds : -1;
    return 100.0 * (cpuSeconds() - c0) / seconds;
}

// The median of three windows of `ms`: a shared machine's odd burst does not decide it.
double medianShare(int ms) {
    double player[3], server[3];
    for (int k = 0; k < 3; ++k) {
        player[k] = cpuShare(ms);
        server[k] = g_serverShare;
    }
    std::sort(player, player + 3);
    std::sort(server, server + 3);
    g_serverShare = server[1];
    return player[1];
}

} // namespace

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    if (argc < 3) {
        std::fprintf(stderr, "usage: visuals_cpu_bench SONG.wav SECONDS\n");
        return 2;
    }
    const QString song = QString::fromLocal8Bit(argv[1]);
    const int ms = std::atoi(argv[2]) * 1000;
    if (const char *server = std::getenv("LYRAVOX_BENCH_XSERVER_PID")) g_server = std::atoi(server);
    AppContext ctx(AppPaths::fromEnvironment());
    QtDialogs dialogs;
    ctx.dialogs = &dialogs;
    QFile list(ctx.paths.file(QStringLiteral("List.lvx")));
    list.open(QIODevice::WriteOnly);
    list.write(">0\r\n\"" + song.toUtf8() + "\"\r\n");
    list.close();
    MainWindow window(ctx);
    window.show();
    if (!runUntil([&] { return window.playback().player().playState() == MediaPlayer::Playing; },
                  10000)) {
        std::fprintf(stderr, "the track did not play\n");
        return 1;
    }
    Settings &s = ctx.settings;
    auto visuals = [&](int on) {
        s.VisualOn = on;
        s.ShowLevelMeter = on;
        VisualSwitches::apply(s, window.ui());
    };
    window.ui().action("mnuLrcVS0")->trigger();
    visuals(0);
    cpuShare(1000);
    const double off = medianShare(ms / 3);
    visuals(1);
    s.VisualRandom = 0;
    double styles[10] = {};
    for (int style = 1; style <= 9; ++style) {
        s.VisualStyle = style;
        styles[style] = medianShare(ms / 3);
    }
    double worst = 0;
    for (int style = 1; style <= 9; ++style)
        worst = std::max(worst, styles[style]);
    std::printf("CPU while playing, visuals off: %.2f %% of one core\n", off);
    for (int style = 1; style <= 9; ++style)
        std::printf("  visuals on, style %d with the meter: %.2f %%\n", style, styles[style]);
    std::printf("visuals on, worst style: %.2f %% (goal < 5 %%)\n", worst);

    // The full-screen window opens from the lyric tick, which needs lyrics.
    if (window.lyrics().LyricsLoaded()) {
        window.ui().action("mnuLrcVSH")->trigger();
        runUntil([&] { return window.lyricWindow().shown(); }, 5000);
        const double text = medianShare(ms / 3);
        const double textServer = g_serverShare;
        window.lyricWindow().window()->cycleView();
        const double painter = medianShare(ms / 3);
        const double painterServer = g_serverShare;
        const QSize size = window.lyricWindow().window()->size();
        std::printf("full-screen lyric window %dx%d: text view %.2f %%, painter view %.2f %% "
                    "(goal < 5 %%)%s\n",
                    size.width(), size.height(), text, painter,
                    window.lyricWindow().window()->Picture1->serverScaled()
                        ? ", the painter frame enlarged by the X server"
                        : "");
        if (painterServer >= 0)
            std::printf("  the X server meanwhile: text view %.2f %%, painter view %.2f %%\n",
                        textServer, painterServer);
    } else {
        std::printf("no lyrics beside the song: the full-screen window was not measured\n");
    }
    return 0;
}
