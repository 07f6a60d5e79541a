#pragma once
// Removes the sound mixed to the centre of a stereo recording (usually the lead voice) while the
// bass, the drums below the voice band and everything panned to a side stay.
//
// Both channels go through a short-time Fourier transform (4096 points, hop 1024, square-root
// Hann window before and after, which overlap-add to one). Per bin, the auto and cross spectra
// of the channels, smoothed over neighbouring bins and frames, give the power of the part common
// to both channels: the real cross spectrum where the rest of the channels looks independent,
// or what is left once a source panned to one side is accounted for (a single panned source
// leaves nothing common). The common part is estimated from both channels with the gains that
// minimise the mean square error inside the voice band (about 120 Hz to 8 kHz, raised-cosine
// edges); only it goes back through the inverse transform, and it is subtracted from each
// channel, so everything else stays exactly as it was.
//
// The result depends only on the input: the sound is always cut into the same pieces, whatever
// the number of cores, and each piece sees the frames around its edges.
#include "codec.h"

#include <cstddef>
#include <vector>

namespace codec {

// A stereo sound as two channels of equal length, full scale -1...1.
struct PlanarStereo {
    std::vector<float> left, right;
    size_t frames() const { return left.size(); }
};

class CentreRemover {
public:
    static constexpr int kFftSize = 4096;
    static constexpr int kHop = kFftSize / 4;

    // `remove` false passes the spectra unchanged: the transform alone, for checking it.
    explicit CentreRemover(int sampleRate, bool remove = true);

    // Rewrites `sound` in place. Each of `followers` (of the same length) is rewritten with
    // the per-bin gains found for `sound`: since the rest is linear, a mix's parts processed
    // this way add up to the processed mix, which lets one measure what happened to each part.
    // False when cancelled through `control` (the sounds are then unspecified).
    bool process(PlanarStereo &sound, const std::vector<PlanarStereo *> &followers = {},
                 const JobControl &control = {}) const;

    // The share of a bin's centre that is removed at `hz`, 0...1 (the voice band's edges).
    double bandWeight(double hz) const;

private:
    int m_rate;
    bool m_remove;
    std::vector<float> m_window; // square-root periodic Hann, with the synthesis scale folded in
    std::vector<float> m_band;   // bandWeight per bin
};

} // namespace codec
