#include "layout.hpp"

#include <bit>
#include <cinttypes>
#include <cstdio>
#include <string>
#include <utility>

namespace gr::image {

std::vector<Library> standardLibraries()
{
    return {
        {"tavrn", "5B1E9A4C07D34F2A8E61C3B59F0D7A12", 5, 0,
         "Core runtime: windows, controls, catalogue files, printing"},
        {"stylx", "A37C2E91F4B8406D9C15E2073B6AF8D4", 2, 0, "Interface style: the platform's themed look"},
    };
}

Constant Constant::ofText(std::string text)
{
    Constant c;
    c.kind = ConstantKind::Text;
    c.text = std::move(text);
    return c;
}

Constant Constant::ofNumber(double number)
{
    Constant c;
    c.kind = ConstantKind::Number;
    c.number = number;
    return c;
}

Constant Constant::emptyByteSet()
{
    Constant c;
    c.kind = ConstantKind::ByteSet;
    return c;
}

bool operator==(const Constant& a, const Constant& b)
{
    return a.kind == b.kind && a.text == b.text &&
           std::bit_cast<uint64_t>(a.number) == std::bit_cast<uint64_t>(b.number) && a.bytes == b.bytes;
}

std::optional<uint32_t> Linkage::routineAt(uint32_t code_offset) const
{
    // Entries lie evenly spaced in one table.
    if (routine_entries.empty() || code_offset < routine_entries.front()) return std::nullopt;
    const uint32_t distance = code_offset - routine_entries.front();
    if (distance % layout::kRoutineEntrySize != 0) return std::nullopt;
    const uint32_t index = distance / layout::kRoutineEntrySize;
    if (index >= routine_entries.size() || routine_entries[index] != code_offset) return std::nullopt;
    return index;
}

std::string hex(uint64_t value)
{
    char buf[24];
    std::snprintf(buf, sizeof buf, "0x%" PRIX64, value);
    return buf;
}

const char* kindName(uint32_t kind)
{
    const layout::KindLayout* k = layout::kindLayout(kind);
    return k == nullptr ? "" : k->name;
}

namespace layout {

namespace {

using P = Prop;
constexpr PropField kWindowFields[] = {{P::Text, 112}};
constexpr PropField kLabelFields[] = {{P::TextColour, 28}, {P::BackColour, 32}, {P::Text, 96}};
constexpr PropField kButtonFields[] = {{P::Text, 44}};
constexpr PropField kTickFields[] = {{P::Checked, 52}, {P::Text, 64}};
constexpr PropField kEditFields[] = {{P::TextColour, 28}, {P::BackColour, 32}, {P::Multiline, 44},
                                     {P::ScrollBars, 48}, {P::Alignment, 52},  {P::InputMode, 56},
                                     {P::Text, 90}};
constexpr PropField kComboFields[] = {{P::SelectedIndex, 56}, {P::Items, 72}};
constexpr PropField kPictureFields[] = {{P::Picture, 40}};
constexpr PropField kPrinterFields[] = {{P::Text, 104}};

const KindLayout kKinds[] = {
    {form::kWindow, "window", kWindowFields},
    {form::kEditBox, "edit box", kEditFields},
    {form::kPictureBox, "picture box", kPictureFields},
    {form::kLabel, "label", kLabelFields},
    {form::kButton, "button", kButtonFields},
    {form::kCheckBox, "check box", kTickFields},
    {form::kRadioButton, "radio button", kTickFields},
    {form::kComboBox, "combo box", kComboFields},
    {form::kPrinter, "printer", kPrinterFields},
};

} // namespace

const KindLayout* kindLayout(uint32_t kind)
{
    for (const KindLayout& k : kKinds) {
        if (k.kind == kind) return &k;
    }
    return nullptr;
}

uint32_t wordProp(const form::Element& e, Prop p)
{
    switch (p) {
    case P::TextColour: return e.text_colour;
    case P::BackColour: return e.back_colour;
    case P::Multiline: return static_cast<uint32_t>(e.multiline);
    case P::ScrollBars: return static_cast<uint32_t>(e.scroll_bars);
    case P::Alignment: return static_cast<uint32_t>(e.alignment);
    case P::InputMode: return static_cast<uint32_t>(e.input_mode);
    case P::Checked: return static_cast<uint32_t>(e.checked);
    case P::SelectedIndex: return static_cast<uint32_t>(e.selected_index);
    default: return 0;
    }
}

void setWordProp(form::Element& e, Prop p, uint32_t v)
{
    const auto i = static_cast<int32_t>(v);
    switch (p) {
    case P::TextColour: e.text_colour = v; break;
    case P::BackColour: e.back_colour = v; break;
    case P::Multiline: e.multiline = i; break;
    case P::ScrollBars: e.scroll_bars = i; break;
    case P::Alignment: e.alignment = i; break;
    case P::InputMode: e.input_mode = i; break;
    case P::Checked: e.checked = i; break;
    case P::SelectedIndex: e.selected_index = i; break;
    default: break;
    }
}

const char* propName(Prop p)
{
    switch (p) {
    case P::TextColour: return "text colour";
    case P::BackColour: return "background colour";
    case P::Multiline: return "multi-line";
    case P::ScrollBars: return "scroll bars";
    case P::Alignment: return "alignment";
    case P::InputMode: return "input mode";
    case P::Checked: return "ticked";
    case P::SelectedIndex: return "selected index";
    case P::Text: return "text";
    case P::Items: return "items";
    case P::Picture: return "picture";
    }
    return "";
}

std::vector<uint32_t> expectedFixups(const LinkageCounts& c)
{
    const LinkagePlan p = planLinkage(c);
    std::vector<uint32_t> out;
    out.reserve(size_t{c.routines} + c.constants + c.values + c.stubs);
    for (uint64_t i = 0; i < c.routines; ++i) out.push_back(fixupEntry(p.routines + i * kRoutineEntrySize, FixupKind::Constant));
    for (uint64_t i = 0; i < c.constants; ++i)
        out.push_back(fixupEntry(p.constants + i * kConstantEntrySize + 4, FixupKind::Constant));
    for (uint64_t i = 0; i < c.values; ++i) out.push_back(fixupEntry(p.values + i * kValueEntrySize, FixupKind::Routine));
    for (uint64_t i = 0; i < c.stubs; ++i)
        out.push_back(fixupEntry(p.stubs + i * kStubSize + kStubOpcode.size(), FixupKind::Service));
    return out;
}

std::array<std::vector<uint32_t>, kIdentityGroups> expectedIdentityGroups(const LinkageCounts& c)
{
    const LinkagePlan p = planLinkage(c);
    std::array<std::vector<uint32_t>, kIdentityGroups> g;
    for (uint64_t i = 0; i < c.controls; ++i) {
        const uint64_t at = p.controls + i * kControlEntrySize;
        g[0].push_back(static_cast<uint32_t>(at));     // window identity
        g[0].push_back(static_cast<uint32_t>(at + 4)); // control identity
        g[3].push_back(static_cast<uint32_t>(at + 8)); // kind number
    }
    for (uint64_t i = 0; i < c.calls; ++i) g[2].push_back(static_cast<uint32_t>(p.calls + i * kCallEntrySize));
    return g;
}

std::string geometryProblem(const form::Element& e)
{
    const bool window = e.kind == form::kWindow;
    const int32_t reach = window ? kMaxScreenCoordinate : kMaxFormExtent;
    const char* where = window ? " of the screen's origin" : " of the client area's corner";
    const std::pair<const char*, int32_t> places[] = {{"left", e.left}, {"top", e.top}};
    for (const auto& [name, v] : places) {
        if (v < -reach || v > reach)
            return std::string(name) + " " + std::to_string(v) + " is not within " + std::to_string(reach) + " pixels" + where;
    }
    const std::pair<const char*, int32_t> sizes[] = {{"width", e.width}, {"height", e.height}};
    for (const auto& [name, v] : sizes) {
        if (v < 0 || v > kMaxFormExtent)
            return std::string(name) + " " + std::to_string(v) + " lies outside 0 to " + std::to_string(kMaxFormExtent) +
                   " pixels";
    }
    return {};
}

} // namespace layout
} // namespace gr::image
