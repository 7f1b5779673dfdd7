// gearcalc-report --test-dimensions: the dimension over balls and pins of a
// finished run, taken from the report's own values (module, teeth, angles,
// the span, and the allowance A and tolerance T the report looked up in
// spc.edb and gc.edb), written after the report as text, as an "inspection"
// object in JSON, or as the ball columns of the inspection CSV.
#pragma once

#include "report_session.hpp"

#include <gearcalc/gauging.hpp>
#include <gearcalc/tooth_checks.hpp>

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace CLI {
class App;
}

namespace gearcalc::report {

struct InspectionOptions {
    bool enabled = false;              // --test-dimensions
    std::optional<double> ball;        // --ball D
    std::optional<double> face_width;  // --face-width B
    std::string encoding = "utf-8";    // --encoding, for --format csv
    std::optional<int> iso_class;      // --iso-class A: ISO 1328-1:2013 tolerances
    // The mate of a pair, for its backlash.
    std::optional<int> mate_teeth;                 // --mate-teeth Z2
    std::optional<std::string> mate_deviation;     // --mate-deviation (default: the gear's series)
    std::optional<int> mate_tolerance;             // --mate-tolerance (default: the gear's series)
    std::optional<std::string> mate_item;          // --mate-item ITEM
    std::vector<double> centre_distance_allowance; // --centre-distance-allowance UPPER,LOWER
    bool pair() const { return mate_teeth || mate_item; }
};

// Adds --test-dimensions, --ball, --face-width, --encoding, --iso-class and
// the options of a pair to `app`.
void addInspectionOptions(CLI::App& app, InspectionOptions& options);

// What is wrong with the options given together with `format`; empty when
// nothing is.
std::string checkInspectionOptions(const InspectionOptions& options, const std::string& format);

// The test dimensions of one run.
struct TestDimensions {
    std::optional<inspection::Sheet> sheet; // absent when nothing could be computed
    std::optional<inspection::ChordalTooth> chordal; // absent when it could not be computed
    std::string problem;                    // why something is missing; empty when all is there
    bool deviation_series = false;          // the report has an upper-deviation line
    bool tolerance_series = false;          // the report has a tolerance line
};

// The report's values of a run as (JSON name, value) pairs, taken from the
// texts the program appended (reportFields() order).
using RunValues = std::vector<std::pair<std::string_view, std::optional<std::string_view>>>;
RunValues runValues(const RunResult& run);

// The gear of a report: module, teeth, pressure and helix angle from the
// report's lines; nothing, with the reason in `problem`, when one of them
// is no plain number.
std::optional<inspection::Gear> reportGear(const RunValues& values, std::string& problem);

// A value of the report as a number: nothing when the line is missing or
// holds no plain number (超出表格范围).
std::optional<double> reportNumber(const RunValues& values, std::string_view name);

// Computes the test dimensions from a run that wrote a report.
TestDimensions testDimensions(const RunResult& run, const InspectionOptions& options);
// The same from the run's values, when they are at hand already.
TestDimensions testDimensions(const RunValues& values, const InspectionOptions& options);

// The ISO 1328-1:2013 tolerances of one run (--iso-class).
struct ToleranceCheck {
    int tolerance_class = 0;
    std::optional<inspection::IsoTolerances> values; // absent when refused
    std::string problem;                             // why they are absent
};

// Computes the tolerances from the run's values (the gear of its report and
// --face-width).
ToleranceCheck toleranceCheck(const RunValues& values, const InspectionOptions& options);

// The tolerance block after the report (CR LF line breaks, like the report).
std::string toleranceBlock(const ToleranceCheck& t, const InspectionOptions& options);

// The "tolerances" object as JSON text.
std::string toleranceJson(const ToleranceCheck& t);

// The inspection sheet's tolerance columns and the cells of one row (empty
// when the tolerances are refused, or `t` is null: no report).
std::vector<std::string_view> toleranceColumns();
void toleranceCells(std::vector<std::string>& cells, const ToleranceCheck* t);

// The help text's section on the test dimensions and the inspection CSV.
const char* inspectionHelp();

// The report of a run, followed by its test-dimension block when they are
// asked for; `problem` says what could not be computed.
std::string withTestDimensions(const RunResult& run, const InspectionOptions& options, std::string& problem);

// The block after the report, with CR LF line breaks like the report, so it
// can be joined to the report text.
std::string inspectionBlock(const TestDimensions& t, const InspectionOptions& options);

// The "inspection" object as JSON text.
std::string inspectionJson(const TestDimensions& t);

// The inspection sheet: one CSV row per run, CR LF line ends, UTF-8 with a
// byte order mark or GBK.
class InspectionCsv {
public:
    explicit InspectionCsv(const InspectionOptions& options) : options_(options) {}

    // The header row (after the byte order mark for UTF-8).
    std::string header() const;

    // Appends the row of one run; answers an empty string, or what could not
    // be written (a text that GBK cannot hold, written with "?").
    std::string appendRow(std::string& out, const GearInput& gear, const RunResult& run, const RunValues& values,
                          const TestDimensions* t, const ToleranceCheck* tolerances = nullptr) const;

private:
    std::string encoded(std::string utf8, bool& lossy) const;
    const InspectionOptions& options_;
};

// Writes one finished run as a JSON line (through `json`, which adds the
// "inspection" object when it is given) or as a CSV row, with its test
// dimensions when they are asked for.
class RunWriter {
public:
    // Further members of the object after "inspection": (name, JSON text).
    using JsonMembers = std::span<const std::pair<std::string_view, std::string_view>>;
    using JsonLine = std::function<void(std::string& line, const GearInput&, const RunResult&,
                                        std::optional<std::string_view> inspection, JsonMembers more)>;
    RunWriter(bool csv, const InspectionOptions& options, JsonLine json)
        : csv_(csv), options_(options), sheet_(options), json_(std::move(json))
    {
    }

    // What the output starts with: the CSV header row, or nothing.
    std::string header() const { return csv_ ? sheet_.header() : std::string(); }

    // Appends the run's line; answers what kept its test dimensions (or a
    // CSV cell) from being written, or an empty string. `pair` is the JSON
    // text of the run's "pair" object, when the backlash was asked for.
    std::string write(std::string& line, const GearInput& gear, const RunResult& run,
                      std::optional<std::string_view> pair = std::nullopt) const;

private:
    bool csv_;
    const InspectionOptions& options_;
    InspectionCsv sheet_;
    JsonLine json_;
};

} // namespace gearcalc::report
