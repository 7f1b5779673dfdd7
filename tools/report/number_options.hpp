// Command-line number options read the way the window reads a number box
// (typedNumber): "2,5" and full-width digits as typed there; letters, "nan",
// exponents, hexadecimal and octal prefixes refused with the option's name.
#pragma once

#include "gear_input.hpp"

#include <CLI/CLI.hpp>

#include <string>

namespace gearcalc::report {

// Turns the option's text into a plain number first, so that CLI11's own
// conversion never sees a prefix it would read in another base ("010").
inline CLI::Validator typedLikeABox(bool whole)
{
    return CLI::Validator([whole](std::string& value) { return typedNumber(value, whole); },
                          whole ? "WHOLE" : "NUMBER", "");
}

// A length in millimetres that must be above zero.
inline CLI::Validator aboveZero()
{
    return CLI::Validator(
        [](std::string& value) -> std::string {
            if (std::stod(value) > 0) return {};
            return "the value \"" + value + "\" is not above zero";
        },
        "", "");
}

} // namespace gearcalc::report
