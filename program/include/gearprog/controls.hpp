// How the program names the main window's controls, and the property
// numbers and colours it uses.
#pragma once

#include <gearrt/api.hpp>
#include <gearrt/form.hpp>
#include <gearrt/services.h>

#include <cstdint>

namespace gearcalc {

// The program names a control by its place in the control table: the
// window's own element first, then the controls in form order (the tab
// order). The form is built in this order and checks it.
namespace slot {
enum : uint32_t {
#define GEARCALC_CONTROL(name, identity) name,
#include <gearprog/controls.def>
#undef GEARCALC_CONTROL
    kCount
};
} // namespace slot

// Property numbers, as the runtime's service table freezes them.
namespace prop {
inline constexpr int32_t kLeft = GR_PROP_LEFT, kTop = GR_PROP_TOP, kWidth = GR_PROP_WIDTH, kHeight = GR_PROP_HEIGHT;
inline constexpr int32_t kDisabled = GR_PROP_DISABLED;
inline constexpr int32_t kText = GR_PROP_TEXT;
inline constexpr int32_t kEditTextColour = GR_PROP_EDIT_TEXT_COLOUR;
inline constexpr int32_t kLabelTextColour = GR_PROP_LABEL_TEXT_COLOUR;
inline constexpr int32_t kFont = GR_PROP_PRINTER_FONT;
inline constexpr int32_t kChecked = GR_PROP_CHECKED;
inline constexpr int32_t kSelectedIndex = GR_PROP_SELECTED_INDEX;
} // namespace prop

// Colours (0xBBGGRR).
inline constexpr int64_t kBlack = 0x000000, kLightGrey = 0xC0C0C0, kMidGrey = 0x808080, kBlue = 0xFF0000;

} // namespace gearcalc
