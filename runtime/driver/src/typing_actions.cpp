// The user's typing and pasting into single-line edit boxes, for the
// command line and the tests: the same rules the Qt backend's boxes apply.
#include <geardrive/user_actions.hpp>

#include <gearhost/typing.hpp>

#include <algorithm>

namespace gr {

namespace {

// A control the user can type into: an enabled, editable single-line box.
bool typable(const ControlState* c)
{
    return c != nullptr && c->kind == form::kEditBox && !c->disabled && c->element != nullptr &&
           !c->element->multiline && c->element->input_mode != form::kReadOnlyInput;
}

// Bytes of the UTF-8 sequence that `lead` starts (1 for a stray byte).
std::size_t sequenceLength(unsigned char lead)
{
    if (lead >= 0xF0 && lead < 0xF8) return 4;
    if (lead >= 0xE0) return lead < 0xF0 ? 3 : 1;
    if (lead >= 0xC0) return 2;
    return 1;
}

// Inserts at the end of the box's text; false when the box refuses it.
bool insertAtEnd(ControlState& box, std::string_view inserted)
{
    std::optional<TypedText> typed = typeInto(box.element->input_mode, box.text, inserted, {});
    if (!typed) return false;
    box.text = std::move(typed->text);
    box.caret = typed->caret;
    return true;
}

} // namespace

bool UserActions::typeKeys(uint32_t identity, std::string_view keys)
{
    ControlState* c = host_.model().find(identity);
    if (!typable(c)) return false;
    for (std::size_t i = 0; i < keys.size();) {
        const std::size_t n = std::min(sequenceLength(static_cast<unsigned char>(keys[i])), keys.size() - i);
        if (!insertAtEnd(*c, keys.substr(i, n))) host_.windowSystem().beep();
        i += n;
    }
    host_.windowSystem().refresh(*c, kPropText);
    return true;
}

bool UserActions::paste(uint32_t identity, std::string_view text)
{
    ControlState* c = host_.model().find(identity);
    if (!typable(c)) return false;
    if (!insertAtEnd(*c, text)) host_.windowSystem().beep();
    host_.windowSystem().refresh(*c, kPropText);
    return true;
}

} // namespace gr
