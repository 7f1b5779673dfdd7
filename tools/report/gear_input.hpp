// A gear as the user enters it into the window, and the rules for the
// options (command line and batch cells) that set it. No runtime here:
// checking a batch file needs no window.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace gearcalc::report {

// One gear as the user would enter it. Texts go into the edit boxes as
// typed; nothing is parsed here.
struct GearInput {
    std::optional<std::string> item; // item-number mode when set
    std::optional<std::string> module; // not given: the box stays empty
    std::optional<std::string> teeth;
    std::string pressure_angle = "20";
    bool helical = false;
    bool spur = false; // --spur was given (spur is also the default)
    std::optional<std::string> helix;                    // decimal degrees (ticks 度数选择框)
    std::optional<std::array<std::string, 3>> helix_dms; // degrees, minutes, seconds
    std::optional<int> grade;                            // 1..12
    std::optional<std::string> deviation;                // a, ab, ..., h
    std::optional<int> tolerance;                        // 21..30
};

// Sets the option `name` (a long option's name without the dashes) from
// the text `value` as the command line and the batch file spell it. Returns
// an empty string, or what is wrong with the value. A text bound for one of
// the window's one-line boxes may not hold a control character (a line
// break, a tab, a NUL): typed into the window, such a key acts instead of
// becoming part of the text.
std::string setOption(GearInput& gear, std::string_view name, std::string_view value);

// The options setOption knows, in the order the help lists them.
const std::vector<std::string_view>& optionNames();

// What is wrong with `value` as the content of a one-line box: an empty
// string, or the control character it holds, e.g. "holds a line break
// (U+000A), which a one-line box cannot hold".
std::string oneLineProblem(std::string_view value);

// Checks a complete input for combinations that make no sense (an item
// number together with the inputs the lookup overwrites, spur with a helix
// angle). Returns an empty string or the problem.
std::string checkCombination(const GearInput& gear);

} // namespace gearcalc::report
