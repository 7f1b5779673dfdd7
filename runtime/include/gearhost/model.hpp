// The live state of a window's controls. Both window-system backends keep
// this model as the one source of truth: the program reads and writes it
// through properties, and a backend mirrors it on screen and feeds the
// user's edits back into it. So property semantics cannot differ between
// backends.
#pragma once

#include <gearrt/form.hpp>
#include <gearrt/services.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace gr {

// Property numbers, as the service table freezes them.
inline constexpr int32_t kPropLeft = GR_PROP_LEFT;
inline constexpr int32_t kPropTop = GR_PROP_TOP;
inline constexpr int32_t kPropWidth = GR_PROP_WIDTH;
inline constexpr int32_t kPropHeight = GR_PROP_HEIGHT;
inline constexpr int32_t kPropDisabled = GR_PROP_DISABLED;
inline constexpr int32_t kPropText = GR_PROP_TEXT; // window title; edit-box content
inline constexpr int32_t kPropEditTextColour = GR_PROP_EDIT_TEXT_COLOUR;
inline constexpr int32_t kPropLabelTextColour = GR_PROP_LABEL_TEXT_COLOUR;
inline constexpr int32_t kPropPrinterFont = GR_PROP_PRINTER_FONT; // sub-field 5: font size
inline constexpr int32_t kPropChecked = GR_PROP_CHECKED;
inline constexpr int32_t kPropSelectedIndex = GR_PROP_SELECTED_INDEX;
inline constexpr int32_t kFontSizeSubField = GR_FONT_SIZE_SUB_FIELD;

// An entry the program put on a control's context menu.
struct MenuCommand {
    int32_t command = 0; // the number dispatched when it is chosen
    std::string text;    // UTF-8, '&' before the access key
    bool enabled = false;
};

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
    // The program's entries after the context menu's own (edit boxes).
    std::vector<MenuCommand> menu;

    // The program's entry `command`; null when the menu has none.
    const MenuCommand* menuCommand(int32_t command) const
    {
        for (const MenuCommand& m : menu)
            if (m.command == command) return &m;
        return nullptr;
    }

    // Selects item `index` of a combo box; an index outside the item list
    // leaves it without a selection rather than pointing at an item that
    // does not exist.
    void select(int32_t index)
    {
        selected_index = (index >= 0 && static_cast<size_t>(index) < items.size()) ? index : -1;
    }
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
    // Every property access finds its control, so this is on the hot path
    // of every routine: an open-addressing table of positions in controls_
    // (kNoControl where free), hashed by identity, at most half full.
    static constexpr uint32_t kNoControl = UINT32_MAX;
    std::vector<uint32_t> by_identity_;
    uint32_t hash_shift_ = 32;
    uint32_t slotOf(uint32_t identity) const { return (identity * 0x9E3779B1u) >> hash_shift_; }
};

} // namespace gr
