// The identities the form gives the main window and its controls. They
// build the form description and let tests and tools find a control in the
// built window; the program's routines never use them: they name controls
// by their place in the control table (controls.hpp), since the runtime may
// number the window and its controls as it likes.
#pragma once

#include <cstdint>

namespace gearcalc {

inline constexpr uint32_t kMainWindow = 0x52010001u;

namespace id {
#define GEARCALC_CONTROL(name, identity) inline constexpr uint32_t name = identity##u;
#include <gearprog/controls.def>
#undef GEARCALC_CONTROL
} // namespace id

// The window's own element.
inline constexpr uint32_t kWindowSelf = id::窗口;

} // namespace gearcalc
