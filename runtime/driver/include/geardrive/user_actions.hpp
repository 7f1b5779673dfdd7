// Acting on a host's window as the user would, without a real window: for
// the command line and the tests. Each action changes the control model
// first (as a backend does for a real user edit), lets the window system
// show it, then runs the handler bound to the event, if any.
#pragma once

#include <gearhost/host.hpp>

#include <cstdint>
#include <string_view>

namespace gr {

class UserActions {
public:
    explicit UserActions(Host& host) : host_(host) {}

    // Sets an edit box's content as if typed (no event); false when
    // `identity` names no edit box.
    bool typeText(uint32_t identity, std::string_view text);
    // Types `keys` at the end of a single-line edit box's text one
    // character at a time, as the keyboard does, and pastes `text` there as
    // one edit; both by the typing rules (gearhost/typing.hpp), so what the
    // box refuses beeps and changes nothing. False for a control the user
    // cannot type into (no event either way).
    bool typeKeys(uint32_t identity, std::string_view keys);
    bool paste(uint32_t identity, std::string_view text);
    // Selects a combo-box item (no event); an index outside the list
    // leaves it without a selection.
    bool selectItem(uint32_t identity, int32_t index);
    // Clicks a control: applies the click to its state, then runs its
    // handler. False for a disabled or unknown control (the click is lost).
    bool click(uint32_t identity);
    // Opens the context menu of `identity` and chooses the program's entry
    // `command` on it, which runs the handler of the menu-command event.
    // False when the control is disabled or unknown, or its menu has no
    // such entry or the entry is greyed (nothing runs).
    bool chooseMenuCommand(uint32_t identity, int32_t command);
    // Presses a key while the window has the focus.
    void pressKey(int32_t key_code, int32_t modifiers = 0);
    // Moves the mouse to client coordinates (x, y).
    void moveMouse(int32_t x, int32_t y, int32_t modifiers = 0);

private:
    Host& host_;
};

} // namespace gr
