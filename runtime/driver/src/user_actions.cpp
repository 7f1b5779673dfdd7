#include <geardrive/user_actions.hpp>

namespace gr {

bool UserActions::typeText(uint32_t identity, std::string_view text)
{
    ControlState* c = host_.model().find(identity);
    if (c == nullptr || c->kind != form::kEditBox) return false;
    c->text.assign(text);
    c->caret = c->text.size();
    host_.windowSystem().refresh(*c, kPropText);
    return true;
}

bool UserActions::selectItem(uint32_t identity, int32_t index)
{
    ControlState* c = host_.model().find(identity);
    if (c == nullptr || c->kind != form::kComboBox) return false;
    c->select(index);
    host_.windowSystem().refresh(*c, kPropSelectedIndex);
    return true;
}

bool UserActions::click(uint32_t identity)
{
    FormModel& model = host_.model();
    ControlState* c = model.find(identity);
    if (c == nullptr || c->disabled) return false;
    model.applyClick(*c);
    if (c->kind == form::kRadioButton) {
        for (ControlState& other : model.controls())
            if (other.kind == form::kRadioButton) host_.windowSystem().refresh(other, kPropChecked);
    } else {
        host_.windowSystem().refresh(*c, kPropChecked);
    }
    host_.dispatchEvent(identity, form::kEventClicked, {});
    return true;
}

bool UserActions::chooseMenuCommand(uint32_t identity, int32_t command)
{
    const ControlState* c = host_.model().find(identity);
    if (c == nullptr || c->disabled) return false;
    const MenuCommand* entry = c->menuCommand(command);
    if (entry == nullptr || !entry->enabled) return false;
    host_.dispatchEvent(identity, form::kEventMenuCommand, {command});
    return true;
}

void UserActions::pressKey(int32_t key_code, int32_t modifiers)
{
    host_.dispatchEvent(host_.selfIdentity(), form::kEventKeyPressed, {key_code, modifiers});
}

void UserActions::moveMouse(int32_t x, int32_t y, int32_t modifiers)
{
    host_.dispatchEvent(host_.selfIdentity(), form::kEventMouseMoved, {x, y, modifiers});
}

} // namespace gr
