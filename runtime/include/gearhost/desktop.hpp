// The desktop as one window sees it: the monitors, the window's place on
// them, its frame and its scale; and the view of it the program gets, in
// the form's units. A window system fills a DesktopView in its own pixels
// (physical pixels on Windows, Qt's logical pixels on Linux, the virtual
// screen's pixels headless); everything else here is plain arithmetic, so
// each backend reports and places the window the same way.
#pragma once

#include <gearhost/window_system.hpp>

#include <cstddef>
#include <optional>
#include <vector>

namespace gr {

// How far the visible frame lies inside the window's outer rectangle (the
// invisible resize borders of Windows 10/11).
struct Insets {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const Insets&) const = default;
};

// One window's view of the desktop at one moment, in the window system's
// pixels.
struct DesktopView {
    std::vector<Rect> monitors; // every monitor, screen coordinates
    int monitor = -1;           // the window's monitor; -1: work it out with monitorOf
    double scale = 1.0;         // the window system's pixels per form unit on that monitor
    Rect window;                // the window's outer rectangle
    Insets insets;              // its invisible frame
    Size client;                // its client area
};

// The monitor a window lies on: the one it overlaps most, or, overlapping
// none, the nearest. -1 when there are no monitors.
int monitorOf(const std::vector<Rect>& monitors, const Rect& window);

// The edges of monitors[index] beyond which no other monitor continues the
// desktop alongside `window` (an edge shared with a neighbouring monitor
// over the window's span is not open).
unsigned openEdges(const std::vector<Rect>& monitors, std::size_t index, const Rect& window);

// The invisible frame, from the outer rectangle and the visible frame a
// window manager reported. All zero when `visible` is no plausible frame
// inside `window` (the call failed or answered in other units).
Insets frameInsets(const Rect& window, const Rect& visible);

// What the program is told, in the form's units: positions on the
// desktop are scaled about the origin of the window's monitor (as Qt does
// for each screen), so a window on that monitor keeps its place and its
// distances are form units.
Rect formWindowRect(const DesktopView& view);          // the visible frame
MonitorView formMonitor(const DesktopView& view);
Point formScreenPoint(const DesktopView& view, Point screen); // the cursor
Size formClientSize(const DesktopView& view);
// A position in the client area (mouse events): the client area's pixels
// fall into 0 .. width - 1 of the form's client width, and its width
// itself (a mouse leaving across the right edge) into the form's width.
Point formClientPoint(const DesktopView& view, Point local);
int formLength(const DesktopView& view, int pixels);
// Where the outer rectangle's corner goes so that the visible frame's
// left and top come to the given form positions; an omitted value keeps
// the window where it is in that direction.
Point outerCorner(const DesktopView& view, std::optional<int> left, std::optional<int> top);

} // namespace gr
