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
#include "synthetic_band.h"

#include <sndfile.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using codec::PlanarStereo;
using namespace SyntheticBand;

constexpr int kRate = 44100;
constexpr double kSeconds = 8;

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
    std::vector<Part> parts = {{"voice", voice(kRate, kSeconds), false},
                               {"bass", bass(kRate, kSeconds), false},
                               {"kick", kick(kRate, kSeconds), false},
                               {"left", leftGuitar(kRate, kPanned, kSeconds), true},
                               {"right", rightKeys(kRate, kPanned, kSeconds), true}};
    std::printf("level change in dB (side parts: change of the L/R ratio in brackets)\n");
    std::printf("%-22s", "method");
    for (const Part &p : parts)
        std::printf(p.side ? " %8s        " : " %8s", p.name);
    std::printf("\n");

    PlanarStereo mix = silence(kRate, kSeconds);
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
