// The live state of a window's controls. Both window-system backends keep
// this model as the one source of truth: the program reads and writes it
// through properties, and a backend mirrors it on screen and feeds the
// user's edits back into it. So property semantics cannot differ between
// backends.
#pragma once

#include <gearrt/form.hpp>

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace gr {

// Property numbers.
enum Property : int32_t {
    kPropLeft = 0,
    kPropTop = 1,
    kPropWidth = 2,
    kPropHeight = 3,
    kPropDisabled = 6,
    kPropText = 8, // window title; edit-box content
    kPropEditTextColour = 10,
    kPropLabelTextColour = 16,
    kPropPrinterFont = 17, // sub-field 5: font size
    kPropChecked = 18,
    kPropSelectedIndex = 19,
};
inline constexpr int32_t kFontSizeSubField = 5;

struct ControlState {
    const form::Element* element = nullptr; // the description it was built from
    uint32_t identity = 0;
    uint32_t kind = 0;
    std::string text; // title, caption, content or stored text (UTF-8)
    // Where an edit box's text cursor stands, a byte offset into `text`.
    // As in the platform's edit boxes, a new content puts it at the start
    // and appended text moves it to the end; the box keeps it in view.
    std::size_t caret = 0;
    uint32_t text_colour = form::kDefaultColour;
    uint32_t back_colour = form::kDefaultColour;
    bool disabled = false;
    bool visible = true;
    bool tab_stop = false;
    int32_t checked = 0;
    int32_t selected_index = -1;
    std::vector<std::string> items;
    double font_size = 12.0; // printer
};

class FormModel {
public:
    FormModel() = default;
    explicit FormModel(const form::Window& window);

    uint32_t windowIdentity() const { return window_identity_; }
    const form::Window* description() const { return description_; }

    // The window itself is control 0; null when no such identity.
    ControlState* find(uint32_t identity);
    const ControlState* find(uint32_t identity) const;
    ControlState* findByName(std::string_view name);
    std::vector<ControlState>& controls() { return controls_; }
    const std::vector<ControlState>& controls() const { return controls_; }

    // What a click does to a control's own state before its handler runs:
    // a check box toggles; a radio button becomes selected and the other
    // radio buttons of the window are cleared (the window's radio buttons
    // form one group).
    void applyClick(ControlState& control);

private:
    const form::Window* description_ = nullptr;
    uint32_t window_identity_ = 0;
    std::vector<ControlState> controls_;
    // (identity, position in controls_) sorted by identity: every property
    // access finds its control, so this is on the hot path of every routine.
    std::vector<std::pair<uint32_t, uint32_t>> by_identity_;
};

} // namespace gr
