// gearcalc-report: the gear calculation on the command line. It starts the
// program's window on the headless runtime, fills it from the options,
// clicks 计算按钮 and prints the result box. See --help and README.md.
#include "batch.hpp"
#include "card_output.hpp"
#include "gauging_output.hpp"
#include "json_lines.hpp"
#include "number_options.hpp"
#include "pair_output.hpp"
#include "report_session.hpp"

#include <gearprog/catalogue_schema.hpp>
#include <geardb/catalogue_file.hpp>

#include <gear_tools/command_line.hpp>
#include <gear_tools/files.hpp>
#include <gear_tools/output.hpp>
#include <output_file.hpp>
#include <gearplat/platform.hpp>
#include <gearplat/text_files.hpp>

#include <CLI/CLI.hpp>

#include <array>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <functional>
#include <filesystem>
#include <iostream>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <vector>

namespace {

using gearcalc::report::Batch;
using gearcalc::report::GearInput;
using gearcalc::report::JsonLines;
using gearcalc::report::Outcome;
using gearcalc::report::RunResult;
using gearcalc::report::RunWriter;
using gearcalc::report::Session;
using gear_tools::CheckedOutput;

// Exit statuses.
constexpr int kExitReport = 0;
constexpr int kExitNotFound = 1;
constexpr int kExitUsage = 2;
constexpr int kExitNoModule = 3;
constexpr int kExitStopped = 4;
constexpr int kExitOutput = 5;
constexpr int kExitNoTestDimensions = 6;

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
           "status"   "ok", "not_found", "no_module" or "error" (the run stopped on a
                      message, or needed a catalogue that could not be opened)
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
  csv    the inspection sheet, one row per gear (see Test dimensions below)
  --batch and --all-items write JSON lines (one object per gear) or CSV rows, in file order.
  The output goes to standard output, or with --output FILE to FILE, written completely or not at
  all (a run that fails before writing anything leaves FILE as it was). On a Windows console the
  text shows as characters whatever the console's code page; redirected, it is UTF-8 bytes. In
  Windows PowerShell 5.1 use --output FILE, not "> FILE": ">" there re-encodes the text and
  damages its Chinese.

Batch file (--batch FILE.csv): UTF-8 CSV; the first row names the columns, spelled like the
long options without dashes: item, module, teeth, pressure-angle, spur, helical, helix,
helix-dms ("D M S" in one cell), grade, deviation, tolerance. An empty cell leaves the option
out; spur and helical take 1/0, yes/no or true/false. A column may appear once. A row is at most
65536 bytes with no more cells than the header names.

Typed values (options and batch cells) follow the typing rules of the window's boxes: 模数 and
度数 take a decimal number ("2,5", full-width digits and "。" become 2.5), 齿数 and 度/分/秒 a whole
number; what a box refuses (letters, "nan", a point in a whole number, a control character or line
separator, more than 1000 characters) is bad usage. In --format csv a text cell starting with
=, +, -, @ is written with a leading apostrophe so spreadsheets keep it text.

Inspection card (--card):
  --card FILE.pdf          also writes the gear's inspection card, the one-page A4 card the
                           window prints from the result box's menu (打印检测卡), as a PDF file:
                           written completely or not at all, and only when the run gave a report.
  --all-items --card DIR   one card per item in the folder DIR (made when missing), named by item
                           number ("ZKD-H8-21-8.pdf"); an item number that cannot be a file name
                           (a path separator, : * ? " < > |, a control character, a dot or space
                           at either end, a Windows device name such as CON) gets no card and is
                           named on stderr. The report or JSON lines still go to the output.
  On Windows the card is printed from the window (right-click the result box after a
  calculation); this build's --card says so and exits with status 2.

Exit status:
  0  a report was written (batch, all items: every gear got one)
  1  the item number is not in the item catalogue (its message on stderr)
  2  bad usage: unknown option, value out of range, options that exclude each other, bad batch file
  3  the module box was empty, so the calculation ended without a report
  4  the run stopped on a message (a runtime error, a missing catalogue), or it needed a catalogue
     that could not be opened: the message on stderr; the lines written before it are still printed
  5  the output could not be written (a full disk, a closed pipe), or a card could not be written
     or its target was refused (nothing is written then)
  6  the report was written, but not all of its test dimensions, tolerances or backlash (see below)
  With --batch or --all-items a failing gear still gets its JSON line or CSV row; the status is
  that of the first gear without a report or without its test dimensions.
Messages the window shows (runtime errors, catalogues that cannot be opened) go to stderr.)";

// The folder of the running executable (UTF-8, no trailing separator),
// where the catalogues and the style library lie.
std::string executableFolder(const std::string& argv0)
{
    const std::optional<std::string> self = gearplat::executablePath();
    std::error_code ec;
    const std::string path = self ? *self : gearplat::utf8FromPath(std::filesystem::absolute(gearplat::pathFromUtf8(argv0), ec));
    const std::optional<std::string> folder = gearplat::folderOf(path);
    return folder ? gearplat::withoutTrailingSeparator(*folder) : std::string(".");
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

void reportMessages(const RunResult& result, const std::string& where = {})
{
    for (const std::string& m : result.messages) std::cerr << where << m << '\n';
}

// Where the output goes: standard output, or with --output a file that is
// written completely when the run has ended, or not at all.
class Destination {
public:
    Destination() { out_.emplace(); }
    explicit Destination(const edbtool::OutputTarget& target)
        : file_(std::make_unique<edbtool::ReplacingFile>(target)), path_(target.path)
    {
        out_.emplace([this](std::string_view bytes) {
            written_ += bytes.size();
            return file_->write(bytes);
        });
    }
    Destination(const Destination&) = delete;
    Destination& operator=(const Destination&) = delete;

    CheckedOutput& out() { return *out_; }

    // The exit status once the output has gone: a write that failed turns
    // any status into kExitOutput. The file gets what the run wrote, unless
    // the run wrote nothing and failed: then an earlier file stays as it was.
    int finish(int status)
    {
        out_->flush();
        std::string error = out_->error();
        if (std::string closing = gear_tools::finishStandardOutput(); error.empty()) error = closing;
        if (file_ && error.empty()) {
            if (written_ == 0 && status != kExitReport) {
                std::cerr << "gearcalc-report: nothing written to " << path_ << '\n';
                return status;
            }
            error = file_->commit();
        }
        if (error.empty()) return status;
        std::cerr << "gearcalc-report: cannot write the output: " << error << '\n';
        return kExitOutput;
    }

private:
    std::unique_ptr<edbtool::ReplacingFile> file_;
    std::string path_;
    std::size_t written_ = 0;
    std::optional<CheckedOutput> out_;
};

// Runs `count` gears, made by `runAt`, one after the other, each written by
// `writer` (a JSON line or a CSV row, after its header); the status of the
// first gear without a report or without its test dimensions, or 0. Stops
// early when the output cannot be written.
template <typename RunAt>
int runAll(std::size_t count, RunAt runAt, const std::string& source, const RunWriter& writer, Destination& to)
{
    CheckedOutput& out = to.out();
    // Many lines: written on a thread of their own while the next are made.
    out.writeBehind();
    out.add(writer.header());
    std::string line;
    GearInput gear;
    int status = kExitReport;
    for (std::size_t index = 0; index < count && !out.failed(); ++index) {
        const RunResult result = runAt(index, gear);
        line.clear();
        const std::string missing = writer.write(line, gear, result);
        out.add(line);
        // Built only for a message: most gears have none.
        const auto where = [&] { return source + " #" + std::to_string(index + 1) + ": "; };
        if (result.outcome != Outcome::Report) {
            reportMessages(result, where());
            if (status == kExitReport) status = exitStatus(result.outcome);
        } else if (!missing.empty()) {
            std::cerr << where() << missing << '\n';
            if (status == kExitReport) status = kExitNoTestDimensions;
        }
    }
    return to.finish(status);
}

// A long batch on two sessions at once: rows are taken in chunks, every
// second chunk run on a thread of its own with a session and a line writer
// of its own, and each chunk's lines, messages and statuses are written in
// row order, exactly as runAll writes them. Reports do not depend on one
// another (each run types every input afresh), so the output is the same
// byte for byte.
constexpr std::size_t kChunkRows = 512;

// The catalogue files' stamps (none for a file that cannot be had). A
// second session is used only when they stand as they did before the first
// session read them, so that every row is reported from the same files.
std::array<std::optional<gr::db::FileStamp>, 3> catalogueStamps(const std::string& folder)
{
    using namespace gearcalc::schema;
    std::array<std::optional<gr::db::FileStamp>, 3> stamps;
    const std::array<std::string_view, 3> files = {kDeviationFile, kToleranceFile, kItemFile};
    for (std::size_t i = 0; i < files.size(); ++i) {
        gr::db::FileStamp stamp;
        if (gr::db::stampOf(folder + "/" + std::string(files[i]), stamp)) stamps[i] = stamp;
    }
    return stamps;
}

// The second session of a batch and the line writer that goes with it.
struct SecondSide {
    Session session;
    JsonLines json;
    RunWriter writer;
    SecondSide(const std::string& catalogue_dir, const std::string& library_dir, bool csv,
               const gearcalc::report::InspectionOptions& options)
        : session(catalogue_dir, library_dir),
          writer(csv, options,
                 [this](std::string& line, const GearInput& g, const RunResult& r, std::optional<std::string_view> extra,
                        RunWriter::JsonMembers more) { json.append(line, g, r, extra, more); })
    {
    }
};

struct RunRow {
    GearInput gear;
    RunResult result;
    std::string line;
    std::string missing;
};

// Runs the batch's rows on `first`; after its first chunk, when the rest
// would take longer on one core than `second` needs to start (as long as
// `first` took, `start_seconds`), on two. `second` makes the second side,
// or nothing when it cannot be used.
int runBatch(Batch& rows, Session& first, const RunWriter& first_writer, double start_seconds,
             const std::function<std::unique_ptr<SecondSide>()>& second, const std::string& source, Destination& to)
{
    CheckedOutput& out = to.out();
    out.writeBehind();
    out.add(first_writer.header());
    int status = kExitReport;
    const auto runChunk = [](Session& session, const RunWriter& writer, std::vector<RunRow>& chunk) {
        for (RunRow& row : chunk) {
            row.result = session.run(row.gear);
            row.line.clear();
            row.missing = writer.write(row.line, row.gear, row.result);
        }
    };
    const auto commit = [&](const std::vector<RunRow>& chunk, std::size_t first_index) {
        for (std::size_t k = 0; k < chunk.size() && !out.failed(); ++k) {
            const RunRow& row = chunk[k];
            out.add(row.line);
            const auto where = [&] { return source + " #" + std::to_string(first_index + k + 1) + ": "; };
            if (row.result.outcome != Outcome::Report) {
                reportMessages(row.result, where());
                if (status == kExitReport) status = exitStatus(row.result.outcome);
            } else if (!row.missing.empty()) {
                std::cerr << where() << row.missing << '\n';
                if (status == kExitReport) status = kExitNoTestDimensions;
            }
        }
    };
    const auto fill = [&](std::vector<RunRow>& chunk, std::size_t from) {
        chunk.resize(std::min(kChunkRows, rows.size() - std::min(from, rows.size())));
        for (std::size_t k = 0; k < chunk.size(); ++k) rows.gear(from + k, chunk[k].gear);
    };

    // The first chunk alone, timed: what a row costs on this machine and
    // this build.
    std::vector<RunRow> own;
    const auto started = std::chrono::steady_clock::now();
    fill(own, 0);
    runChunk(first, first_writer, own);
    const std::chrono::duration<double> chunk_time = std::chrono::steady_clock::now() - started;
    commit(own, 0);
    std::size_t from = own.size();
    const double rest_alone = chunk_time.count() / static_cast<double>(std::max<std::size_t>(own.size(), 1)) *
                              static_cast<double>(rows.size() - from);
    std::unique_ptr<SecondSide> side;
    if (rows.size() - from >= 4 * kChunkRows && std::thread::hardware_concurrency() >= 2 &&
        start_seconds < rest_alone / 2 && !out.failed())
        side = second();
    if (!side) {
        for (; from < rows.size() && !out.failed(); from += own.size()) {
            fill(own, from);
            runChunk(first, first_writer, own);
            commit(own, from);
        }
        return to.finish(status);
    }

    // The helper's chunk: handed over full, given back run.
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<RunRow> handed;
    bool given = false, done = false, stop = false;
    std::exception_ptr failure; // what the helper threw (memory running out)
    std::thread helper([&] {
        std::unique_lock lock(mutex);
        while (true) {
            changed.wait(lock, [&] { return given || stop; });
            if (!given) return;
            lock.unlock();
            try {
                runChunk(side->session, side->writer, handed);
            } catch (...) {
                failure = std::current_exception();
            }
            lock.lock();
            given = false;
            done = true;
            changed.notify_all();
        }
    });
    const auto stopHelper = [&] {
        {
            const std::lock_guard lock(mutex);
            stop = true;
        }
        changed.notify_all();
        helper.join();
    };
    try {
        for (; from < rows.size() && !out.failed(); from += 2 * kChunkRows) {
            fill(own, from);
            const std::size_t next = from + own.size();
            {
                const std::lock_guard lock(mutex);
                fill(handed, next);
                given = !handed.empty();
                done = false;
            }
            changed.notify_all();
            runChunk(first, first_writer, own);
            commit(own, from);
            std::unique_lock lock(mutex);
            changed.wait(lock, [&] { return !given; });
            if (failure) std::rethrow_exception(failure);
            if (done) commit(handed, next);
        }
    } catch (...) {
        stopHelper();
        throw;
    }
    stopHelper();
    return to.finish(status);
}

// The card of the session's last run, an item's, into `folder` under the
// item number; false (and a message) when the item number cannot be a file
// name or the card could not be written.
bool writeItemCard(Session& session, const std::string& folder, const std::string& item)
{
    std::string problem;
    const std::optional<std::string> name = gearcalc::report::cardFileName(item, problem);
    if (!name) {
        std::cerr << "gearcalc-report: item " << item << ": no card written: the item number " << problem << '\n';
        return false;
    }
    const std::string path = gearcalc::report::cardPath(folder, *name);
    if (std::string e = gearcalc::report::writeCard(session, path); !e.empty()) {
        std::cerr << "gearcalc-report: item " << item << ": no card written to " << path << ": " << e << '\n';
        return false;
    }
    return true;
}

// One report per record of the item catalogue, in file order. Each item
// number is looked up from its first record on (found once, up front), so
// every report is the one the window shows for that item number, and the
// whole takes time in proportion to the number of records.
int allItems(Session& session, const std::string& catalogue_dir, const std::string& pressure_angle,
             const std::optional<std::string>& card_folder, const RunWriter& writer, Destination& to)
{
    std::string error;
    const std::vector<std::string> numbers = session.itemNumbers(error);
    if (!error.empty() || numbers.empty()) {
        if (!error.empty())
            std::cerr << "gearcalc-report: cannot list the item catalogue's records: " << error << '\n';
        else
            std::cerr << "gearcalc-report: the item catalogue in " << catalogue_dir << " has no records to report\n";
        return to.finish(kExitStopped);
    }
    std::unordered_map<std::string_view, std::size_t> first;
    first.reserve(numbers.size());
    for (std::size_t i = 0; i < numbers.size(); ++i) first.emplace(numbers[i], i);
    bool cards_complete = true;
    const int status = runAll(
        numbers.size(),
        [&](std::size_t i, GearInput& g) {
            g = GearInput{};
            g.item = numbers[i];
            g.pressure_angle = pressure_angle;
            // An item number the item-number box cannot hold is never found
            // in the window.
            if (std::string problem = gearcalc::report::typingProblem("item", numbers[i]); !problem.empty()) {
                RunResult r;
                r.outcome = Outcome::Stopped;
                r.messages.push_back("the item number " + problem);
                return r;
            }
            RunResult r = session.runFromRecord(g, first.at(numbers[i]));
            // A card for each item number, once: a repeated number gets the
            // report of its first record, so its card is the same.
            if (card_folder && r.outcome == Outcome::Report && first.at(numbers[i]) == i &&
                !writeItemCard(session, *card_folder, numbers[i]))
                cards_complete = false;
            return r;
        },
        "item", writer, to);
    return status == kExitReport && !cards_complete ? kExitOutput : status;
}

// The command line as parsed.
struct Options {
    std::string item, module, teeth, pressure_angle = "20", helix, deviation;
    std::vector<std::string> helix_dms;
    int grade = 0, tolerance = 0;
    std::string catalogue_dir, format = "text", batch, output, card;
    bool spur = false, helical = false, all = false;
    gearcalc::report::InspectionOptions inspection;
    CLI::Option *o_item = nullptr, *o_module = nullptr, *o_teeth = nullptr, *o_pressure = nullptr,
                *o_spur = nullptr, *o_helical = nullptr, *o_helix = nullptr, *o_dms = nullptr, *o_grade = nullptr,
                *o_deviation = nullptr, *o_tolerance = nullptr, *o_catalogue = nullptr, *o_format = nullptr,
                *o_batch = nullptr, *o_all = nullptr, *o_output = nullptr, *o_card = nullptr;
};

void defineOptions(CLI::App& app, Options& o)
{
    o.o_item = app.add_option("--item", o.item, "Item number (订货编号) to look up in the item catalogue");
    o.o_module = app.add_option("--module", o.module, "Module m, as typed into 模数");
    o.o_teeth = app.add_option("--teeth", o.teeth, "Number of teeth z, as typed into 齿数");
    o.o_pressure = app.add_option("--pressure-angle", o.pressure_angle, "Pressure angle in degrees, as typed")
                       ->capture_default_str();
    o.o_spur = app.add_flag("--spur", o.spur, "Spur gear (the default)");
    o.o_helical = app.add_flag("--helical", o.helical, "Helical gear");
    o.o_helix = app.add_option("--helix", o.helix,
                               "Helix angle in decimal degrees, as typed (ticks 度数选择框; implies --helical)");
    o.o_dms = app.add_option("--helix-dms", o.helix_dms, "Helix angle as degrees, minutes, seconds (implies --helical)")
                  ->expected(3)
                  ->type_name("D M S");
    o.o_grade = app.add_option("--grade", o.grade, "Accuracy grade (DIN 3967)")
                    ->transform(gearcalc::report::typedLikeABox(true))
                    ->check(CLI::Range(gearcalc::schema::kFirstGrade, gearcalc::schema::kLastGrade));
    o.o_deviation = app.add_option("--deviation", o.deviation, "Upper allowance series")
                        ->check(CLI::IsMember(std::vector<std::string>(gearcalc::schema::kDeviationSeries.begin(),
                                                                       gearcalc::schema::kDeviationSeries.end())));
    o.o_tolerance = app.add_option("--tolerance", o.tolerance, "Tolerance series")
                        ->transform(gearcalc::report::typedLikeABox(true))
                        ->check(CLI::Range(gearcalc::schema::kFirstTolerance, gearcalc::schema::kLastTolerance));
    o.o_catalogue = app.add_option("--catalogue-dir", o.catalogue_dir,
                                   "Folder of spc.edb, gc.edb and ZKD.edb (default: the folder of this program)");
    o.o_format = app.add_option("--format", o.format, "Output format: text, raw, json or csv")
                     ->check(CLI::IsMember({"text", "raw", "json", "csv"}))
                     ->capture_default_str();
    o.o_batch = app.add_option("--batch", o.batch, "CSV file with one gear per row; writes JSON lines");
    o.o_all = app.add_flag("--all-items", o.all, "A report for every record of the item catalogue, as JSON lines");
    o.o_output = app.add_option("--output", o.output,
                                "Write to FILE, completely or not at all, instead of standard output (in Windows "
                                "PowerShell 5.1 use it in place of >)")
                     ->type_name("FILE");
    o.o_card = app.add_option("--card", o.card,
                              "Also write the inspection card as a PDF file (with --all-items: one per item in "
                              "the folder DIR)")
                   ->type_name("FILE.pdf|DIR");
    gearcalc::report::addInspectionOptions(app, o.inspection);

    o.o_spur->excludes(o.o_helical);
    o.o_helix->excludes(o.o_dms);
    o.o_spur->excludes(o.o_helix)->excludes(o.o_dms);
    for (CLI::Option* gear_option : {o.o_module, o.o_teeth, o.o_spur, o.o_helical, o.o_helix, o.o_dms, o.o_grade,
                                     o.o_deviation, o.o_tolerance}) {
        o.o_item->excludes(gear_option);
        o.o_all->excludes(gear_option);
        o.o_batch->excludes(gear_option);
    }
    o.o_batch->excludes(o.o_item)->excludes(o.o_all)->excludes(o.o_pressure)->excludes(o.o_card);
    o.o_all->excludes(o.o_item);
}

// The gear from the options, through the same setter as the batch file.
// Returns an empty string or what is wrong.
std::string gearFromOptions(const Options& o, GearInput& gear)
{
    std::string problem;
    auto set = [&](const CLI::Option* option, std::string_view name, std::string_view value) {
        if (problem.empty() && *option) problem = gearcalc::report::setOption(gear, name, value);
    };
    set(o.o_item, "item", o.item);
    set(o.o_module, "module", o.module);
    set(o.o_teeth, "teeth", o.teeth);
    set(o.o_pressure, "pressure-angle", o.pressure_angle);
    set(o.o_spur, "spur", "1");
    set(o.o_helical, "helical", "1");
    set(o.o_helix, "helix", o.helix);
    if (*o.o_dms && problem.empty()) {
        // Three words, each as typed into its box.
        problem = gearcalc::report::setHelixDms(gear, {o.helix_dms[0], o.helix_dms[1], o.helix_dms[2]});
    }
    set(o.o_grade, "grade", std::to_string(o.grade));
    set(o.o_deviation, "deviation", o.deviation);
    set(o.o_tolerance, "tolerance", std::to_string(o.tolerance));
    if (problem.empty()) problem = gearcalc::report::checkCombination(gear);
    return problem;
}

// One gear in the chosen format, with its test dimensions when asked for.
int runOne(Session& session, const GearInput& gear, const Options& o, const RunWriter& writer, Destination& to)
{
    const RunResult result = session.run(gear);
    reportMessages(result);
    if (result.outcome == Outcome::NoModule)
        std::cerr << "gearcalc-report: no module given, so the calculation wrote no report\n";
    // The card before the mate of a pair is calculated in the same window.
    bool card_written = true;
    if (*o.o_card) {
        std::string e = result.outcome == Outcome::Report ? gearcalc::report::writeCard(session, o.card)
                                                          : "the run gave no report";
        if (!e.empty()) {
            std::cerr << "gearcalc-report: no card written to " << o.card << ": " << e << '\n';
            card_written = result.outcome != Outcome::Report;
        }
    }
    // The backlash of a pair: the mate runs in the same window, after the gear.
    std::optional<gearcalc::report::PairCheck> pair;
    if (o.inspection.pair() && result.outcome == Outcome::Report)
        pair = gearcalc::report::checkPair(session, gear, result, o.inspection);
    CheckedOutput& out = to.out();
    std::string missing;
    if (o.format == "json" || o.format == "csv") {
        // Always one object (or row): its status says why a run wrote no report.
        std::string line = writer.header();
        std::optional<std::string> pair_json;
        if (pair) pair_json = gearcalc::report::pairJson(*pair);
        missing = writer.write(line, gear, result, pair_json);
        out.add(line);
    } else if (result.outcome == Outcome::Report || !result.report.empty()) {
        std::string text = gearcalc::report::withTestDimensions(result, o.inspection, missing);
        if (pair) text += gearcalc::report::pairBlock(*pair);
        out.add(o.format == "raw" ? text : gearcalc::report::asText(text));
    }
    if (pair && !pair->problem.empty()) missing += (missing.empty() ? "" : "; ") + pair->problem;
    if (!missing.empty()) std::cerr << "gearcalc-report: " << missing << '\n';
    const bool incomplete = result.outcome == Outcome::Report && !missing.empty();
    const int status = to.finish(incomplete ? kExitNoTestDimensions : exitStatus(result.outcome));
    return card_written || status == kExitOutput ? status : kExitOutput;
}

int usageError(const std::string& problem)
{
    std::cerr << "gearcalc-report: " << problem << "\nRun with --help for more information.\n";
    return kExitUsage;
}

int run(int argc, char** argv)
{
    // A console shows the Chinese of the help, the report and the messages
    // whatever its code page.
    gearplat::consoleStandardStreams();
    gearplat::safeLibrarySearch();
    CLI::App app(kDescription, "gearcalc-report");
    app.footer(std::string(kFooter) + gearcalc::report::inspectionHelp());
    app.get_formatter()->column_width(34);
    Options o;
    defineOptions(app, o);
    if (const std::optional<int> code = gear_tools::parseArguments(app, argc, argv))
        return *code == 0 ? kExitReport : kExitUsage;
    // The report's bytes as they are, CR LF included, on every system.
    gearplat::binaryStandardOutput();
    if ((*o.o_batch || *o.o_all) && *o.o_format && o.format != "json" && o.format != "csv")
        return usageError("--batch and --all-items write JSON lines or CSV; --format " + o.format +
                          " does not apply");
    if (std::string e = gearcalc::report::checkInspectionOptions(o.inspection, o.format); !e.empty())
        return usageError(e);

    GearInput gear;
    if (std::string problem = gearFromOptions(o, gear); !problem.empty()) return usageError(problem);
    if (std::string e = gearcalc::report::checkPairInput(o.inspection, gear, *o.o_batch || *o.o_all); !e.empty())
        return usageError(e);
    if (*o.o_catalogue && gear_tools::pathKind(o.catalogue_dir) != gear_tools::PathKind::Folder)
        return usageError("--catalogue-dir: " + o.catalogue_dir + " is not a folder");
    if (*o.o_card && !gearcalc::report::cardsAvailable())
        return usageError("--card: on Windows the inspection card is printed from the window: calculate, "
                          "right-click the result box (or press the menu key there) and choose 打印检测卡");

    Batch rows;
    if (*o.o_batch) {
        if (std::string e = readBatch(o.batch, rows); !e.empty()) {
            std::cerr << "gearcalc-report: " << e << '\n';
            return kExitUsage;
        }
    }

    edbtool::OutputTarget target;
    if (*o.o_output) {
        std::vector<std::string> inputs;
        if (*o.o_batch) inputs.push_back(o.batch);
        if (std::string e = edbtool::checkOutput(o.output, edbtool::OutputKind::Text, inputs, target); !e.empty()) {
            std::cerr << "gearcalc-report: " << e << '\n';
            return kExitOutput;
        }
    }
    const std::string exe_folder = executableFolder(argc > 0 ? argv[0] : "");
    if (*o.o_card) {
        // The PDF module first, so a run that cannot write its cards stops
        // before it calculates anything or makes the cards' folder.
        std::string e = gearcalc::report::loadCardRenderer(exe_folder);
        if (e.empty()) e = gearcalc::report::checkCardTarget(o.card, o.o_all->count() > 0);
        if (!e.empty()) {
            std::cerr << "gearcalc-report: " << e << '\n';
            return kExitOutput;
        }
    }
    std::unique_ptr<Destination> to = *o.o_output ? std::make_unique<Destination>(target) : std::make_unique<Destination>();

    if (o.catalogue_dir.empty()) o.catalogue_dir = exe_folder;
    const auto stamps = catalogueStamps(o.catalogue_dir);
    const auto started = std::chrono::steady_clock::now();
    Session session(o.catalogue_dir, exe_folder);
    const std::chrono::duration<double> start_time = std::chrono::steady_clock::now() - started;
    for (const std::string& m : session.startupMessages()) std::cerr << m << '\n';

    JsonLines json;
    const RunWriter writer(o.format == "csv", o.inspection,
                           [&](std::string& line, const GearInput& g, const RunResult& r,
                               std::optional<std::string_view> extra,
                               RunWriter::JsonMembers more) { json.append(line, g, r, extra, more); });

    if (*o.o_batch && rows.size() >= 8 * kChunkRows)
        return runBatch(
            rows, session, writer, start_time.count(),
            [&]() -> std::unique_ptr<SecondSide> {
                auto side = std::make_unique<SecondSide>(o.catalogue_dir, exe_folder, o.format == "csv", o.inspection);
                if (catalogueStamps(o.catalogue_dir) != stamps) return nullptr;
                return side;
            },
            o.batch, *to);
    if (*o.o_batch)
        return runAll(
            rows.size(),
            [&](std::size_t i, GearInput& g) {
                rows.gear(i, g);
                return session.run(g);
            },
            o.batch, writer, *to);
    if (*o.o_all)
        return allItems(session, o.catalogue_dir, gear.pressure_angle,
                        *o.o_card ? std::optional<std::string>(o.card) : std::nullopt, writer, *to);
    return runOne(session, gear, o, writer, *to);
}

} // namespace

int main(int argc, char** argv)
{
    // Nothing is expected to throw here; should something (memory running
    // out), the user gets a message and the status of a stopped run rather
    // than an abort.
    try {
        return run(argc, argv);
    } catch (const std::bad_alloc&) {
        std::cerr << "gearcalc-report: out of memory\n";
    } catch (const std::exception& e) {
        std::cerr << "gearcalc-report: " << e.what() << '\n';
    }
    return kExitStopped;
}
