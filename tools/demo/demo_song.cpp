// Builds the demonstration song of Lyravox: "Twinkle, Twinkle, Little Star" (traditional tune,
// words by Jane Taylor, 1806; both public domain) played by a small additive synthesizer, as a
// 16-bit stereo WAV file, with its time-tagged LRC lyric file beside it.
//
//   lyravox-demo-song OUTPUT_FOLDER    writes OUTPUT_FOLDER/demo.wav and OUTPUT_FOLDER/demo.lrc
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr double kBeat = 0.6;        // seconds per quarter note
constexpr double kIntro = 4 * kBeat; // one bar of accompaniment before the voice
constexpr double kPi = 3.14159265358979323846;

struct Note {
    int midi; // 0: rest
    double beats;
};

double frequency(int midi) {
    return 440.0 * std::pow(2.0, (midi - 69) / 12.0);
}

// The six phrases of the tune in C major, each of eight beats.
const std::vector<std::vector<Note>> kPhrases = {
    {{60, 1}, {60, 1}, {67, 1}, {67, 1}, {69, 1}, {69, 1}, {67, 2}},
    {{65, 1}, {65, 1}, {64, 1}, {64, 1}, {62, 1}, {62, 1}, {60, 2}},
    {{67, 1}, {67, 1}, {65, 1}, {65, 1}, {64, 1}, {64, 1}, {62, 2}},
    {{67, 1}, {67, 1}, {65, 1}, {65, 1}, {64, 1}, {64, 1}, {62, 2}},
    {{60, 1}, {60, 1}, {67, 1}, {67, 1}, {69, 1}, {69, 1}, {67, 2}},
    {{65, 1}, {65, 1}, {64, 1}, {64, 1}, {62, 1}, {62, 1}, {60, 2}},
};
// The words of the first four phrases in halves of four beats (phrases 5 and 6 repeat 1 and 2).
const char *const kWords[4][2] = {
    {"Twinkle, twinkle,", "little star,"},
    {"How I wonder", "what you are!"},
    {"Up above", "the world so high,"},
    {"Like a diamond", "in the sky."},
};
// Bass notes, two per phrase (one per half bar of four beats).
const int kBass[][2] = {{48, 53}, {53, 48}, {55, 53}, {55, 53}, {48, 53}, {53, 48}};

// A plucked, slightly bright tone: four harmonics under an attack-decay-release envelope.
void addTone(std::vector<float> &left, std::vector<float> &right, double start, double length,
             double hz, double gain, double pan) {
    const size_t first = static_cast<size_t>(start * kRate);
    const size_t count = static_cast<size_t>((length + 0.25) * kRate);
    const double harmonics[] = {1.0, 0.45, 0.2, 0.1};
    for (size_t i = 0; i < count && first + i < left.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        double envelope = std::min(1.0, t / 0.015) * std::exp(-2.2 * t / std::max(length, 0.2));
        if (t > length) envelope *= std::max(0.0, 1.0 - (t - length) / 0.25);
        double sample = 0;
        for (int h = 0; h < 4; ++h)
            sample += harmonics[h] * std::sin(2 * kPi * hz * (h + 1) * t) / (1.0 + 0.3 * h);
        sample *= gain * envelope;
        left[first + i] += static_cast<float>(sample * (1.0 - pan));
        right[first + i] += static_cast<float>(sample * (1.0 + pan));
    }
}

void put16(std::ofstream &out, uint16_t v) {
    const char b[2] = {static_cast<char>(v & 0xff), static_cast<char>(v >> 8)};
    out.write(b, 2);
}
void put32(std::ofstream &out, uint32_t v) {
    put16(out, static_cast<uint16_t>(v & 0xffff));
    put16(out, static_cast<uint16_t>(v >> 16));
}

bool writeWav(const std::filesystem::path &path, const std::vector<float> &left,
              const std::vector<float> &right) {
    const std::filesystem::path partial = path.string() + ".part";
    {
        std::ofstream out(partial, std::ios::binary);
        if (!out) return false;
        const uint32_t dataBytes = static_cast<uint32_t>(left.size() * 4);
        out.write("RIFF", 4);
        put32(out, 36 + dataBytes);
        out.write("WAVEfmt ", 8);
        put32(out, 16);
        put16(out, 1); // PCM
        put16(out, 2);
        put32(out, kRate);
        put32(out, kRate * 4);
        put16(out, 4);
        put16(out, 16);
        out.write("data", 4);
        put32(out, dataBytes);
        for (size_t i = 0; i < left.size(); ++i) {
            for (float s : {left[i], right[i]}) {
                const double clipped = std::max(-1.0, std::min(1.0, static_cast<double>(s)));
                put16(out,
                      static_cast<uint16_t>(static_cast<int16_t>(std::lround(clipped * 32767))));
            }
        }
        if (!out.good()) return false;
    }
    std::error_code error;
    std::filesystem::rename(partial, path, error);
    return !error;
}

std::string lrcTime(double seconds) {
    const int hundredths = static_cast<int>(std::lround(seconds * 100));
    char text[32];
    std::snprintf(text, sizeof text, "[%02d:%02d.%02d]", hundredths / 6000, hundredths / 100 % 60,
                  hundredths % 100);
    return text;
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::cerr << "usage: lyravox-demo-song OUTPUT_FOLDER\n";
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        std::cerr << "lyravox-demo-song: cannot create " << folder << ": " << error.message()
                  << "\n";
        return 1;
    }

    const double songEnd = kIntro + 6 * 8 * kBeat;
    const double total = songEnd + 3.0;
    std::vector<float> left(static_cast<size_t>(total * kRate)), right(left.size());

    // Intro: the bass and an arpeggio of the tonic.
    for (int i = 0; i < 4; ++i) {
        addTone(left, right, i * kBeat, kBeat, frequency(std::vector<int>{60, 64, 67, 72}[i]), 0.18,
                0.3);
    }
    addTone(left, right, 0, 4 * kBeat, frequency(48), 0.22, -0.3);

    std::vector<double> phraseStarts;
    double t = kIntro;
    for (size_t p = 0; p < kPhrases.size(); ++p) {
        phraseStarts.push_back(t);
        addTone(left, right, t, 4 * kBeat, frequency(kBass[p][0]), 0.22, -0.3);
        addTone(left, right, t + 4 * kBeat, 4 * kBeat, frequency(kBass[p][1]), 0.22, -0.3);
        for (const Note &note : kPhrases[p]) {
            if (note.midi)
                addTone(left, right, t, note.beats * kBeat * 0.95, frequency(note.midi), 0.35, 0.1);
            t += note.beats * kBeat;
        }
    }
    // A last chord.
    for (int midi : {48, 60, 64, 67})
        addTone(left, right, songEnd, 2.0, frequency(midi), 0.15, 0.0);

    if (!writeWav(folder / "demo.wav", left, right)) {
        std::cerr << "lyravox-demo-song: cannot write " << (folder / "demo.wav") << "\n";
        return 1;
    }

    // The repeated lines carry both of their times, as LRC files do for refrains.
    std::string lrc = "[ti:Twinkle, Twinkle, Little Star]\r\n"
                      "[ar:Lyravox demo band]\r\n"
                      "[by:Jane Taylor (1806), traditional tune]\r\n"
                      "[00:00.00]Twinkle, Twinkle, Little Star\r\n";
    for (int p = 0; p < 4; ++p) {
        for (int half = 0; half < 2; ++half) {
            const double offset = half * 4 * kBeat;
            std::string tags = lrcTime(phraseStarts[p] + offset);
            if (p < 2) tags += lrcTime(phraseStarts[p + 4] + offset);
            lrc += tags + kWords[p][half] + "\r\n";
        }
    }
    lrc += lrcTime(songEnd) + "~ ~ ~\r\n";
    const std::filesystem::path lrcPath = folder / "demo.lrc";
    {
        std::ofstream out(lrcPath.string() + ".part", std::ios::binary);
        out << lrc;
        if (!out.good()) {
            std::cerr << "lyravox-demo-song: cannot write " << lrcPath << "\n";
            return 1;
        }
    }
    std::filesystem::rename(lrcPath.string() + ".part", lrcPath, error);
    if (error) {
        std::cerr << "lyravox-demo-song: cannot write " << lrcPath << "\n";
        return 1;
    }
    return 0;
}
