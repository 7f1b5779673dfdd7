#include <gearhost/model.hpp>

#include <algorithm>

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
    // A power of two of at least twice the controls; of equal identities
    // the first in form order is the one found.
    uint32_t bits = 1;
    while ((std::size_t{1} << bits) < 2 * controls_.size())
        ++bits;
    hash_shift_ = 32 - bits;
    by_identity_.assign(std::size_t{1} << bits, kNoControl);
    const std::size_t mask = by_identity_.size() - 1;
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        for (std::size_t at = slotOf(controls_[i].identity);; at = (at + 1) & mask) {
            const uint32_t there = by_identity_[at];
            if (there == kNoControl) {
                by_identity_[at] = static_cast<uint32_t>(i);
                break;
            }
            if (controls_[there].identity == controls_[i].identity) break; // an earlier one holds it
        }
    }
}

ControlState* FormModel::find(uint32_t identity)
{
    if (!by_identity_.empty()) {
        const std::size_t mask = by_identity_.size() - 1;
        for (std::size_t at = slotOf(identity);; at = (at + 1) & mask) {
            const uint32_t i = by_identity_[at];
            if (i == kNoControl || i >= controls_.size()) break;
            if (controls_[i].identity == identity) return &controls_[i];
        }
    }
    // Controls added through controls() after construction are not indexed.
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
