#include "gauging_output.hpp"

#include <CLI/CLI.hpp>

#include <charconv>
#include <string_view>
#include <utility>
#include <vector>

namespace gearcalc::report {

namespace {

using Values = RunValues;

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

constexpr const char* kHelp = R"(
Test dimensions (--test-dimensions; --ball D and --face-width B optional):
  After the report: the measuring ball D_M (given, or the next DIN 3977 size above the ball
  that touches the flanks on the pitch circle), the dimension over two balls M_dK (nominal, at
  the upper allowance A and at A - T, from the same spc.edb/gc.edb rows as the report), the
  maker's form (M_dK at A and its lower deviation), the radial dimension M_rK, over two pins
  (spur gears: the same as over balls; helical gears: balls only) and, with --face-width,
  whether the span can be measured: b >= W sin(beta_b) + (1.2 + 0.018 W) cos(beta_b) mm.
  The report's own lines never change. In JSON the object "inspection": "ball_diameter",
  "ball_source" ("series"/"given"), "ideal_ball_diameter", "over_balls", "over_balls_upper",
  "over_balls_lower", "radial_over_balls", "maker_over_balls",
  "maker_over_balls_lower_deviation", "over_pins", "pins_apply", "span_measurable",
  "span_face_width_needed" (texts with 4 decimals, logicals or null) and "problem".
  --format csv, the inspection sheet: one row per gear (item number, m, z, tooth form, grade,
  d, k, W, W_Z and its lower deviation; with --test-dimensions also D_M, M_dK at A and its
  lower deviation; a last column says why values are missing), CR LF line ends, UTF-8 with a
  byte order mark, or GBK with --encoding gbk.
  Status 6: the report was written but a test dimension could not be computed (the ball does
  not touch the flanks between base and tip circle, no series ball is large enough, a gear
  value is no plain number, the pitch diameter lies outside the allowance tables); the reason
  is on stderr and in "problem", the value is left out, never guessed.
  Example: gearcalc-report --all-items --format csv --test-dimensions > inspection.csv
)";

} // namespace

Values runValues(const RunResult& run)
{
    const std::vector<ReportField>& fields = reportFields();
    std::vector<std::optional<std::string_view>> found(fields.size());
    reportValues(run, found);
    Values named;
    named.reserve(fields.size());
    for (std::size_t i = 0; i < fields.size(); ++i) named.emplace_back(fields[i].name, found[i]);
    return named;
}

const char* inspectionHelp()
{
    return kHelp;
}

std::string withTestDimensions(const RunResult& run, const InspectionOptions& options, std::string& problem)
{
    if (!options.enabled || run.outcome != Outcome::Report) return run.report;
    const TestDimensions t = testDimensions(run, options);
    problem = t.problem;
    return run.report + inspectionBlock(t, options);
}

std::string RunWriter::write(std::string& line, const GearInput& gear, const RunResult& run) const
{
    // The report's values, found once for the test dimensions and the row.
    const RunValues values = runValues(run);
    std::optional<TestDimensions> t;
    if (options_.enabled && run.outcome == Outcome::Report) t = testDimensions(values, options_);
    std::string problem = t ? t->problem : std::string();
    if (csv_) {
        const std::string lost = sheet_.appendRow(line, gear, run, values, t ? &*t : nullptr);
        if (!lost.empty()) problem += (problem.empty() ? "" : "; ") + lost;
    } else if (options_.enabled) {
        json_(line, gear, run, t ? inspectionJson(*t) : std::string("null"));
    } else {
        json_(line, gear, run, std::nullopt);
    }
    return problem;
}

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
    return testDimensions(runValues(run), o);
}

TestDimensions testDimensions(const RunValues& values, const InspectionOptions& o)
{
    TestDimensions t;
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
