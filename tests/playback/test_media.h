#pragma once
// Media files the playback tests generate: tones as WAV and MP3 (with tags) and a short AVI
// video with sound (raw frames and PCM, so any demuxer opens it).
#include <QString>

namespace TestMedia {

struct Tags {
    QString title, artist, copyright, comment;
};

// 16-bit PCM; a sine of `hzLeft` on the left and `hzRight` on the right channel (stereo), or
// `hzLeft` alone (mono). Amplitude 0.5 of full scale.
bool writeWav(const QString &path, double seconds, int channels = 2, int rate = 44100,
              double hzLeft = 440.0, double hzRight = 440.0);
// Stereo 128 kbit/s CBR MP3 of a 440 Hz tone; ID3v2 tags when any is given.
bool writeMp3(const QString &path, double seconds, const Tags &tags = {});
// An AVI of `width` x `height` (multiple of 4) frames at `fps` with a stereo tone.
bool writeAvi(const QString &path, double seconds, int width = 64, int height = 48, int fps = 10);

} // namespace TestMedia
