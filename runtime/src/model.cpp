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
    by_identity_.reserve(controls_.size());
    for (std::size_t i = 0; i < controls_.size(); ++i)
        by_identity_.emplace_back(controls_[i].identity, static_cast<uint32_t>(i));
    // Stable, so that of equal identities the first in form order is found.
    std::stable_sort(by_identity_.begin(), by_identity_.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
}

ControlState* FormModel::find(uint32_t identity)
{
    const auto it = std::lower_bound(by_identity_.begin(), by_identity_.end(), identity,
                                     [](const auto& entry, uint32_t id) { return entry.first < id; });
    if (it != by_identity_.end() && it->first == identity && it->second < controls_.size() &&
        controls_[it->second].identity == identity)
        return &controls_[it->second];
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
