// Which kind of control has which property, and how each property's value
// is carried. Part of the frozen contract beside the property numbers in
// services.h: the runtime enforces it, the program relies on it.
#pragma once

#include <gearrt/form.hpp>
#include <gearrt/services.h>

#include <cstddef>
#include <cstdint>
#include <iterator>

namespace gr::properties {

// What a property's value is.
enum class Carries { Integer, Text, Number };

struct Rule {
    int32_t property;
    Carries carries;
    bool writable_on_window; // the window's own element may set it
    uint32_t kinds[5];       // the control kinds that have it (0 ends the list)
};

inline constexpr Rule kRules[] = {
    {GR_PROP_LEFT, Carries::Integer, false, {form::kWindow}},
    {GR_PROP_TOP, Carries::Integer, false, {form::kWindow}},
    {GR_PROP_WIDTH, Carries::Integer, false, {form::kWindow}},
    {GR_PROP_HEIGHT, Carries::Integer, false, {form::kWindow}},
    {GR_PROP_DISABLED, Carries::Integer, false,
     {form::kEditBox, form::kCheckBox, form::kRadioButton, form::kComboBox, form::kButton}},
    {GR_PROP_TEXT, Carries::Text, true, {form::kWindow, form::kEditBox}},
    {GR_PROP_EDIT_TEXT_COLOUR, Carries::Integer, false, {form::kEditBox}},
    {GR_PROP_LABEL_TEXT_COLOUR, Carries::Integer, false, {form::kLabel}},
    {GR_PROP_PRINTER_FONT, Carries::Number, false, {form::kPrinter}},
    {GR_PROP_CHECKED, Carries::Integer, false, {form::kCheckBox, form::kRadioButton}},
    {GR_PROP_SELECTED_INDEX, Carries::Integer, false, {form::kComboBox}},
};

// The place of `property`'s rule in kRules; -1 for a number no kind has.
// (An index rather than a pointer: some compilers cannot compare pointers
// into a table in a constant expression under the sanitizers.)
constexpr int ruleIndex(int32_t property)
{
    for (int i = 0; i < static_cast<int>(std::size(kRules)); ++i)
        if (kRules[i].property == property) return i;
    return -1;
}

constexpr bool has(uint32_t kind, int32_t property)
{
    const int i = ruleIndex(property);
    if (i < 0) return false;
    for (uint32_t k : kRules[i].kinds)
        if (k == kind) return true;
    return false;
}

// What `property` carries; only for a property some kind has.
constexpr Carries carries(int32_t property) { return kRules[ruleIndex(property)].carries; }

// Whether the program may set `property` of a control of `kind`: the window
// lets only its title be set, its place is the window system's.
constexpr bool settable(uint32_t kind, int32_t property)
{
    return has(kind, property) && (kind != form::kWindow || kRules[ruleIndex(property)].writable_on_window);
}

// The contract, checked when this header compiles.
static_assert(has(form::kWindow, GR_PROP_TEXT) && has(form::kEditBox, GR_PROP_TEXT) && !has(form::kLabel, GR_PROP_TEXT));
static_assert(settable(form::kWindow, GR_PROP_TEXT) && !settable(form::kWindow, GR_PROP_LEFT));
static_assert(has(form::kLabel, GR_PROP_LABEL_TEXT_COLOUR) && !has(form::kEditBox, GR_PROP_LABEL_TEXT_COLOUR));
static_assert(has(form::kButton, GR_PROP_DISABLED) && !has(form::kLabel, GR_PROP_DISABLED));
static_assert(has(form::kComboBox, GR_PROP_SELECTED_INDEX) && has(form::kRadioButton, GR_PROP_CHECKED));
static_assert(carries(GR_PROP_PRINTER_FONT) == Carries::Number && carries(GR_PROP_TEXT) == Carries::Text && ruleIndex(7) == -1);

} // namespace gr::properties
