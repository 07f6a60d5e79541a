// The live key as the sound server receives it: tones from 220 to 880 Hz play through libmpv
// into a private PulseAudio's null sink with the key set; its monitor is recorded and each tone's
// pitch error (cents from the shifted target) and THD+N are measured. Then the CPU share of
// this process (the player's engine) while a track plays at the key and at the original key.
//   key_quality [--key N] [--filter "rubberband options"] [--tones HZ,HZ,...] [--seconds S]
// --seconds 0 leaves the CPU out.
// The filter defaults to the player's own; another one compares Rubber Band's settings.
#include "playback/mpv_media_player.h"
#include "pulse_server.h"
#include "support/cpu_time.h"
#include "test_media.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr double kRate = 44100.0;

void runFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool playOpened(MpvMediaPlayer &player, const QString &file) {
    if (!player.setFileName(file)) return false;
    player.play();
    QElapsedTimer t;
    t.start();
    while (player.currentPosition() < 0.05 && t.elapsed() < 5000)
        runFor(10);
    return player.currentPosition() >= 0.05;
}

// The left channel of the recording, frames [from, from + count), as doubles.
std::vector<double> leftChannel(const std::vector<int16_t> &stereo, size_t from, size_t count) {
    std::vector<double> x;
    for (size_t i = from; i < from + count && 2 * i < stereo.size(); ++i)
        x.push_back(stereo[2 * i] / 32768.0);
    return x;
}

// Rising zero crossings placed by linear interpolation: a first estimate of the frequency.
double crossingFrequency(const std::vector<double> &x) {
    double first = -1, last = -1;
    int count = 0;
    for (size_t i = 1; i < x.size(); ++i) {
        if (x[i - 1] < 0 && x[i] >= 0) {
            const double at = double(i - 1) + x[i - 1] / (x[i - 1] - x[i]);
            if (first < 0) first = at;
            last = at;
            ++count;
        }
    }
    return count > 1 ? (count - 1) * kRate / (last - first) : 0;
}

// Least-squares fit of a sine of `hz` plus a constant: the fitted sine's power and the power
// of what is left (every harmonic and all noise).
struct Fit {
    double tone = 0, rest = 0;
};

Fit fitSine(const std::vector<double> &x, double hz) {
    // Normal equations of [cos, sin, 1].
    double a[3][3] = {}, b[3] = {};
    const double w = 2 * M_PI * hz / kRate;
    for (size_t i = 0; i < x.size(); ++i) {
        const double v[3] = {std::cos(w * double(i)), std::sin(w * double(i)), 1.0};
        for (int r = 0; r < 3; ++r) {
            b[r] += v[r] * x[i];
            for (int c = 0; c < 3; ++c)
                a[r][c] += v[r] * v[c];
        }
    }
    // Gaussian elimination (the matrix is well conditioned over many periods).
    for (int p = 0; p < 3; ++p)
        for (int r = p + 1; r < 3; ++r) {
            const double f = a[r][p] / a[p][p];
            for (int c = p; c < 3; ++c)
                a[r][c] -= f * a[p][c];
            b[r] -= f * b[p];
        }
    double k[3];
    for (int r = 2; r >= 0; --r) {
        double s = b[r];
        for (int c = r + 1; c < 3; ++c)
            s -= a[r][c] * k[c];
        k[r] = s / a[r][r];
    }
    Fit fit;
    for (size_t i = 0; i < x.size(); ++i) {
        const double tone = k[0] * std::cos(w * double(i)) + k[1] * std::sin(w * double(i));
        const double rest = x[i] - tone - k[2];
        fit.tone += tone * tone;
        fit.rest += rest * rest;
    }
    return fit;
}

// The frequency whose sine fits best near the zero-crossing estimate (golden section search).
double bestFrequency(const std::vector<double> &x, double estimate) {
    double lo = estimate - 0.5, hi = estimate + 0.5;
    const double g = (std::sqrt(5.0) - 1) / 2;
    double c = hi - g * (hi - lo), d = lo + g * (hi - lo);
    double fc = fitSine(x, c).rest, fd = fitSine(x, d).rest;
    for (int k = 0; k < 40; ++k) {
        if (fc < fd) {
            hi = d;
            d = c;
            fd = fc;
            c = hi - g * (hi - lo);
            fc = fitSine(x, c).rest;
        } else {
            lo = c;
            c = d;
            fc = fd;
            d = lo + g * (hi - lo);
            fd = fitSine(x, d).rest;
        }
    }
    return (lo + hi) / 2;
}

struct Heard {
    double hz = 0, cents = 0, thdnDb = 0, level = 0;
};

// Plays `file` at the player's key and measures 1.5 s of the monitor after the start-up.
Heard listen(MpvMediaPlayer &player, const fxtest::PulseServer &server, const QString &file,
             double target) {
    fxtest::MonitorRecorder monitor(server.server(), "lvxnull.monitor");
    if (!monitor.started() || !playOpened(player, file)) return {};
    runFor(800); // past the filter's start and the buffers
    const size_t from = monitor.frames();
    runFor(1700);
    const std::vector<int16_t> heard = monitor.stop();
    player.stop();
    const std::vector<double> x = leftChannel(heard, from, size_t(1.5 * kRate));
    Heard h;
    const double estimate = crossingFrequency(x);
    if (estimate <= 0 || x.size() < size_t(kRate)) return h;
    h.hz = bestFrequency(x, estimate);
    h.cents = 1200 * std::log2(h.hz / target);
    const Fit fit = fitSine(x, h.hz);
    h.thdnDb = 10 * std::log10(fit.rest / fit.tone);
    h.level = std::sqrt(2 * fit.tone / double(x.size()));
    return h;
}

// CPU share of one core of this process while `file` plays at `semitones` for `seconds`.
double cpuWhilePlaying(const MpvMediaPlayer::Options &o, const QString &file, int semitones,
                       int seconds) {
    MpvMediaPlayer player(o);
    player.setPitchSemitones(semitones);
    if (!playOpened(player, file)) return -1;
    runFor(500);
    const double cpu0 = bench::cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    runFor(seconds * 1000);
    return 100.0 * (bench::cpuSeconds() - cpu0) / (double(wall.nsecsElapsed()) / 1e9);
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    MpvMediaPlayer::Options options;
    options.audioOutput = QByteArrayLiteral("pulse");
    int key = 2, seconds = 8;
    // Tones in steps of four semitones from A3 to A5.
    std::vector<double> tones = {220.0, 277.18, 349.23, 440.0, 554.37, 698.46, 880.0};
    for (int i = 1; i + 1 < argc; i += 2) {
        const QByteArray name = argv[i], value = argv[i + 1];
        if (name == "--key")
            key = value.toInt();
        else if (name == "--filter")
            options.keyFilterOptions = value;
        else if (name == "--tones") {
            tones.clear();
            for (const QByteArray &t : value.split(','))
                tones.push_back(t.toDouble());
        } else if (name == "--seconds")
            seconds = std::max(0, value.toInt());
    }
    fxtest::PulseServer server;
    if (!server.running()) {
        std::fprintf(stderr, "no private PulseAudio: %s\n", server.log().c_str());
        return 1;
    }
    QTemporaryDir dir;
    std::printf("key %+d, rubberband options \"%s\"\n", key, options.keyFilterOptions.constData());
    double worstCents = 0, worstThdn = -200;
    {
        MpvMediaPlayer player(options);
        if (!player.isValid()) {
            std::fprintf(stderr, "mpv: %s\n", qPrintable(player.startError()));
            return 1;
        }
        player.setPitchSemitones(key);
        for (const double hz : tones) {
            const QString file = dir.filePath(QStringLiteral("tone%1.wav").arg(hz));
            if (!TestMedia::writeWav(file, 4.0, 2, 44100, hz, hz)) return 1;
            const double target = hz * std::pow(2.0, key / 12.0);
            const Heard h = listen(player, server, file, target);
            std::printf("  %7.2f Hz -> %8.3f Hz (target %8.3f, amplitude %.3f): %+6.2f cents, "
                        "THD+N %6.1f dB\n",
                        hz, h.hz, target, h.level, h.cents, h.thdnDb);
            worstCents = std::max(worstCents, std::abs(h.cents));
            worstThdn = std::max(worstThdn, h.thdnDb);
        }
    }
    std::printf("worst: %.2f cents, THD+N %.1f dB\n", worstCents, worstThdn);

    if (seconds == 0) return 0; // tones only
    const QString wav = dir.filePath(QStringLiteral("song.wav"));
    const QString mp3 = dir.filePath(QStringLiteral("song.mp3"));
    if (!TestMedia::writeWav(wav, seconds + 4) || !TestMedia::writeMp3(mp3, seconds + 4)) return 1;
    for (const QString &file : {wav, mp3}) {
        const double shifted = cpuWhilePlaying(options, file, key, seconds);
        const double plain = cpuWhilePlaying(options, file, 0, seconds);
        std::printf("CPU while %s plays (%% of one core over %d s): key %+d %.1f, key 0 %.1f\n",
                    file == wav ? "a WAV" : "an MP3", seconds, key, shifted, plain);
    }
    return 0;
}
