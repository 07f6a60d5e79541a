#include "visuals/level_meter.h"

#include <algorithm>

void LevelMeter::fallBack() {
    if (leftMarker != kRest) leftMarker = std::min(leftMarker + 15, kRest);
    if (rightMarker != kRest) rightMarker = std::max(rightMarker - 15, kRest);
}

void LevelMeter::show(int leftLevel, int rightLevel) {
    leftCover = -45 - leftLevel;
    rightCover = 2145 + rightLevel;
    const int leftInner = leftCover + kLeftCoverWidth;
    if (leftInner - kMarkerWidth < leftMarker) leftMarker = leftInner - kMarkerWidth;
    if (rightMarker < rightCover) rightMarker = rightCover;
}
