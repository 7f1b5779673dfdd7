#include "gear_input.hpp"

#include <gearhost/typing.hpp>
#include <gearprog/catalogue_schema.hpp>
#include <gearrt/form.hpp>

#include <algorithm>
#include <charconv>
#include <cmath>

namespace gearcalc::report {

namespace {

using schema::kDeviationSeries;
using schema::kFirstGrade;
using schema::kFirstTolerance;
using schema::kLastGrade;
using schema::kLastTolerance;

std::optional<int> wholeNumber(std::string_view text)
{
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// A yes/no cell of the batch file (and the value of a flag given there).
std::optional<bool> flagValue(std::string_view text)
{
    text = trimmed(text);
    for (std::string_view yes : {"1", "true", "yes", "y", "x"})
        if (text == yes) return true;
    for (std::string_view no : {"", "0", "false", "no", "n"})
        if (text == no) return false;
    return std::nullopt;
}

// "the value "x" is ..." with the value itself where it is short and
// printable.
std::string refusedValue(std::string_view value, std::string_view refusal)
{
    const bool show =
        value.size() <= 80 && gr::oneLineProblem(value).empty() && refusal.rfind("is not UTF-8", 0) != 0;
    // Appended piece by piece: GCC 12's -Wrestrict misreads a chain of
    // "literal" + std::string once inlined.
    std::string message = "the value ";
    if (show) message.append("\"").append(value).append("\" ");
    return message.append(refusal);
}

// The input mode of the window's box that option `name` types into.
int32_t boxOf(std::string_view name)
{
    if (name == "module" || name == "helix") return gr::form::kDecimalInput;
    if (name == "teeth" || name == "helix-dms") return gr::form::kIntegerInput;
    return gr::form::kOrdinaryInput; // item, pressure-angle
}

// Sets a text option to what the window's box makes of it, or says why the
// box refuses it.
std::string setText(std::string_view name, std::string_view value, std::string& to)
{
    gr::BoxEntry entry = gr::enterText(boxOf(name), value);
    if (!entry.text) return std::string("--").append(name).append(": ").append(refusedValue(value, entry.refusal));
    to = std::move(*entry.text);
    return {};
}

std::string setText(std::string_view name, std::string_view value, std::optional<std::string>& to)
{
    std::string text;
    if (std::string problem = setText(name, value, text); !problem.empty()) return problem;
    to = std::move(text);
    return {};
}

// The three values of --helix-dms, separated by blanks (the command line
// passes them as three words, the batch file as one cell).
std::string setDms(std::string_view value, GearInput& gear)
{
    constexpr const char* kThree = "--helix-dms takes three values: degrees, minutes and seconds";
    std::array<std::string_view, 3> parts;
    std::size_t n = 0;
    std::string_view rest = value;
    while (true) {
        rest = trimmed(rest);
        if (rest.empty()) break;
        const std::size_t end = std::min(rest.find(' '), rest.find('\t'));
        if (n == parts.size()) return kThree;
        parts[n++] = rest.substr(0, end);
        if (end == std::string_view::npos) break;
        rest.remove_prefix(end);
    }
    if (n != parts.size()) return kThree;
    return setHelixDms(gear, parts);
}

} // namespace

std::string typingProblem(std::string_view name, std::string_view value)
{
    return gr::enterText(boxOf(name), value).refusal;
}

std::string typedNumber(std::string& value, bool whole)
{
    gr::BoxEntry entry = gr::enterText(whole ? gr::form::kIntegerInput : gr::form::kDecimalInput, value);
    if (!entry.text) return refusedValue(value, entry.refusal);
    // The box also holds numbers still being typed ("", "-", "3."); an
    // option's value must be complete.
    const std::string& text = *entry.text;
    const char* end = text.data() + text.size();
    bool complete = false;
    if (whole) {
        int number = 0;
        const auto [at, ec] = std::from_chars(text.data(), end, number);
        complete = ec == std::errc() && at == end;
    } else {
        double number = 0;
        const auto [at, ec] = std::from_chars(text.data(), end, number);
        complete = ec == std::errc() && at == end && text.back() != '.' && std::isfinite(number);
    }
    if (!complete) return refusedValue(value, whole ? "is not a whole number" : "is not a number");
    // Leading zeros go, so that no later reader takes "010" for octal.
    value = whole ? std::to_string(std::stoi(text)) : text;
    return {};
}

std::string setHelixDms(GearInput& gear, const std::array<std::string_view, 3>& parts)
{
    std::array<std::string, 3> texts;
    for (std::size_t i = 0; i < parts.size(); ++i)
        if (std::string e = setText("helix-dms", parts[i], texts[i]); !e.empty()) return e;
    gear.helix_dms = std::move(texts);
    gear.helical = true;
    return {};
}

const std::vector<std::string_view>& optionNames()
{
    static const std::vector<std::string_view> names = {"item",  "module",    "teeth",     "pressure-angle",
                                                        "spur",  "helical",   "helix",     "helix-dms",
                                                        "grade", "deviation", "tolerance"};
    return names;
}

std::string setOption(GearInput& gear, std::string_view name, std::string_view value)
{
    if (name == "item") return setText(name, value, gear.item);
    if (name == "module") return setText(name, value, gear.module);
    if (name == "teeth") return setText(name, value, gear.teeth);
    if (name == "pressure-angle") return setText(name, value, gear.pressure_angle);
    if (name == "helix-dms") return setDms(value, gear);
    if (name == "spur" || name == "helical") {
        std::optional<bool> on = flagValue(value);
        if (!on) return "--" + std::string(name) + " takes yes or no, not \"" + std::string(value) + "\"";
        if (*on) (name == "helical" ? gear.helical : gear.spur) = true;
    } else if (name == "helix") {
        if (std::string e = setText(name, value, gear.helix); !e.empty()) return e;
        gear.helical = true;
    } else if (name == "grade") {
        std::optional<int> g = wholeNumber(trimmed(value));
        if (!g || *g < kFirstGrade || *g > kLastGrade)
            return "--grade takes a whole number from 1 to 12, not \"" + std::string(value) + "\"";
        gear.grade = *g;
    } else if (name == "deviation") {
        const std::string_view v = trimmed(value);
        if (std::find(kDeviationSeries.begin(), kDeviationSeries.end(), v) == kDeviationSeries.end())
            return "--deviation takes one of a, ab, b, bc, c, cd, d, e, f, g, h, not \"" + std::string(value) + "\"";
        gear.deviation = std::string(v);
    } else if (name == "tolerance") {
        std::optional<int> t = wholeNumber(trimmed(value));
        if (!t || *t < kFirstTolerance || *t > kLastTolerance)
            return "--tolerance takes a whole number from 21 to 30, not \"" + std::string(value) + "\"";
        gear.tolerance = *t;
    } else {
        return "unknown option \"" + std::string(name) + "\"";
    }
    return {};
}

std::string checkCombination(const GearInput& gear)
{
    if (gear.item) {
        // The lookup writes all of these itself; only the pressure angle is
        // still read from its box.
        if (gear.module || gear.teeth || gear.helical || gear.spur || gear.grade ||
            gear.deviation || gear.tolerance)
            return "--item takes no --module, --teeth, --spur, --helical, --helix, --helix-dms, --grade, "
                   "--deviation or --tolerance: the item catalogue supplies them";
        return {};
    }
    if (gear.helix && gear.helix_dms) return "--helix and --helix-dms exclude each other";
    if (gear.spur && gear.helical) return "--spur excludes --helical, --helix and --helix-dms";
    return {};
}

} // namespace gearcalc::report
