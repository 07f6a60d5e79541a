// The take as performed, timed against the sound server PULSE_SERVER names (mix.sh starts a
// private one with a null sink and its monitor remapped as a "microphone"):
//  - saving the mix of a five-minute take (voice, accompaniment with a pause, the limiter
//    working on a loud passage) against writing the voice alone, best of three;
//  - the process's CPU share while libmpv plays into the sink, and while it plays and a take
//    records the voice and the player's own output beside it.
//   take_mix_bench SONG.wav VOICE_SOURCE SECONDS OUT.wav
#include "platform/pulse_output_capture.h"
#include "playing_track.h"
#include "recording/capture_engine.h"
#include "recording/take_accompaniment.h"
#include "recording/take_mixer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>
#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// The best of three runs: wall seconds, and CPU seconds of the process (what the run costs
// when the machine is shared).
struct Timing {
    double wall = 1e9, cpu = 1e9;
    bool ok = true;
};
template <typename F> Timing bestOf3(F f) {
    Timing best;
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer t;
        t.start();
        const double c0 = bench::cpuSeconds();
        best.ok = f() && best.ok;
        best.cpu = std::min(best.cpu, bench::cpuSeconds() - c0);
        best.wall = std::min(best.wall, double(t.nsecsElapsed()) / 1e9);
    }
    return best;
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    if (argc < 5) {
        std::fprintf(stderr, "usage: take_mix_bench SONG.wav VOICE_SOURCE SECONDS OUT.wav\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[4]);

    // Five minutes of CD-quality voice and accompaniment; the accompaniment pauses for 2 s in
    // the middle and is loud enough at the end for the limiter to work.
    const AudioFormat cd{44100, 2, 16};
    const size_t frames = size_t(300 * cd.rate);
    std::vector<int16_t> voice(frames * 2), music(frames * 2);
    for (size_t k = 0; k < frames; ++k) {
        const double t = double(k) / cd.rate;
        const auto v = int16_t(9000 * std::sin(2 * M_PI * 220 * t));
        const auto m = int16_t((k > frames * 9 / 10 ? 30000 : 12000) * std::sin(2 * M_PI * 97 * t));
        voice[2 * k] = voice[2 * k + 1] = v;
        music[2 * k] = music[2 * k + 1] = m;
    }
    const std::vector<AlignPoint> points = {{0, 2205}, {6615000, 6615000 + 2205 + 88200}};
    const char *v = reinterpret_cast<const char *>(voice.data());
    const char *m = reinterpret_cast<const char *>(music.data());
    const Timing mix = bestOf3([&] {
        return TakeMixer::writeWav(out, cd, v, voice.size() * 2, m, music.size() * 2, points);
    });
    const Timing plain = bestOf3([&] { return TakeFile::writeWav(out, cd, v, voice.size() * 2); });
    std::printf("saving a 5-minute take (best of 3): the mix %.3f s (%.3f s CPU), the voice alone "
                "%.3f s (%.3f s CPU)%s\n",
                mix.wall, mix.cpu, plain.wall, plain.cpu, mix.ok && plain.ok ? "" : " FAILED");

    const QString song = QString::fromLocal8Bit(argv[1]);
    const QString source = QString::fromLocal8Bit(argv[2]);
    const int seconds = std::atoi(argv[3]);
    bench::PlayingTrack track;
    if (!track.start(song)) return 1;
    PulseAudioInput &input = track.input;
    const double playing = bench::cpuShare(seconds * 1000);
    CaptureEngine engine(&input);
    engine.setup(seconds + 5, 30);
    if (!engine.start(source)) {
        std::fprintf(stderr, "capture did not start\n");
        return 1;
    }
    TakeAccompaniment accompaniment(std::make_unique<PulseOutputCapture>());
    accompaniment.voiceTiming = [&engine](CaptureTiming &t) { return engine.timing(t); };
    accompaniment.start(source, engine.format(), engine.captureSize(),
                        QFileInfo(out).absolutePath());
    QTimer spool;
    QObject::connect(&spool, &QTimer::timeout, [&] { accompaniment.spool(); });
    spool.start(1000);
    const double recording = bench::cpuShare(seconds * 1000);
    accompaniment.stop();
    engine.stop();
    std::printf("CPU while playing: %.2f %% of one core; playing and recording voice and "
                "accompaniment: %.2f %% (recording adds %.2f points); accompaniment %s\n",
                playing, recording, recording - playing,
                accompaniment.captured() ? "captured" : "NOT captured");
    const bool aligned = !accompaniment.alignment().empty();
    accompaniment.release();
    return mix.ok && plain.ok && aligned ? 0 : 1;
}
