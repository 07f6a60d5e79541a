#include "playback/track_chooser.h"

namespace TrackChooser {

Choice choose(Direction direction, int selected, int current, int count, bool shuffle) {
    Choice c;
    if (count <= 0) return c;
    // Another item the user picked wins. No selection at all (-1) is not a pick: it would
    // load item -1, so the neighbour of the current track is chosen instead.
    if (selected != current && selected >= 0 && selected < count) {
        c.kind = Choice::Kind::Select;
        c.index = selected;
        return c;
    }
    if (shuffle) {
        c.kind = Choice::Kind::PickRandom;
        return c;
    }
    c.kind = Choice::Kind::Select;
    if (direction == Direction::Next)
        c.index = (current < 0 || current + 1 >= count) ? 0 : current + 1;
    else
        c.index = (current > 0 && current <= count) ? current - 1 : count - 1;
    return c;
}

} // namespace TrackChooser
