#pragma once
// The stereo input level meter in units of the meter box (4320 wide, the centre at 2130):
// two covers hide the meter's picture from the outside in, two markers hold the peaks and
// fall back toward the centre.
class LevelMeter {
public:
    static constexpr int kWidth = 4320;
    static constexpr int kRest = 2115; // where a marker rests
    static constexpr int kMarkerWidth = 30;
    static constexpr int kLeftCoverWidth = 2160;
    static constexpr int kRightCoverWidth = 2170;

    // Every tick: a marker away from its rest moves 15 toward the centre, not past it.
    void fallBack();
    // Draws the levels (0 ... 2160): the covers open, a marker moves out to a new peak.
    void show(int leftLevel, int rightLevel);
    // The meter is switched off: the covers close; the markers keep falling back.
    void park() {
        leftCover = -45;
        rightCover = 2145;
    }
    bool markersAtRest() const { return leftMarker == kRest && rightMarker == kRest; }
    bool operator==(const LevelMeter &o) const {
        return leftCover == o.leftCover && rightCover == o.rightCover &&
               leftMarker == o.leftMarker && rightMarker == o.rightMarker;
    }

    int leftCover = -45;   // left edge of the left cover
    int rightCover = 2145; // left edge of the right cover
    int leftMarker = kRest;
    int rightMarker = kRest;
};
