#pragma once
// Which list item previous, next and the end of a track go to.
namespace TrackChooser {

enum class Direction { Previous, Next };

struct Choice {
    enum class Kind {
        None,      // the list is empty
        Select,    // select `index`
        PickRandom // shuffle: let the playlist pick an unplayed item
    };
    Kind kind = Kind::None;
    int index = -1;
};

// `selected` is the list's selected index (-1 none), `current` is CurrentIndex (-1 none).
// An item the user selected while another track played is taken as it is; otherwise the
// neighbour in `direction` (wrapping at both ends), or a random pick when `shuffle` is on.
Choice choose(Direction direction, int selected, int current, int count, bool shuffle);

} // namespace TrackChooser
