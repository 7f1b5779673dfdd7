// Where the main window's mouse-moved event reports positions outside the
// client area, written once for backends that learn of such positions
// themselves (the Win32 one).
#pragma once

#include <gearhost/window_system.hpp>

#include <optional>

namespace gr {

// Positions are in client coordinates (`local`); the client area itself
// runs from 0 to width - 1 and height - 1.
//
// Where the mouse left the client area: clamped to 0..width, 0..height, so
// leaving across the right or bottom edge reports the width or height
// itself and leaving across the left edge reports x = 0.
Point leavingPosition(Size client, Point local);
// Over the window's frame, which may be all that a window tucked away
// behind a screen edge still shows: right of or below the client area
// counts as its last column or row, left of it keeps its negative x.
// Nothing above the client area (the title bar, where the user drags).
std::optional<Point> framePosition(Size client, Point local);

} // namespace gr
