// Recording timings against the sound server PULSE_SERVER names (run.sh starts a private one
// with a null sink): the process's CPU share while libmpv plays a track into the sink, with and
// without the capture engine recording the sink's monitor; and the time to save a ten-minute
// take from the capture buffer.
//   recording_bench SONG.wav SECONDS TAKE_OUT.wav
#include "playing_track.h"
#include "recording/capture_engine.h"
#include "recording/take_file.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    if (argc < 4) {
        std::fprintf(stderr, "usage: recording_bench SONG.wav SECONDS TAKE_OUT.wav\n");
        return 2;
    }
    const QString song = QString::fromLocal8Bit(argv[1]);
    const int seconds = std::atoi(argv[2]);
    bench::PlayingTrack track;
    if (!track.start(song)) return 1;
    PulseAudioInput &input = track.input;
    const double playing = bench::cpuShare(seconds * 1000);
    CaptureEngine engine(&input);
    engine.setup(seconds + 5, 30);
    QString monitor;
    for (const AudioSourceInfo &s : input.sources())
        if (s.monitor) monitor = s.name;
    if (!engine.start(monitor)) {
        std::fprintf(stderr, "capture did not start\n");
        return 1;
    }
    const double recording = bench::cpuShare(seconds * 1000);
    engine.stop();
    std::printf("CPU while playing: %.2f %% of one core; while playing and recording: %.2f %% "
                "(recording adds %.2f points)\n",
                playing, recording, recording - playing);

    // A ten-minute take straight from a capture buffer of that size.
    const AudioFormat cd{44100, 2, 16};
    CaptureBuffer take(cd, size_t(603) * size_t(cd.bytesPerSecond()));
    std::vector<char> block(size_t(cd.bytesPerSecond()));
    for (size_t k = 0; k < block.size(); ++k)
        block[k] = char(k * 31);
    for (int s = 0; s < 600; ++s)
        take.append(block.data(), block.size());
    // The best of three saves: the first write of a new file also pays for fresh page cache.
    bool ok = true;
    double best = 1e9;
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer t;
        t.start();
        ok = TakeFile::writeWav(QString::fromLocal8Bit(argv[3]), cd, take.data(),
                                take.readPosition()) &&
             ok;
        best = std::min(best, double(t.nsecsElapsed()) / 1e9);
    }
    std::printf("saving a 10-minute take: %.3f s (best of 3)%s\n", best, ok ? "" : " (FAILED)");
    return ok ? 0 : 1;
}
