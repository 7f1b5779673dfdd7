// The form description: plain data for one window and its controls, with
// exactly the fields of an element record of the program image. The runtime
// builds a window from it; the image packer stores it; nothing here knows Qt.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace gr::form {

// Control kind numbers (library 1 in the high 16 bits).
enum Kind : uint32_t {
    kWindow = 0x10001,
    kEditBox = 0x10005,
    kPictureBox = 0x10006,
    kLabel = 0x1000A,
    kButton = 0x1000B,
    kCheckBox = 0x1000C,
    kRadioButton = 0x1000D,
    kComboBox = 0x1000E,
    kPrinter = 0x10021,
};

// Element flags.
enum Flag : uint32_t {
    kVisible = 1u << 0,
    kDisabled = 1u << 1,
    kTabStop = 1u << 2,
};

// Edit-box input modes.
enum InputMode : int32_t {
    kOrdinaryInput = 0,
    kReadOnlyInput = 1,
    kIntegerInput = 7,
    kDecimalInput = 9,
};

// Colours are 0xBBGGRR; this value means "the system's default colour".
inline constexpr uint32_t kDefaultColour = 0xFF000000u;

// Events (the runtime's numbers).
inline constexpr int32_t kEventCreated = 0;
inline constexpr int32_t kEventClicked = 0;
inline constexpr int32_t kEventMouseMoved = -6;
inline constexpr int32_t kEventKeyPressed = -9;
inline constexpr int32_t kEventMenuCommand = -20; // a context-menu entry of the program was chosen

struct EventBinding {
    int32_t event = 0;
    uint32_t routine = 0; // the handler: an index into the program's routine table
};

struct Element {
    uint32_t kind = 0;
    uint32_t identity = 0; // 0x160100NN for controls, 0x06010000 for the window itself
    std::string name;      // UTF-8; empty for the window
    std::string comment;
    int32_t left = 0, top = 0, width = 0, height = 0;
    uint32_t parent = 0; // 0 = the window
    std::vector<uint32_t> children;
    std::vector<uint8_t> cursor{0, 0, 0, 0}; // default mouse cursor
    std::string tag;
    uint32_t flags = kVisible;
    std::vector<EventBinding> events;

    // Kind-specific property data.
    uint32_t layout_version = 0;
    bool has_properties = true; // false: every property at its default
    std::string text;           // title, caption, initial content or stored text
    uint32_t text_colour = kDefaultColour;
    uint32_t back_colour = kDefaultColour;
    int32_t multiline = 0;
    int32_t scroll_bars = 0; // 2 = vertical
    int32_t alignment = 0;   // 1 = centred
    int32_t input_mode = kOrdinaryInput;
    int32_t checked = 0;         // check box / radio button
    int32_t selected_index = -1; // combo box
    std::vector<std::string> items;
    std::vector<uint8_t> picture; // JPEG bytes
};

struct Window {
    uint32_t identity = 0; // 0x52010001
    uint32_t stored_value_8 = 0;
    uint32_t stored_value_12 = 0;
    uint32_t extra_identity = 0;
    std::string name;
    std::string comment;
    std::vector<Element> elements; // elements[0] is the window itself
};

} // namespace gr::form
