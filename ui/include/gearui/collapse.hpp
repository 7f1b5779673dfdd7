// Where the window goes when the mouse moves while screen-edge collapse is
// on: it tucks itself behind the left, top or right screen edge, leaving a
// strip visible, and comes back out when the mouse moves over that strip.
#pragma once

#include <optional>

namespace gearcalc {

struct CollapseInput {
    int left = 0, top = 0, width = 0, height = 0; // window, screen pixels
    int client_width = 0, client_height = 0;
    int screen_width = 0;
    int cursor_x = 0, cursor_y = 0; // screen coordinates
    int x = 0, y = 0;               // mouse, client coordinates
};

struct Placement {
    std::optional<int> left, top; // an omitted value stays unchanged
    bool operator==(const Placement&) const = default;
};

// The monitor the window is on, in the units of the window's place, and
// whether the desktop ends at its left, top and right edges: an edge that
// another monitor continues never collapses.
struct MonitorEdges {
    int left = 0, top = 0, right = 0;
    bool left_open = true, top_open = true, right_open = true;
};

// The move to make, or nothing when the window stays where it is.
std::optional<Placement> collapseStep(const CollapseInput& in, const MonitorEdges& monitor);
// The same with one screen at the origin, `screen_width` wide.
std::optional<Placement> collapseStep(const CollapseInput& in);

} // namespace gearcalc
