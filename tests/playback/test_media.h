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
// A stereo "song": a `centreHz` tone in both channels (0.4 of full scale, the voice) and a
// `leftHz` tone on the left only (0.3).
bool writeCentreWav(const QString &path, double seconds, double centreHz = 440.0,
                    double leftHz = 660.0);
// A stereo "band": a 440 Hz voice and a 55 Hz bass in the centre (0.3 each), 660 Hz on the left
// only and 880 Hz on the right only (0.2 each).
bool writeBandWav(const QString &path, double seconds);
// The amplitude (0...1) of `hz` on `channel` over the whole file; -1 when it cannot be read.
double toneLevel(const QString &path, int channel, double hz);

// What a sound file holds, read with libsndfile: per channel the strongest frequency of its
// first second (0 for silence) and the peak (0...1).
struct Measure {
    int rate = 0, channels = 0;
    long long frames = 0;
    double hz[2] = {0, 0};
    double peak[2] = {0, 0};
    bool channelsEqual = false; // every frame holds one value in both channels
};
Measure measure(const QString &path);

// Stereo 128 kbit/s CBR MP3 of a tone (440 Hz unless given); ID3v2 tags when any is given.
bool writeMp3(const QString &path, double seconds, const Tags &tags = {}, double hz = 440.0);
// The tone at bin 100 of a 2048-point transform at 44.1 kHz (2153.3 Hz): the key shift's
// transform moves it by whole bins, so its shifted frequency is the step's ratio to about 1 %.
constexpr double kBinTone = 100 * 44100.0 / 2048;
// An AVI of `width` x `height` (multiple of 4) frames at `fps` with a stereo tone.
bool writeAvi(const QString &path, double seconds, int width = 64, int height = 48, int fps = 10);

} // namespace TestMedia
