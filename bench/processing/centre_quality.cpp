// centre_quality PROCESSING_RUN
// What each vocal removal does to the parts of a synthetic band (a centred voice gliding
// 200...380 Hz with partials to 6.5 kHz, a centred 55...110 Hz bass, a centred kick, and an
// instrument on each side, 10 dB lower on the other): the level change of every part and the
// change of the side instruments' left/right energy ratio, in dB.
//   - frequency domain: the codec library's CentreRemover on the mix, its gains applied to each
//     part (the transform and the gains are linear, so the parts add up to the processed mix);
//   - sox oops, the subtraction without and with compensation (level 3, the player's default):
//     linear, so each part is processed on its own (WAV files, sox and PROCESSING_RUN devocal).
#include "centre_remover.h"
#include "codec.h"

#include <sndfile.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using codec::PlanarStereo;

constexpr int kRate = 44100;
constexpr double kSeconds = 8;

PlanarStereo silence() {
    PlanarStereo s;
    s.left.assign(size_t(kSeconds * kRate), 0.0f);
    s.right = s.left;
    return s;
}

double gate(double t, double period, double on) {
    const double p = std::fmod(t, period);
    if (p > on) return 0;
    return std::min({1.0, p / 0.01, (on - p) / 0.01});
}

PlanarStereo voice() {
    PlanarStereo s = silence();
    double phase = 0;
    for (size_t i = 0; i < s.frames(); ++i) {
        const double t = double(i) / kRate;
        const double f0 = 200 + 180 * (0.5 - 0.5 * std::cos(2 * M_PI * t / 1.7));
        phase += 2 * M_PI * f0 / kRate;
        double v = 0;
        for (int k = 1; k * f0 < 6500; ++k)
            v += std::sin(k * phase) / k;
        s.left[i] = s.right[i] = float(0.12 * v * gate(t, 0.8, 0.65));
    }
    return s;
}

PlanarStereo bass() {
    const double notes[] = {55, 73.42, 82.41, 110};
    PlanarStereo s = silence();
    double phase = 0;
    for (size_t i = 0; i < s.frames(); ++i) {
        const double t = double(i) / kRate;
        phase += 2 * M_PI * notes[size_t(t / 0.5) % 4] / kRate;
        s.left[i] = s.right[i] = float(0.25 * std::sin(phase) * gate(t, 0.5, 0.48));
    }
    return s;
}

PlanarStereo kick() {
    PlanarStereo s = silence();
    double phase = 0;
    for (size_t i = 0; i < s.frames(); ++i) {
        const double t = std::fmod(double(i) / kRate, 0.5);
        if (t == 0) phase = 0;
        phase += 2 * M_PI * (45 + 45 * std::exp(-t / 0.03)) / kRate;
        s.left[i] = s.right[i] =
            float(0.5 * std::min(1.0, t / 0.003) * std::exp(-t / 0.06) * std::sin(phase));
    }
    return s;
}

PlanarStereo instrument(const std::vector<double> &notes, bool onLeft) {
    PlanarStereo s = silence();
    double phase = 0;
    for (size_t i = 0; i < s.frames(); ++i) {
        const double t = double(i) / kRate;
        const double f = notes[size_t(t / 0.25) % notes.size()];
        phase += 2 * M_PI * f / kRate;
        double v = 0;
        for (int k = 1; k <= 6; ++k)
            v += std::sin(k * phase) / (k * k);
        v *= 0.15 * gate(t, 0.25, 0.23);
        (onLeft ? s.left : s.right)[i] = float(v);
        (onLeft ? s.right : s.left)[i] = float(0.3 * v);
    }
    return s;
}

double energy(const std::vector<float> &v) {
    double e = 0;
    for (float x : v)
        e += double(x) * x;
    return e;
}
double dB(double ratio) {
    return 10 * std::log10(std::max(ratio, 1e-12));
}

bool writeWav(const std::string &path, const PlanarStereo &s) {
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE *f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f) return false;
    std::vector<float> data;
    for (size_t i = 0; i < s.frames(); ++i) {
        data.push_back(s.left[i]);
        data.push_back(s.right[i]);
    }
    sf_writef_float(f, data.data(), sf_count_t(s.frames()));
    sf_close(f);
    return true;
}

bool readWav(const std::string &path, PlanarStereo &s) {
    SF_INFO info{};
    SNDFILE *f = sf_open(path.c_str(), SFM_READ, &info);
    if (!f || info.channels != 2) return false;
    std::vector<float> data(size_t(info.frames) * 2);
    sf_readf_float(f, data.data(), info.frames);
    sf_close(f);
    s.left.clear();
    s.right.clear();
    for (sf_count_t i = 0; i < info.frames; ++i) {
        s.left.push_back(data[size_t(2 * i)]);
        s.right.push_back(data[size_t(2 * i + 1)]);
    }
    return true;
}

struct Part {
    const char *name;
    PlanarStereo sound;
    bool side;
};

void printRow(const char *method, const std::vector<Part> &parts,
              const std::vector<PlanarStereo> &out) {
    std::printf("%-22s", method);
    for (size_t p = 0; p < parts.size(); ++p) {
        const PlanarStereo &in = parts[p].sound;
        const double level =
            dB((energy(out[p].left) + energy(out[p].right)) / (energy(in.left) + energy(in.right)));
        if (level <= -100)
            std::printf(" %8s", "-inf"); // cancelled to the last bit
        else
            std::printf(" %8.1f", level);
        if (parts[p].side) {
            const double before = dB(energy(in.left) / energy(in.right));
            const double after = dB(energy(out[p].left) / energy(out[p].right));
            std::printf(" (%+5.1f)", after - before);
        }
    }
    std::printf("\n");
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: centre_quality PROCESSING_RUN\n");
        return 2;
    }
    std::vector<Part> parts = {{"voice", voice(), false},
                               {"bass", bass(), false},
                               {"kick", kick(), false},
                               {"left", instrument({330, 392, 440, 494}, true), true},
                               {"right", instrument({523, 587, 659, 784, 880}, false), true}};
    std::printf("level change in dB (side parts: change of the L/R ratio in brackets)\n");
    std::printf("%-22s", "method");
    for (const Part &p : parts)
        std::printf(p.side ? " %8s        " : " %8s", p.name);
    std::printf("\n");

    PlanarStereo mix = silence();
    for (const Part &p : parts)
        for (size_t i = 0; i < mix.frames(); ++i) {
            mix.left[i] += p.sound.left[i];
            mix.right[i] += p.sound.right[i];
        }
    std::vector<PlanarStereo> out;
    std::vector<PlanarStereo *> followers;
    for (const Part &p : parts)
        out.push_back(p.sound);
    for (PlanarStereo &o : out)
        followers.push_back(&o);
    if (!codec::CentreRemover(kRate).process(mix, followers)) return 1;
    printRow("frequency domain", parts, out);

    char folder[] = "/tmp/centre-quality-XXXXXX";
    if (!mkdtemp(folder)) return 1;
    const std::string dir = folder;
    const std::string run = argv[1];
    struct Method {
        const char *name;
        std::string command; // %s IN, %s OUT; empty for the codec call
    } methods[] = {{"sox oops", "sox '%s' '%s' oops"},
                   {"subtraction", ""},
                   {"subtraction + comp. 3", "'" + run + "' devocal '%s' '%s' 3"}};
    int status = 0;
    for (const Method &m : methods) {
        for (size_t p = 0; p < parts.size(); ++p) {
            const std::string in = dir + "/" + parts[p].name + ".wav";
            const std::string result = dir + "/" + parts[p].name + ".out.wav";
            writeWav(in, parts[p].sound);
            bool ok;
            if (m.command.empty()) {
                ok = codec::removeCentre(in, result).ok;
            } else {
                std::vector<char> command(m.command.size() + in.size() + result.size() + 1);
                std::snprintf(command.data(), command.size(), m.command.c_str(), in.c_str(),
                              result.c_str());
                ok = std::system(command.data()) == 0;
            }
            if (!ok || !readWav(result, out[p])) {
                std::fprintf(stderr, "centre_quality: %s failed on %s\n", m.name, parts[p].name);
                status = 1;
            }
        }
        printRow(m.name, parts, out);
    }
    std::system(("rm -rf '" + dir + "'").c_str());
    return status;
}
