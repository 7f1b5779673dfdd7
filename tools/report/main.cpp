// gearcalc-report: the gear calculation on the command line. It starts the
// program's window on the headless runtime, fills it from the options,
// clicks 计算按钮 and prints the result box. See --help and README.md.
#include "report_session.hpp"

#include "csv.hpp"
#include <geardb/utf8.hpp>
#include <gearprog/catalogue_schema.hpp>

#include <CLI/CLI.hpp>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace {

using gearcalc::report::GearInput;
using gearcalc::report::Outcome;
using gearcalc::report::RunResult;
using gearcalc::report::Session;

// Exit statuses.
constexpr int kExitReport = 0;
constexpr int kExitNotFound = 1;
constexpr int kExitUsage = 2;
constexpr int kExitNoModule = 3;
constexpr int kExitStopped = 4;

constexpr const char* kDescription =
    "Calculates a spur or helical gear as the gear calculator's window does and prints its report.\n"
    "The inputs go into the window's boxes as typed; the report is the window's result box.";

constexpr const char* kFooter = R"(
Input modes:
  --item NUMBER            item-number mode: the item catalogue supplies module, teeth, gear
                           form, helix angle (19.5283 for helical items), grade, deviation
                           series e and tolerance series 25; only --pressure-angle may be added.
  --module/--teeth ...     direct input; --helix or --helix-dms imply --helical. Without either
                           a helical gear takes its helix angle from the empty D/M/S boxes (0).

Output (--format):
  text   the report as UTF-8 with "\n" line ends and a final line end (default)
  raw    the result box byte for byte (CR LF line ends, no final line end)
  json   one JSON object on one line:
           "status"   "ok", "not_found", "no_module" or "error"
           "input"    the options: "item", "module", "teeth", "pressure_angle", "gear"
                      ("spur"/"helical", null in item mode), "helix", "helix_dms" ([D, M, S]),
                      "grade", "deviation", "tolerance" (null when not given)
           report values, each the text the report shows after its label (null when the
           report has no such line):
             "module" 模数, "teeth" 齿数, "pressure_angle" 压力角 (without °),
             "helix_angle" 螺旋角 (without °), "pitch_diameter" 分度圆直径,
             "tip_diameter" 齿顶圆直径, "root_diameter" 齿根圆直径, "base_diameter" 基圆直径,
             "addendum" 齿顶高, "dedendum" 齿根高, "whole_depth" 全齿高, "span" 公法线长度,
             "teeth_spanned" 公法线跨齿数, "grade" 制齿精度 (without 级; null for 无),
             "upper_deviation" 齿厚上偏差, "maker_span" ZKD 公法线长度,
             "lower_deviation" 齿厚下偏差, "tolerance" 齿厚公差,
             "maker_span_lower_deviation" ZKD 公法线长度下偏差 (the text after ":-", so the
             deviation is minus this value)
           "report"   the whole result box (CR LF line ends)
           "messages" the message boxes the run showed
  --batch and --all-items always write JSON lines, one object per gear.

Batch file (--batch FILE.csv): UTF-8 CSV; the first row names the columns, spelled like the
long options without dashes: item, module, teeth, pressure-angle, spur, helical, helix,
helix-dms ("D M S" in one cell), grade, deviation, tolerance. An empty cell leaves the option
out; spur and helical take 1/0, yes/no or true/false.

Exit status:
  0  a report was written (batch, all items: every gear got one)
  1  the item number is not in the item catalogue (its message on stderr)
  2  bad usage: unknown option, value out of range, options that exclude each other, bad batch file
  3  the module box was empty, so the calculation ended without a report
  4  the run stopped on a message (a runtime error, a missing catalogue): the message on stderr;
     the lines written before it are still printed
  With --batch or --all-items a failing gear still gets its JSON line; the status is that of the
  first gear without a report.
Messages the window shows (runtime errors, catalogues that cannot be opened) go to stderr.)";

std::filesystem::path executableFolder(const char* argv0)
{
    std::error_code ec;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) self = std::filesystem::absolute(argv0, ec);
    return self.parent_path();
}

const char* statusName(Outcome outcome)
{
    switch (outcome) {
    case Outcome::Report: return "ok";
    case Outcome::ItemNotFound: return "not_found";
    case Outcome::NoModule: return "no_module";
    case Outcome::Stopped: return "error";
    }
    return "error";
}

int exitStatus(Outcome outcome)
{
    switch (outcome) {
    case Outcome::Report: return kExitReport;
    case Outcome::ItemNotFound: return kExitNotFound;
    case Outcome::NoModule: return kExitNoModule;
    case Outcome::Stopped: return kExitStopped;
    }
    return kExitStopped;
}

// Writes gears as JSON lines with RapidJSON's streaming writer: no
// document is built, and the writer's buffer is reused from line to line.
// Texts that are not well-formed UTF-8 (a typed argument can be anything)
// are written with U+FFFD for each byte that does not fit.
class JsonLines {
public:
    void append(std::string& out, const GearInput& gear, const RunResult& result)
    {
        buffer_.Clear();
        writer_.Reset(buffer_);
        writer_.StartObject();
        key("status");
        text(statusName(result.outcome));

        key("input");
        writer_.StartObject();
        const bool direct = !gear.item;
        key("item");
        text(gear.item);
        key("module");
        text(direct ? std::optional<std::string_view>(gear.module) : std::nullopt);
        key("teeth");
        text(direct ? std::optional<std::string_view>(gear.teeth) : std::nullopt);
        key("pressure_angle");
        text(gear.pressure_angle);
        key("gear");
        text(direct ? std::optional<std::string_view>(gear.helical ? "helical" : "spur") : std::nullopt);
        key("helix");
        text(gear.helix);
        key("helix_dms");
        if (gear.helix_dms) {
            writer_.StartArray();
            for (const std::string& part : *gear.helix_dms) text(part);
            writer_.EndArray();
        } else {
            writer_.Null();
        }
        key("grade");
        number(gear.grade);
        key("deviation");
        text(gear.deviation);
        key("tolerance");
        number(gear.tolerance);
        writer_.EndObject();

        const std::vector<gearcalc::report::ReportField>& fields = gearcalc::report::reportFields();
        found_.resize(fields.size());
        gearcalc::report::reportValues(result.report, found_);
        for (std::size_t i = 0; i < fields.size(); ++i) {
            key(fields[i].name);
            text(found_[i]);
        }
        key("report");
        text(result.report);
        key("messages");
        writer_.StartArray();
        for (const std::string& m : result.messages) text(m);
        writer_.EndArray();
        writer_.EndObject();
        out.append(buffer_.GetString(), buffer_.GetSize());
        out += '\n';
    }

private:
    void key(std::string_view name) { writer_.Key(name.data(), static_cast<rapidjson::SizeType>(name.size())); }

    void text(std::string_view s)
    {
        std::size_t bad = gr::db::firstInvalidUtf8(s);
        if (bad == std::string_view::npos) {
            writer_.String(s.data(), static_cast<rapidjson::SizeType>(s.size()));
            return;
        }
        std::string mended;
        while (bad != std::string_view::npos) {
            mended.append(s.substr(0, bad));
            mended += "\xEF\xBF\xBD"; // U+FFFD
            s.remove_prefix(bad + 1);
            bad = gr::db::firstInvalidUtf8(s);
        }
        mended.append(s);
        writer_.String(mended.data(), static_cast<rapidjson::SizeType>(mended.size()));
    }
    template <typename T>
    void text(const std::optional<T>& s)
    {
        if (s) text(std::string_view(*s));
        else writer_.Null();
    }
    void number(const std::optional<int>& n)
    {
        if (n) writer_.Int(*n);
        else writer_.Null();
    }

    rapidjson::StringBuffer buffer_;
    rapidjson::Writer<rapidjson::StringBuffer> writer_;
    std::vector<std::optional<std::string_view>> found_;
};

// Collects output and writes it in large blocks.
class Output {
public:
    ~Output() { flush(); }
    void add(const std::string& s)
    {
        buffer_ += s;
        if (buffer_.size() >= (1u << 16)) flush();
    }
    void flush()
    {
        if (!buffer_.empty()) std::fwrite(buffer_.data(), 1, buffer_.size(), stdout);
        buffer_.clear();
        std::fflush(stdout);
    }

private:
    std::string buffer_;
};

void reportMessages(const RunResult& result, const std::string& where = {})
{
    for (const std::string& m : result.messages) std::cerr << where << m << '\n';
}

// A batch file: its columns and rows as read. Every row is checked when
// the file is read, so a bad row is reported before any output; the gears
// themselves are made one at a time while the batch runs.
struct Batch {
    std::string path;
    std::vector<std::string> columns;
    std::vector<edbtool::CsvRecord> rows;

    std::size_t size() const { return rows.size(); }
    // The gear of row `index`; an empty string or what is wrong with it.
    std::string gear(std::size_t index, GearInput& gear) const
    {
        const edbtool::CsvRecord& record = rows[index];
        const std::string where = path + ":" + std::to_string(record.line) + ": ";
        if (record.fields.size() != columns.size())
            return where + std::to_string(record.fields.size()) + " cells, the header names " +
                   std::to_string(columns.size());
        gear = GearInput{};
        for (std::size_t c = 0; c < columns.size(); ++c) {
            if (record.fields[c].empty()) continue;
            if (std::string e = gearcalc::report::setOption(gear, columns[c], record.fields[c]); !e.empty())
                return where + e;
        }
        if (std::string e = gearcalc::report::checkCombination(gear); !e.empty()) return where + e;
        return {};
    }
};

// Reads and checks the batch file; an empty string or the problem.
std::string readBatch(const std::string& path, Batch& batch)
{
    std::string data;
    {
        std::ifstream in(path, std::ios::binary);
        if (!in) return path + ": cannot be read";
        data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    edbtool::CsvParseResult csv = edbtool::parseCsv(data);
    if (!csv.error.empty()) return path + ":" + std::to_string(csv.errorLine) + ": " + csv.error;
    if (csv.records.empty()) return path + ": no header row";
    batch.path = path;
    batch.columns = std::move(csv.records.front().fields);
    const auto& names = gearcalc::report::optionNames();
    for (const std::string& c : batch.columns)
        if (std::find(names.begin(), names.end(), c) == names.end())
            return path + ":1: unknown column \"" + c + "\"";
    csv.records.erase(csv.records.begin());
    batch.rows = std::move(csv.records);
    GearInput scratch;
    for (std::size_t i = 0; i < batch.size(); ++i)
        if (std::string e = batch.gear(i, scratch); !e.empty()) return e;
    return {};
}

// Runs `count` gears, made by `gearAt`, one after the other as JSON lines;
// the status of the first gear without a report, or 0.
template <typename GearAt>
int runAll(Session& session, std::size_t count, GearAt gearAt, const std::string& source)
{
    Output out;
    JsonLines json;
    std::string line;
    GearInput gear;
    int status = kExitReport;
    for (std::size_t index = 0; index < count; ++index) {
        gearAt(index, gear);
        const RunResult result = session.run(gear);
        line.clear();
        json.append(line, gear, result);
        out.add(line);
        if (result.outcome != Outcome::Report) {
            reportMessages(result, source + " #" + std::to_string(index + 1) + ": ");
            if (status == kExitReport) status = exitStatus(result.outcome);
        }
    }
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    CLI::App app(kDescription, "gearcalc-report");
    app.footer(kFooter);
    app.get_formatter()->column_width(34);

    std::string item, module, teeth, pressure_angle = "20", helix, deviation;
    std::vector<std::string> helix_dms;
    int grade = 0, tolerance = 0;
    std::string catalogue_dir, format = "text", batch;

    auto* o_item = app.add_option("--item", item, "Item number (订货编号) to look up in the item catalogue");
    auto* o_module = app.add_option("--module", module, "Module m, as typed into 模数");
    auto* o_teeth = app.add_option("--teeth", teeth, "Number of teeth z, as typed into 齿数");
    auto* o_pressure = app.add_option("--pressure-angle", pressure_angle, "Pressure angle in degrees, as typed")
                           ->capture_default_str();
    bool spur_flag = false, helical_flag = false, all_flag = false;
    auto* o_spur = app.add_flag("--spur", spur_flag, "Spur gear (the default)");
    auto* o_helical = app.add_flag("--helical", helical_flag, "Helical gear");
    auto* o_helix = app.add_option("--helix", helix,
                                   "Helix angle in decimal degrees, as typed (ticks 度数选择框; implies --helical)");
    auto* o_dms =
        app.add_option("--helix-dms", helix_dms, "Helix angle as degrees, minutes, seconds (implies --helical)")
            ->expected(3)
            ->type_name("D M S");
    auto* o_grade = app.add_option("--grade", grade, "Accuracy grade (DIN 3967)")->check(CLI::Range(gearcalc::schema::kFirstGrade, gearcalc::schema::kLastGrade));
    auto* o_deviation = app.add_option("--deviation", deviation, "Upper allowance series")
                            ->check(CLI::IsMember(std::vector<std::string>(gearcalc::schema::kDeviationSeries.begin(), gearcalc::schema::kDeviationSeries.end())));
    auto* o_tolerance = app.add_option("--tolerance", tolerance, "Tolerance series")->check(CLI::Range(gearcalc::schema::kFirstTolerance, gearcalc::schema::kLastTolerance));
    app.add_option("--catalogue-dir", catalogue_dir,
                   "Folder of spc.edb, gc.edb and ZKD.edb (default: the folder of this program)");
    auto* o_format = app.add_option("--format", format, "Output format: text, raw or json")
                         ->check(CLI::IsMember({"text", "raw", "json"}))
                         ->capture_default_str();
    auto* o_batch = app.add_option("--batch", batch, "CSV file with one gear per row; writes JSON lines");
    auto* o_all =
        app.add_flag("--all-items", all_flag, "A report for every record of the item catalogue, as JSON lines");

    o_spur->excludes(o_helical);
    o_helix->excludes(o_dms);
    o_spur->excludes(o_helix)->excludes(o_dms);
    const std::initializer_list<CLI::Option*> gear_options = {o_module, o_teeth,     o_spur,      o_helical, o_helix,
                                                              o_dms,    o_grade,     o_deviation, o_tolerance};
    for (CLI::Option* gear_option : gear_options) {
        o_item->excludes(gear_option);
        o_all->excludes(gear_option);
        o_batch->excludes(gear_option);
    }
    o_batch->excludes(o_item)->excludes(o_all)->excludes(o_pressure);
    o_all->excludes(o_item);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);
        return code == 0 ? kExitReport : kExitUsage;
    }
    if ((*o_batch || *o_all) && *o_format && format != "json") {
        std::cerr << "gearcalc-report: --batch and --all-items write JSON lines; --format " << format
                  << " does not apply\n";
        return kExitUsage;
    }

    // The gear from the options, through the same setter as the batch file.
    GearInput gear;
    std::string problem;
    auto set = [&](const CLI::Option* option, std::string_view name, std::string_view value) {
        if (problem.empty() && *option) problem = gearcalc::report::setOption(gear, name, value);
    };
    set(o_item, "item", item);
    set(o_module, "module", module);
    set(o_teeth, "teeth", teeth);
    set(o_pressure, "pressure-angle", pressure_angle);
    set(o_spur, "spur", "1");
    set(o_helical, "helical", "1");
    set(o_helix, "helix", helix);
    if (*o_dms && problem.empty()) {
        gear.helix_dms = std::array<std::string, 3>{helix_dms[0], helix_dms[1], helix_dms[2]};
        gear.helical = true;
    }
    set(o_grade, "grade", std::to_string(grade));
    set(o_deviation, "deviation", deviation);
    set(o_tolerance, "tolerance", std::to_string(tolerance));
    if (problem.empty()) problem = gearcalc::report::checkCombination(gear);
    if (!problem.empty()) {
        std::cerr << "gearcalc-report: " << problem << "\nRun with --help for more information.\n";
        return kExitUsage;
    }

    Batch rows;
    if (*o_batch) {
        if (std::string e = readBatch(batch, rows); !e.empty()) {
            std::cerr << "gearcalc-report: " << e << '\n';
            return kExitUsage;
        }
    }

    const std::filesystem::path exe_folder = executableFolder(argv[0]);
    if (catalogue_dir.empty()) catalogue_dir = exe_folder.string();
    Session session(catalogue_dir, exe_folder.string());
    for (const std::string& m : session.startupMessages()) std::cerr << m << '\n';

    if (*o_batch)
        return runAll(session, rows.size(), [&](std::size_t i, GearInput& g) { rows.gear(i, g); }, batch);
    if (*o_all) {
        std::string error;
        const std::vector<std::string> numbers = session.itemNumbers(error);
        if (!error.empty()) {
            std::cerr << "gearcalc-report: cannot list the item catalogue's records: " << error << '\n';
            return kExitStopped;
        }
        if (numbers.empty()) {
            std::cerr << "gearcalc-report: the item catalogue in " << catalogue_dir << " has no records to report\n";
            return kExitStopped;
        }
        const std::string pressure_angle = gear.pressure_angle;
        return runAll(
            session, numbers.size(),
            [&](std::size_t i, GearInput& g) {
                g = GearInput{};
                g.item = numbers[i];
                g.pressure_angle = pressure_angle;
            },
            "item");
    }

    const RunResult result = session.run(gear);
    reportMessages(result);
    if (result.outcome == Outcome::NoModule)
        std::cerr << "gearcalc-report: no module given, so the calculation wrote no report\n";
    if (format == "json") {
        // Always one object: its status says why a run wrote no report.
        std::string line;
        JsonLines().append(line, gear, result);
        Output().add(line);
    } else if (result.outcome == Outcome::Report || !result.report.empty()) {
        Output out;
        if (format == "raw") out.add(result.report);
        else out.add(gearcalc::report::asText(result.report));
    }
    return exitStatus(result.outcome);
}
