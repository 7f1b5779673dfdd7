#include "gauging_output.hpp"

#include "number_options.hpp"

#include <gearprog/catalogue_schema.hpp>

#include <CLI/CLI.hpp>

#include <cmath>

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
  Also the chordal tooth thickness s and height h for a gear-tooth caliper (normal section,
  virtual spur gear): nominal, at A and at A - T.
  The report's own lines never change. In JSON the object "inspection": "ball_diameter",
  "ball_source" ("series"/"given"), "ideal_ball_diameter", "over_balls", "over_balls_upper",
  "over_balls_lower", "radial_over_balls", "maker_over_balls",
  "maker_over_balls_lower_deviation", "over_pins", "pins_apply", "span_measurable",
  "span_face_width_needed", "chordal_thickness", "chordal_height", "chordal_thickness_upper",
  "chordal_height_upper", "chordal_thickness_lower", "chordal_height_lower" (texts with 4
  decimals, logicals or null) and "problem".

ISO 1328-1:2013 tolerances (--iso-class 1..11; --face-width B for the helix ones):
  fpT, FpT, fHalphaT, ffalphaT, FalphaT, fHbetaT, ffbetaT, FbetaT, FrT in micrometres, rounded
  as the standard says (above 10 to 1, from 5 to 10 to 0.5, below 5 to 0.1). JSON: the object
  "tolerances" with "class", "fpT", "FpT", "fHaT", "ffaT", "FaT", "fHbT", "ffbT", "FbT", "FrT"
  (texts as printed; the helix ones null without --face-width) and "problem". Outside the
  standard (5 <= z <= 1000, 5 <= d <= 15000 mm, 0.5 <= m <= 70 mm, beta <= 45 degrees) the
  values are refused (status 6); a class outside 1..11 or a face width outside 4..1200 mm is
  bad usage (status 2).

Backlash of a pair (--mate-teeth Z2, or --mate-item ITEM with --item):
  the mate has the gear's module, pressure and helix angle (opposite hand) and its own
  allowances from the tables: --mate-deviation and --mate-tolerance (default: the gear's
  series; a direct gear needs --deviation and --tolerance). --centre-distance-allowance
  UPPER,LOWER in mm (default 0,0). jt,min = -(A1 + A2)/cos(beta) + 2 A_ai tan(alpha_t),
  jt,max = -((A1 - T1) + (A2 - T2))/cos(beta) + 2 A_ae tan(alpha_t), jn = jt cos(alpha_n)
  cos(beta). JSON: the object "pair" with "mate" ("item", "teeth", "pitch_diameter",
  "upper_deviation", "tolerance"), "centre_distance", "centre_distance_upper",
  "centre_distance_lower", "jt_min", "jt_max", "jn_min", "jn_max" (mm, 4 decimals),
  "interference" (the smallest backlash is negative) and "problem". A mate of another module,
  pressure or helix angle, or outside the tables, is refused (status 6). Not with --batch,
  --all-items or --format csv.

  --format csv, the inspection sheet: one row per gear (item number, m, z, tooth form, grade,
  d, k, W, W_Z and its lower deviation; with --test-dimensions also D_M, M_dK at A and its
  lower deviation and the chordal thickness and height nominal, at A and at A - T; with
  --iso-class the class and the nine tolerances; a last column says why values are missing),
  CR LF line ends, UTF-8 with a byte order mark, or GBK with --encoding gbk.
  Status 6: the report was written but a test dimension, a tolerance or the backlash could
  not be computed (the ball does not touch the flanks between base and tip circle, no series
  ball is large enough, a gear value is no plain number, the pitch diameter lies outside the
  allowance tables or the standard's range); the reason is on stderr and in "problem", the
  value is left out, never guessed.
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
    if (run.outcome != Outcome::Report || (!options.enabled && !options.iso_class)) return run.report;
    std::string text = run.report;
    const RunValues values = runValues(run);
    if (options.enabled) {
        const TestDimensions t = testDimensions(values, options);
        problem = t.problem;
        text += inspectionBlock(t, options);
    }
    if (options.iso_class) {
        const ToleranceCheck t = toleranceCheck(values, options);
        if (!t.problem.empty()) problem += (problem.empty() ? "" : "; ") + t.problem;
        text += toleranceBlock(t, options);
    }
    return text;
}

std::string RunWriter::write(std::string& line, const GearInput& gear, const RunResult& run,
                             std::optional<std::string_view> pair) const
{
    // The report's values, found once for the test dimensions and the row;
    // a plain JSON line takes them itself.
    const bool wanted = csv_ || options_.enabled || options_.iso_class;
    const RunValues values = wanted ? runValues(run) : RunValues{};
    const bool report = run.outcome == Outcome::Report;
    std::optional<TestDimensions> t;
    if (options_.enabled && report) t = testDimensions(values, options_);
    std::optional<ToleranceCheck> tolerances;
    if (options_.iso_class && report) tolerances = toleranceCheck(values, options_);
    std::string problem = t ? t->problem : std::string();
    if (tolerances && !tolerances->problem.empty()) problem += (problem.empty() ? "" : "; ") + tolerances->problem;
    if (csv_) {
        const std::string lost =
            sheet_.appendRow(line, gear, run, values, t ? &*t : nullptr, tolerances ? &*tolerances : nullptr);
        if (!lost.empty()) problem += (problem.empty() ? "" : "; ") + lost;
        return problem;
    }
    std::vector<std::pair<std::string_view, std::string_view>> more;
    std::string tolerance_json;
    if (options_.iso_class) {
        tolerance_json = tolerances ? toleranceJson(*tolerances) : std::string("null");
        more.emplace_back("tolerances", tolerance_json);
    }
    if (options_.pair()) more.emplace_back("pair", pair.value_or("null"));
    std::optional<std::string> inspection;
    if (options_.enabled) inspection = t ? inspectionJson(*t) : std::string("null");
    json_(line, gear, run, inspection, more);
    return problem;
}

void addInspectionOptions(CLI::App& app, InspectionOptions& o)
{
    app.add_flag("--test-dimensions", o.enabled,
                 "Add the dimension over balls and pins after the report (JSON: \"inspection\")");
    app.add_option("--ball", o.ball, "Measuring ball (pin) diameter D_M in mm (default: from the DIN 3977 series)")
        ->transform(typedLikeABox(false))
        ->check(aboveZero());
    app.add_option("--face-width", o.face_width, "Face width b in mm: say whether the span can be measured")
        ->transform(typedLikeABox(false))
        ->check(aboveZero());
    app.add_option("--encoding", o.encoding, "Encoding of --format csv: utf-8 (with byte order mark) or gbk")
        ->check(CLI::IsMember({"utf-8", "gbk"}))
        ->capture_default_str();
    app.add_option("--iso-class", o.iso_class, "ISO 1328-1:2013 tolerance class 1..11: add its tolerances")
        ->transform(typedLikeABox(true))
        ->check(CLI::Range(inspection::kFirstIsoClass, inspection::kLastIsoClass));
    CLI::Option* mate_teeth =
        app.add_option("--mate-teeth", o.mate_teeth, "Teeth of the mating gear: add the backlash of the pair")
            ->transform(typedLikeABox(true))
            ->check(CLI::Range(3, 100000));
    CLI::Option* mate_item = app.add_option("--mate-item", o.mate_item,
                                            "Item number of the mating gear (with --item): add the backlash");
    app.add_option("--mate-deviation", o.mate_deviation, "Upper allowance series of the mate (default: the gear's)")
        ->check(CLI::IsMember(std::vector<std::string>(schema::kDeviationSeries.begin(), schema::kDeviationSeries.end())));
    app.add_option("--mate-tolerance", o.mate_tolerance, "Tolerance series of the mate (default: the gear's)")
        ->transform(typedLikeABox(true))
        ->check(CLI::Range(schema::kFirstTolerance, schema::kLastTolerance));
    app.add_option("--centre-distance-allowance", o.centre_distance_allowance,
                   "Upper and lower centre-distance allowance in mm, UPPER,LOWER (default 0,0)")
        ->delimiter(',')
        ->transform(typedLikeABox(false))
        ->expected(2)
        ->type_name("UPPER,LOWER");
    mate_teeth->excludes(mate_item);
}

std::string checkInspectionOptions(const InspectionOptions& o, const std::string& format)
{
    if (!o.enabled && (o.ball || (o.face_width && !o.iso_class)))
        return "--ball and --face-width belong to --test-dimensions (--face-width also to --iso-class)";
    if (format != "csv" && o.encoding != "utf-8") return "--encoding applies to --format csv only";
    if (o.iso_class && o.face_width &&
        !(*o.face_width >= inspection::kIsoLeastFaceWidth && *o.face_width <= inspection::kIsoLargestFaceWidth)) {
        char b[32];
        const std::string width(b, std::to_chars(b, b + sizeof b, *o.face_width).ptr);
        return "--face-width " + width +
               ": ISO 1328-1:2013 gives helix tolerances for face widths from 4 to 1200 mm only";
    }
    if (!o.pair()) {
        if (o.mate_deviation || o.mate_tolerance || !o.centre_distance_allowance.empty())
            return "--mate-deviation, --mate-tolerance and --centre-distance-allowance belong to --mate-teeth "
                   "(the allowance also to --mate-item)";
        return {};
    }
    if (o.mate_item && (o.mate_deviation || o.mate_tolerance))
        return "--mate-item takes no --mate-deviation or --mate-tolerance: the item catalogue supplies them";
    if (format == "csv") return "the backlash of a pair (--mate-teeth, --mate-item) is not part of --format csv";
    if (!o.centre_distance_allowance.empty()) {
        const double upper = o.centre_distance_allowance[0], lower = o.centre_distance_allowance[1];
        if (!std::isfinite(upper) || !std::isfinite(lower))
            return "--centre-distance-allowance takes two numbers of millimetres, UPPER,LOWER";
        if (upper < lower)
            return "--centre-distance-allowance: the upper allowance lies below the lower (give UPPER,LOWER)";
    }
    return {};
}

TestDimensions testDimensions(const RunResult& run, const InspectionOptions& o)
{
    return testDimensions(runValues(run), o);
}

std::optional<inspection::Gear> reportGear(const RunValues& values, std::string& problem)
{
    inspection::Gear gear;
    std::string why;
    gear.normal_module = gearValue(values, "module", "module", why).value_or(0.0);
    gear.teeth = gearValue(values, "teeth", "number of teeth", why).value_or(0.0);
    gear.pressure_angle = gearValue(values, "pressure_angle", "pressure angle", why).value_or(0.0);
    gear.helix_angle = gearValue(values, "helix_angle", "helix angle", why).value_or(0.0);
    if (!why.empty()) {
        problem = why;
        return std::nullopt;
    }
    return gear;
}

std::optional<double> reportNumber(const RunValues& values, std::string_view name)
{
    const std::optional<std::string_view> text = valueOf(values, name);
    return text ? numberIn(*text) : std::nullopt;
}

TestDimensions testDimensions(const RunValues& values, const InspectionOptions& o)
{
    TestDimensions t;
    std::string problem;
    const std::optional<inspection::Gear> found = reportGear(values, problem);
    if (!found) {
        t.problem = problem + ": no test dimensions";
        return t;
    }
    const inspection::Gear& gear = *found;

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
    // The chord does not depend on the ball: it is given even when no ball fits.
    const inspection::Result<inspection::ChordalTooth> chordal =
        inspection::ChordalToothThickness(gear, request.upper_allowance, request.tolerance);
    if (chordal) t.chordal = chordal.value();
    else if (t.sheet || t.problem.find(chordal.problem()) == std::string::npos)
        t.problem += (t.problem.empty() ? "" : "; ") + ("chordal tooth: " + chordal.problem());
    if (outside) {
        const std::string d(valueOf(values, "pitch_diameter").value_or(""));
        if (!t.problem.empty()) t.problem += "; ";
        t.problem += "the pitch diameter " + d +
                     " mm lies outside the allowance tables (spc.edb, gc.edb): no dimension at the allowances";
    }
    return t;
}

} // namespace gearcalc::report
