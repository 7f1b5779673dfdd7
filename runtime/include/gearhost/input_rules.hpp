// Rules a window system applies to the user's input before the program
// sees it, written once for backends that have no validators of their own.
#pragma once

#include <gearhost/window_system.hpp>

#include <cstdint>
#include <optional>
#include <string_view>

namespace gr {

// Whether an edit box of `input_mode` (form::InputMode) may hold `text`
// (UTF-8) after an edit: integers allow an optional leading minus and
// digits, decimal numbers also one decimal point; other modes take any
// text. Every prefix of a valid number passes, so typing is never blocked
// half-way.
bool acceptsInput(int32_t input_mode, std::string_view text);

// Where the main window's mouse-moved event reports positions outside the
// client area, in client coordinates (`local`); the client area itself runs
// from 0 to width - 1 and height - 1.
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
