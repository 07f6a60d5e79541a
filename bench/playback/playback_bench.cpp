// Playback timings of the libmpv engine: how long after play() the position first moves (the
// sound is flowing), and the CPU time the player takes while a track plays.
//   playback_bench [--ao pulse|null|...] [--runs N] [--seconds S]
#include "playback/mpv_media_player.h"
#include "support/cpu_time.h"
#include "test_media.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

using bench::cpuSeconds;

bool waitOpen(MpvMediaPlayer &player, const QString &file) {
    QEventLoop loop;
    bool opened = false;
    auto c = QObject::connect(&player, &MediaPlayer::openStateChanged, &loop, [&] {
        opened = true;
        loop.quit();
    });
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    if (!player.setFileName(file)) return false;
    if (player.playState() != MediaPlayer::Stopped) loop.exec();
    QObject::disconnect(c);
    return opened || player.playState() == MediaPlayer::Stopped;
}

void runFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// CPU share of one core while `file` plays for `seconds`.
double cpuWhilePlaying(const MpvMediaPlayer::Options &o, const QString &file, int seconds) {
    MpvMediaPlayer player(o);
    if (!waitOpen(player, file)) return -1;
    player.play();
    runFor(500); // past the start-up of the output
    const double cpu0 = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    runFor(seconds * 1000);
    const double used = cpuSeconds() - cpu0;
    return 100.0 * used / (double(wall.nsecsElapsed()) / 1e9);
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    MpvMediaPlayer::Options options = MpvMediaPlayer::Options::fromEnvironment();
    int runs = 20, seconds = 8;
    for (int i = 1; i + 1 < argc; i += 2) {
        const QByteArray key = argv[i], value = argv[i + 1];
        if (key == "--ao")
            options.audioOutput = value;
        else if (key == "--runs")
            runs = std::max(1, value.toInt());
        else if (key == "--seconds")
            seconds = std::max(1, value.toInt());
    }
    QTemporaryDir dir;
    const QString wav = dir.filePath(QStringLiteral("tone.wav"));
    const QString mp3 = dir.filePath(QStringLiteral("tone.mp3"));
    const QString avi = dir.filePath(QStringLiteral("clip.avi"));
    if (!TestMedia::writeWav(wav, seconds + 4) || !TestMedia::writeMp3(mp3, seconds + 4) ||
        !TestMedia::writeAvi(avi, seconds + 4, 320, 240, 25)) {
        std::fprintf(stderr, "cannot write the test media\n");
        return 1;
    }
    const char *ao = options.audioOutput.isEmpty() ? "default" : options.audioOutput.constData();

    // Play command to the first position change: on a track already open (play/pause), and
    // from handing the file over (LoadTrack followed by Play, as a double click does). The
    // time to 0.1 s of position, less those 100 ms, estimates when the output really started.
    struct Series {
        const char *name;
        std::vector<double> first, started;
    };
    Series open{"opened track", {}, {}}, load{"load + play", {}, {}};
    {
        MpvMediaPlayer player(options);
        if (!player.isValid()) {
            std::fprintf(stderr, "mpv: %s\n", qPrintable(player.startError()));
            return 1;
        }
        for (int r = 0; r < 2 * runs; ++r) {
            const QString file = (r / 2) % 2 ? mp3 : wav;
            Series &series = r % 2 ? load : open;
            QElapsedTimer t;
            if (&series == &open) {
                if (!waitOpen(player, file)) {
                    std::fprintf(stderr, "cannot open the test media\n");
                    return 1;
                }
                t.start();
            } else {
                t.start();
                if (!player.setFileName(file)) return 1;
            }
            player.play();
            double first = -1;
            while (t.elapsed() < 5000) {
                QCoreApplication::processEvents();
                const double pos = player.currentPosition();
                if (pos > 0.0 && first < 0) first = double(t.nsecsElapsed()) / 1e6;
                if (pos >= 0.1) break;
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
            series.first.push_back(first);
            series.started.push_back(double(t.nsecsElapsed()) / 1e6 - 100.0);
            player.stop();
        }
    }
    for (Series *s : {&open, &load}) {
        for (auto *v : {&s->first, &s->started}) {
            std::sort(v->begin(), v->end());
            const auto at = [v](double q) { return (*v)[size_t(q * double(v->size() - 1))]; };
            std::printf("ao=%s %-12s play -> %-28s (ms, %d runs, WAV+MP3): min %6.1f  "
                        "median %6.1f  p90 %6.1f  max %6.1f\n",
                        ao, s->name,
                        v == &s->first ? "first position change" : "output start (pos 0.1 - 100)",
                        runs, v->front(), at(0.5), at(0.9), v->back());
        }
    }

    std::printf("ao=%s CPU while playing (%% of one core over %d s): WAV %.1f  MP3 %.1f  "
                "AVI 320x240 25 fps (no video output) %.1f\n",
                ao, seconds, cpuWhilePlaying(options, wav, seconds),
                cpuWhilePlaying(options, mp3, seconds), cpuWhilePlaying(options, avi, seconds));
    return 0;
}
