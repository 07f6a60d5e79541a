#pragma once
// What the recording benches share: a track playing through libmpv into PulseAudio beside the
// recording input, and the CPU share of this process while the event loop runs.
#include "platform/pulse_audio_input.h"
#include "playback/mpv_media_player.h"
#include "support/cpu_time.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QString>
#include <QTimer>
#include <cstdio>

namespace bench {

// Runs the event loop for `ms` and returns the CPU share of one core over that time.
inline double cpuShare(int ms) {
    const double c0 = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    return 100.0 * (cpuSeconds() - c0) / (double(wall.elapsed()) / 1000.0);
}

struct PlayingTrack {
    MpvMediaPlayer player{[] {
        MpvMediaPlayer::Options options;
        options.audioOutput = QByteArrayLiteral("pulse");
        return options;
    }()};
    PulseAudioInput input;

    // Starts `song` and lets it settle for a second; false (said on stderr) without a player
    // or a sound server.
    bool start(const QString &song) {
        if (!player.isValid() || !input.available()) {
            std::fprintf(stderr, "no player or no sound server\n");
            return false;
        }
        player.setFileName(song);
        player.play();
        cpuShare(1000); // opening and starting
        return true;
    }
};

} // namespace bench
