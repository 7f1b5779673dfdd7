// The program window's expected state in each input mode, and the same
// state read from a model: the one table every window-system backend is
// tested against (Qt, Win32), so property semantics cannot drift apart.
#pragma once

#include <gearhost/model.hpp>
#include <gearprog/form_identities.hpp>

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace geartest {

// Inputs as "on"/"off", labels as their text colour (BBGGRR, hex).
using State = std::map<std::string, std::string>;
// Check boxes and radio buttons: ticked or not.
using Checks = std::map<std::string, int>;

inline constexpr const char* kOn = "on";
inline constexpr const char* kOff = "off";
inline constexpr const char* kBlackLabel = "000000";
inline constexpr const char* kGreyLabel = "C0C0C0";
inline constexpr const char* kMidGreyLabel = "808080";

inline std::string hexColour(uint32_t bgr)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%06X", bgr);
    return buf;
}

// Controls with a face whose state the tables name.
inline bool hasFace(const gr::ControlState& c)
{
    return c.element != nullptr && !c.element->name.empty() && c.kind != gr::form::kPictureBox &&
           c.kind != gr::form::kPrinter;
}

inline State modelState(const gr::FormModel& model)
{
    State s;
    for (const gr::ControlState& c : model.controls()) {
        if (!hasFace(c)) continue;
        s[c.element->name] = c.kind == gr::form::kLabel ? hexColour(c.text_colour) : c.disabled ? kOff : kOn;
    }
    return s;
}

inline Checks modelChecks(const gr::FormModel& model)
{
    Checks s;
    for (const gr::ControlState& c : model.controls())
        if (c.kind == gr::form::kCheckBox || c.kind == gr::form::kRadioButton) s[c.element->name] = c.checked;
    return s;
}

// The expected state of an input mode.
inline State mode(const char* dms, const char* decimal_box, const char* decimal_label, const char* decimal_check,
                  bool item)
{
    const char* in = item ? kOff : kOn;
    const char* label = item ? kGreyLabel : kBlackLabel;
    State s = {
        {"模数标签", label},         {"模数编辑框", in},          {"齿数标签", label},
        {"齿数编辑框", in},          {"压力角标签", label},       {"压力角编辑框", in},
        {"圆点标签", kBlackLabel},   {"直齿单选框", in},          {"斜齿单选框", in},
        {"螺旋角标签", label},       {"度数选择框", decimal_check}, {"度数编辑框", decimal_box},
        {"度数标签", decimal_label}, {"精度标签", label},         {"精度组合框", in},
        {"上偏差标签", label},       {"齿厚偏差组合框", in},      {"公差标签", label},
        {"齿厚公差组合框", in},      {"货号选择框", kOn},         {"货号编辑框", item ? kOn : kOff},
        {"隐藏选择框", kOn},         {"结果编辑框", kOn},         {"计算按钮", kOn},
        {"打印按钮", kOff},          {"退出按钮", kOn},
    };
    for (const char* box : {"度编辑框", "分编辑框", "秒编辑框"}) s[box] = dms;
    for (const char* l : {"度标签", "分标签", "秒标签"}) s[l] = std::string(dms) == kOn ? kBlackLabel : kGreyLabel;
    return s;
}
inline State directSpur() { return mode(kOff, kOff, kGreyLabel, kOff, false); }
inline State helicalDms(const char* decimal_label = kGreyLabel) { return mode(kOn, kOff, decimal_label, kOn, false); }
inline State helicalDecimal() { return mode(kOff, kOn, kBlackLabel, kOn, false); }
inline State itemMode() { return mode(kOff, kOff, kGreyLabel, kOff, true); }

// Where each press of Tab goes from the module box in the direct-spur mode:
// the disabled controls are passed over, and it comes round to the module box.
inline std::vector<uint32_t> directSpurTabVisits()
{
    namespace id = gearcalc::id;
    return {id::齿数编辑框, id::直齿单选框, id::斜齿单选框, id::精度组合框, id::齿厚偏差组合框, id::齿厚公差组合框,
            id::货号选择框, id::结果编辑框, id::隐藏选择框, id::计算按钮,   id::退出按钮,       id::模数编辑框};
}

inline std::string shown(const std::string& value) { return value; }
inline std::string shown(int value) { return std::to_string(value); }

// One line per entry of `expected` that `actual` does not match.
template <typename Map>
std::string diff(const Map& actual, const Map& expected)
{
    std::string out;
    for (const auto& [name, want] : expected) {
        auto it = actual.find(name);
        const std::string got = it == actual.end() ? std::string("(missing)") : shown(it->second);
        if (got != shown(want)) out += name + ": " + got + " (expected " + shown(want) + ")\n";
    }
    return out;
}

} // namespace geartest
