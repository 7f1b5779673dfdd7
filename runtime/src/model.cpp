#include "model.hpp"

namespace gr {

FormModel::FormModel(const form::Window& window) : description_(&window), window_identity_(window.identity)
{
    controls_.reserve(window.elements.size());
    for (const form::Element& e : window.elements) {
        ControlState c;
        c.element = &e;
        c.identity = e.identity;
        c.kind = e.kind;
        c.text = e.text;
        c.text_colour = e.text_colour;
        c.back_colour = e.back_colour;
        c.disabled = (e.flags & form::kDisabled) != 0;
        c.visible = (e.flags & form::kVisible) != 0 && e.kind != form::kPrinter;
        c.tab_stop = (e.flags & form::kTabStop) != 0;
        c.checked = e.checked;
        c.selected_index = e.selected_index;
        c.items = e.items;
        controls_.push_back(std::move(c));
    }
}

ControlState* FormModel::find(uint32_t identity)
{
    for (ControlState& c : controls_)
        if (c.identity == identity) return &c;
    return nullptr;
}

const ControlState* FormModel::find(uint32_t identity) const
{
    return const_cast<FormModel*>(this)->find(identity);
}

ControlState* FormModel::findByName(std::string_view name)
{
    for (ControlState& c : controls_)
        if (c.element != nullptr && c.element->name == name) return &c;
    return nullptr;
}

void FormModel::applyClick(ControlState& control)
{
    if (control.kind == form::kCheckBox) {
        control.checked = control.checked == 1 ? 0 : 1;
    } else if (control.kind == form::kRadioButton) {
        for (ControlState& other : controls_)
            if (other.kind == form::kRadioButton) other.checked = 0;
        control.checked = 1;
    }
}

} // namespace gr
