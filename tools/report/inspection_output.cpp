#include "inspection_output.hpp"

#include <CLI/CLI.hpp>

#include <charconv>
#include <string_view>
#include <utility>
#include <vector>

namespace gearcalc::report {

namespace {

using Values = std::vector<std::pair<std::string_view, std::optional<std::string_view>>>;

std::optional<std::string_view> valueOf(const Values& values, std::string_view name)
{
    for (const auto& [n, v] : values)
        if (n == name) return v;
    return std::nullopt;
}

// The whole text as a number, or nothing (no leading or trailing extras).
std::optional<double> numberIn(std::string_view text)
{
    double x = 0.0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), x);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
    return x;
}

// Reads a required gear value of the report; on failure names it in `problem`.
std::optional<double> gearValue(const Values& values, std::string_view name, const char* what, std::string& problem)
{
    const std::optional<std::string_view> text = valueOf(values, name);
    std::optional<double> x = text ? numberIn(*text) : std::nullopt;
    if (!x && problem.empty()) problem = std::string("the ") + what + " of the report is not a plain number";
    return x;
}

// An allowance line of the report: its number, or nothing when the report
// says the pitch diameter lies outside the table (or the line is missing).
std::optional<double> allowance(const Values& values, std::string_view name, bool& present, bool& outside)
{
    const std::optional<std::string_view> text = valueOf(values, name);
    present = text.has_value();
    if (!text) return std::nullopt;
    const std::optional<double> x = numberIn(*text);
    if (!x) outside = true;
    return x;
}

} // namespace

void addInspectionOptions(CLI::App& app, InspectionOptions& o)
{
    app.add_flag("--test-dimensions", o.enabled,
                 "Add the dimension over balls and pins after the report (JSON: \"inspection\")");
    app.add_option("--ball", o.ball, "Measuring ball (pin) diameter D_M in mm (default: from the DIN 3977 series)")
        ->check(CLI::PositiveNumber);
    app.add_option("--face-width", o.face_width, "Face width b in mm: say whether the span can be measured")
        ->check(CLI::PositiveNumber);
    app.add_option("--encoding", o.encoding, "Encoding of --format csv: utf-8 (with byte order mark) or gbk")
        ->check(CLI::IsMember({"utf-8", "gbk"}))
        ->capture_default_str();
}

std::string checkInspectionOptions(const InspectionOptions& o, const std::string& format)
{
    if (!o.enabled && (o.ball || o.face_width))
        return "--ball and --face-width belong to --test-dimensions";
    if (format != "csv" && o.encoding != "utf-8") return "--encoding applies to --format csv only";
    return {};
}

TestDimensions testDimensions(const RunResult& run, const InspectionOptions& o)
{
    TestDimensions t;
    const Values values = reportValues(run.report);
    inspection::Gear gear;
    std::string problem;
    gear.normal_module = gearValue(values, "module", "module", problem).value_or(0.0);
    gear.teeth = gearValue(values, "teeth", "number of teeth", problem).value_or(0.0);
    gear.pressure_angle = gearValue(values, "pressure_angle", "pressure angle", problem).value_or(0.0);
    gear.helix_angle = gearValue(values, "helix_angle", "helix angle", problem).value_or(0.0);
    if (!problem.empty()) {
        t.problem = problem + ": no test dimensions";
        return t;
    }

    inspection::Request request;
    request.ball_diameter = o.ball;
    request.face_width = o.face_width;
    if (const auto span = valueOf(values, "span")) request.span = numberIn(*span);
    bool outside = false;
    request.upper_allowance = allowance(values, "upper_deviation", t.deviation_series, outside);
    const bool upper_known = !t.deviation_series || request.upper_allowance;
    request.tolerance = allowance(values, "tolerance", t.tolerance_series, outside);
    // Without A the lower allowance A − T is unknown too.
    if (!upper_known) request.tolerance.reset();

    const inspection::Result<inspection::Sheet> sheet = inspection::Inspect(gear, request);
    if (sheet) t.sheet = sheet.value();
    else t.problem = sheet.problem();
    if (outside) {
        const std::string d(valueOf(values, "pitch_diameter").value_or(""));
        if (!t.problem.empty()) t.problem += "; ";
        t.problem += "the pitch diameter " + d +
                     " mm lies outside the allowance tables (spc.edb, gc.edb): no dimension at the allowances";
    }
    return t;
}

} // namespace gearcalc::report
