// gearcalc-report --test-dimensions: the dimension over balls and pins of a
// finished run, taken from the report's own values (module, teeth, angles,
// the span, and the allowance A and tolerance T the report looked up in
// spc.edb and gc.edb), written after the report as text, as an "inspection"
// object in JSON, or as the ball columns of the inspection CSV.
#pragma once

#include "report_session.hpp"

#include <gearcalc/gauging.hpp>

#include <functional>
#include <optional>
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
};

// Adds --test-dimensions, --ball, --face-width and --encoding to `app`.
void addInspectionOptions(CLI::App& app, InspectionOptions& options);

// What is wrong with the options given together with `format`; empty when
// nothing is.
std::string checkInspectionOptions(const InspectionOptions& options, const std::string& format);

// The test dimensions of one run.
struct TestDimensions {
    std::optional<inspection::Sheet> sheet; // absent when nothing could be computed
    std::string problem;                    // why something is missing; empty when all is there
    bool deviation_series = false;          // the report has an upper-deviation line
    bool tolerance_series = false;          // the report has a tolerance line
};

// The report's values of a run as (JSON name, value) pairs, taken from the
// texts the program appended (reportFields() order).
using RunValues = std::vector<std::pair<std::string_view, std::optional<std::string_view>>>;
RunValues runValues(const RunResult& run);

// Computes the test dimensions from a run that wrote a report.
TestDimensions testDimensions(const RunResult& run, const InspectionOptions& options);
// The same from the run's values, when they are at hand already.
TestDimensions testDimensions(const RunValues& values, const InspectionOptions& options);

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
                          const TestDimensions* t) const;

private:
    std::string encoded(std::string utf8, bool& lossy) const;
    const InspectionOptions& options_;
};

// Writes one finished run as a JSON line (through `json`, which adds the
// "inspection" object when it is given) or as a CSV row, with its test
// dimensions when they are asked for.
class RunWriter {
public:
    using JsonLine = std::function<void(std::string& line, const GearInput&, const RunResult&,
                                        std::optional<std::string_view> inspection)>;
    RunWriter(bool csv, const InspectionOptions& options, JsonLine json)
        : csv_(csv), options_(options), sheet_(options), json_(std::move(json))
    {
    }

    // What the output starts with: the CSV header row, or nothing.
    std::string header() const { return csv_ ? sheet_.header() : std::string(); }

    // Appends the run's line; answers what kept its test dimensions (or a
    // CSV cell) from being written, or an empty string.
    std::string write(std::string& line, const GearInput& gear, const RunResult& run) const;

private:
    bool csv_;
    const InspectionOptions& options_;
    InspectionCsv sheet_;
    JsonLine json_;
};

} // namespace gearcalc::report
