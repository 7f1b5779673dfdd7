// A gear as the user enters it into the window, and the rules for the
// options (command line and batch cells) that set it. No runtime here:
// checking a batch file needs no window.
#pragma once

#include <gearhost/typing.hpp>

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
// the window's boxes goes through the box's typing rules (gearhost/
// typing.hpp): the gear holds what the box would show ("2,5" typed into
// 模数 is 2.5), and what the box refuses (letters in a number box, a point
// in 齿数, a control character or line separator anywhere) is refused here.
std::string setOption(GearInput& gear, std::string_view name, std::string_view value);

// Why the box that option `name` types into refuses `value`, worded to
// follow "the value "; empty when it takes it.
std::string typingProblem(std::string_view name, std::string_view value);

// A number option that no box of the window holds (--ball, --face-width,
// --iso-class, ...) is typed like a number box all the same, so that the
// command line reads numbers one way: "2,5" and full-width digits as the
// window reads them; letters, "nan", exponents and hexadecimal refused.
// Replaces `value` by the number's plain text, or returns why it is none,
// worded as "the value "x" is not a number".
std::string typedNumber(std::string& value, bool whole);

// Sets --helix-dms from its three values, each as typed into its box.
std::string setHelixDms(GearInput& gear, const std::array<std::string_view, 3>& parts);

// The options setOption knows, in the order the help lists them.
const std::vector<std::string_view>& optionNames();

// What is wrong with `value` as the content of a one-line box: an empty
// string, or the character it holds that no one-line box can, e.g. "holds a
// line break (U+000A), which a one-line box cannot hold".
using gr::oneLineProblem;

// Checks a complete input for combinations that make no sense (an item
// number together with the inputs the lookup overwrites, spur with a helix
// angle). Returns an empty string or the problem.
std::string checkCombination(const GearInput& gear);

} // namespace gearcalc::report
