// gearcalc-report against what a hostile or careless user gives it: paths
// that are no file, control characters in typed values, catalogues that
// cannot be used, outputs that refuse data, and catalogues with repeated
// item numbers.
#include "report_cli_support.hpp"
#include "report_session.hpp"

#include <geardb/catalogue_writer.hpp>

#include <sys/stat.h>

#include <functional>
#include <map>
#include <optional>

namespace {

using namespace report_cli;
using gr::db::CellValue;
using gr::db::FieldKind;

// A copy of the shipped catalogues in a scratch folder, for damaging.
struct CatalogueCopy {
    TempFolder folder;
    CatalogueCopy()
    {
        for (const char* name : {"spc.edb", "gc.edb", "ZKD.edb"})
            fs::copy_file(fs::path(GEARCALC_DIST_DIR) / name, folder.file(name));
    }
    std::string dir() const { return folder.path(); }
};

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// --- Paths that are no file --------------------------------------------------------

struct PathCase {
    const char* name;
    // Makes the path in the folder and answers the arguments.
    std::function<std::vector<std::string>(const TempFolder&)> setup;
    const char* says;
    bool needs_permissions = false;
};
void PrintTo(const PathCase& c, std::ostream* os)
{
    *os << c.name;
}

class PathsThatAreNoFile : public ::testing::TestWithParam<PathCase> {};

TEST_P(PathsThatAreNoFile, AreUsageErrorsWithAMessage)
{
    const PathCase& c = GetParam();
    if (c.needs_permissions && runningAsRoot()) GTEST_SKIP() << "permission bits do not bind root";
    TempFolder folder;
    const Outcome r = report(c.setup(folder));
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(contains(r.err, c.says)) << r.err;
}

const PathCase kPathCases[] = {
    {"batch_folder", [](const TempFolder& f) { return std::vector<std::string>{"--batch", f.path()}; },
     "is a folder"},
    {"batch_fifo",
     [](const TempFolder& f) {
         ::mkfifo(f.file("gears.csv").c_str(), 0600);
         return std::vector<std::string>{"--batch", f.file("gears.csv")};
     },
     "not a regular file"},
    {"batch_device", [](const TempFolder&) { return std::vector<std::string>{"--batch", "/dev/zero"}; },
     "not a regular file"},
    {"batch_missing", [](const TempFolder& f) { return std::vector<std::string>{"--batch", f.file("none.csv")}; },
     "does not exist"},
    {"batch_unreadable",
     [](const TempFolder& f) {
         writeFile(f.file("gears.csv"), "module,teeth\n2,20\n");
         fs::permissions(f.file("gears.csv"), fs::perms::none);
         return std::vector<std::string>{"--batch", f.file("gears.csv")};
     },
     "Permission denied", true},
    {"catalogue_dir_is_a_file",
     [](const TempFolder& f) {
         writeFile(f.file("x"), "");
         return std::vector<std::string>{"--catalogue-dir", f.file("x"), "--module", "2", "--teeth", "20"};
     },
     "is not a folder"},
    {"catalogue_dir_missing",
     [](const TempFolder& f) {
         return std::vector<std::string>{"--catalogue-dir", f.file("none"), "--module", "2", "--teeth", "20"};
     },
     "is not a folder"},
};

INSTANTIATE_TEST_SUITE_P(Paths, PathsThatAreNoFile, ::testing::ValuesIn(kPathCases),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Control characters in typed values --------------------------------------------

struct TypedCase {
    const char* name;
    std::vector<std::string> args;
    const char* says;
};
void PrintTo(const TypedCase& c, std::ostream* os)
{
    *os << c.name;
}

class ControlCharacters : public ::testing::TestWithParam<TypedCase> {};

TEST_P(ControlCharacters, AreRefusedBeforeAnythingIsCalculated)
{
    std::vector<std::string> args = GetParam().args;
    args.insert(args.end(), {"--format", "json"});
    const Outcome r = report(args);
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(contains(r.err, GetParam().says)) << r.err;
}

const TypedCase kTypedCases[] = {
    {"module_forging_a_line", {"--module", "2\r\n分度圆直径：999", "--teeth", "20"}, "--module: the value holds a carriage return"},
    {"teeth_line_feed", {"--module", "2", "--teeth", "20\n"}, "--teeth: the value holds a line break (U+000A)"},
    {"pressure_angle_tab", {"--module", "2", "--teeth", "20", "--pressure-angle", "2\t0"}, "a tab (U+0009)"},
    {"helix_escape", {"--module", "2", "--teeth", "20", "--helix", "1\x1b"}, "the control character U+001B"},
    {"helix_dms_part", {"--module", "2", "--teeth", "20", "--helix-dms", "1", "2\r", "3"}, "--helix-dms"},
    {"item_delete", {"--item", "ZKD\x7f"}, "U+007F"},
    {"module_line_separator", {"--module", "2\u2028分度圆直径：999", "--teeth", "20"}, "a line separator (U+2028)"},
    {"pressure_angle_paragraph_separator", {"--module", "2", "--teeth", "20", "--pressure-angle", "20\u2029x"},
     "--pressure-angle: the value holds a paragraph separator (U+2029)"},
    {"item_next_line", {"--item", "ZKD\u0085分度圆直径：999"}, "the control character U+0085"},
    {"helix_c1", {"--module", "2", "--teeth", "20", "--helix", "1\u009b"}, "U+009B"},
};

INSTANTIATE_TEST_SUITE_P(Typed, ControlCharacters, ::testing::ValuesIn(kTypedCases),
                         [](const auto& info) { return std::string(info.param.name); });

// --- The window's typing rules on the command line -----------------------------------

// What each box refuses is refused on the command line too, naming the option.
const TypedCase kRefusedByTheBox[] = {
    {"module_letters", {"--module", "abc", "--teeth", "20"}, "--module: the value \"abc\" is not a number"},
    {"module_hexadecimal", {"--module", "0x2", "--teeth", "20"}, "--module: the value \"0x2\" is not a number"},
    {"module_nan", {"--module", "nan", "--teeth", "20"}, "--module"},
    {"module_quotes", {"--module", "\"2\"", "--teeth", "20"}, "--module"},
    {"module_byte_order_mark", {"--module", "\uFEFF" "2", "--teeth", "20"}, "--module"},
    {"module_other_digits", {"--module", "\u0662", "--teeth", "20"}, "--module"},
    {"teeth_point", {"--module", "2", "--teeth", "20.7"}, "--teeth: the value \"20.7\" is not a whole number"},
    {"teeth_full_width_point", {"--module", "2", "--teeth", "２０．７"}, "--teeth"},
    {"helix_letters", {"--module", "2", "--teeth", "20", "--helix", "1e1"}, "--helix"},
    {"helix_dms_point", {"--module", "2", "--teeth", "20", "--helix-dms", "1", "2.5", "3"}, "--helix-dms"},
    {"item_too_long", {"--item", std::string(2000, 'Z')}, "longer than the 1000 characters"},
    {"module_not_utf8", {"--module", "\xff", "--teeth", "20"}, "--module: the value is not UTF-8"},
};

INSTANTIATE_TEST_SUITE_P(Refused, ControlCharacters, ::testing::ValuesIn(kRefusedByTheBox),
                         [](const auto& info) { return std::string(info.param.name); });

// What a box turns a typed text into is what the report shows: "2,5" and a
// Chinese input method's full-width digits and points, as in the window.
TEST(ReportTyping, ValuesBecomeWhatTheBoxShows)
{
    const struct {
        std::vector<std::string> args;
        const char* module;
        const char* pitch;
    } cases[] = {
        {{"--module", "2,5", "--teeth", "20"}, "2.5", "50"},
        {{"--module", "２，５", "--teeth", "２０"}, "2.5", "50"},
        {{"--module", "２．５", "--teeth", "20"}, "2.5", "50"},
        {{"--module", "2。5", "--teeth", "20"}, "2.5", "50"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"--format", "json"});
        const Outcome r = report(args);
        ASSERT_EQ(r.status, 0) << r.err;
        const std::vector<Json> lines = jsonLines(r.out);
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0]["module"], c.module) << c.args[1];
        EXPECT_EQ(lines[0]["pitch_diameter"], c.pitch) << c.args[1];
        EXPECT_EQ(lines[0]["teeth"], "20");
    }
    // The ordinary pressure-angle box keeps what is typed, as the window does.
    const Outcome r = report({"--module", "2", "--teeth", "20", "--pressure-angle", "2,0", "--format", "json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(jsonLines(r.out)[0]["pressure_angle"], "2,0");
}

TEST(ReportTyping, BatchCellRefusedByItsBoxNamesRowAndColumn)
{
    TempFolder folder;
    writeFile(folder.file("gears.csv"), "module,teeth\n2,20\n\"2,5\",20.7\n");
    const Outcome r = report({"--batch", folder.file("gears.csv")});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(contains(r.err, "gears.csv:3: --teeth: the value \"20.7\" is not a whole number")) << r.err;
    writeFile(folder.file("gears.csv"), "module,teeth\n\"2,5\",２０\n");
    const Outcome ok = report({"--batch", folder.file("gears.csv")});
    ASSERT_EQ(ok.status, 0) << ok.err;
    EXPECT_EQ(jsonLines(ok.out)[0]["module"], "2.5");
}

// --- Batch files that would take memory out of proportion --------------------------

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

struct BigBatchCase {
    const char* name;
    std::string content;
    const char* says;
};

TEST(ReportBatchMemory, HugeRowsAreRefusedNamingTheRowWithLittleMemory)
{
    const BigBatchCase cases[] = {
        {"a row of commas", "module,teeth\n2,20\n" + std::string(20'000'000, ',') + "\n",
         "gears.csv:3: a row of more than 2 cells"},
        {"one huge cell", "item\nZKD-1\n" + std::string(20'000'000, 'Z') + "\n", "gears.csv:3: a row longer than"},
        {"one huge quoted cell", "item\n\"" + std::string(20'000'000, 'Z') + "\"\n", "gears.csv:2: a row longer than"},
        {"a huge header", std::string(20'000'000, ',') + "\n", "gears.csv:1: a row of more than"},
    };
    for (const BigBatchCase& c : cases) {
        TempFolder folder;
        writeFile(folder.file("gears.csv"), c.content);
        // Under a limit on the address space far below what reading such a
        // row cell by cell took, the file is still read and refused.
        const std::string limit = kSanitized ? "" : "ulimit -v 400000; ";
        const Outcome r = runChild("/bin/sh", {"-c", limit + "exec \"$0\" --batch \"$1\"", GEARCALC_REPORT,
                                                folder.file("gears.csv")});
        EXPECT_EQ(r.status, 2) << c.name << ": " << r.err;
        EXPECT_EQ(r.out, "") << c.name;
        EXPECT_TRUE(contains(r.err, c.says)) << c.name << ": " << r.err.substr(0, 300);
    }
}

TEST(ReportHostile, BatchCellWithALineBreakIsRefusedNamingTheLine)
{
    TempFolder folder;
    writeFile(folder.file("gears.csv"), "module,teeth\n2,20\n\"2\r\n分度圆直径：999\",20\n");
    const Outcome r = report({"--batch", folder.file("gears.csv")});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(contains(r.err, "gears.csv:3: --module: the value holds a carriage return")) << r.err;
}

// Even a value that reached the window with a line break cannot pass for a
// line of its own: the values come from the texts the program appended.
TEST(ReportHostile, ValuesComeFromTheAppendedLinesNotTheReportText)
{
    gearcalc::report::Session session(GEARCALC_DIST_DIR, GEARCALC_DIST_DIR);
    gearcalc::report::GearInput gear;
    gear.module = "2\r\n分度圆直径：999";
    gear.teeth = "20";
    const gearcalc::report::RunResult run = session.run(gear);
    ASSERT_TRUE(contains(run.report, "\r\n分度圆直径：999\r\n"));
    std::map<std::string_view, std::optional<std::string_view>> from_run, from_text;
    for (auto& [name, value] : gearcalc::report::reportValues(run.report)) from_text[name] = value;
    std::vector<std::optional<std::string_view>> values(gearcalc::report::reportFields().size());
    gearcalc::report::reportValues(run, values);
    for (std::size_t i = 0; i < values.size(); ++i) from_run[gearcalc::report::reportFields()[i].name] = values[i];
    EXPECT_EQ(from_run["pitch_diameter"], "40");
    EXPECT_EQ(from_run["module"], "2\r\n分度圆直径：999");
    EXPECT_EQ(from_run["helix_angle"], "0");
    EXPECT_EQ(from_text["pitch_diameter"], "999"); // what reading the text by label gave
}

// --- Catalogues a run needs but cannot use ------------------------------------------

struct TableCase {
    const char* name;
    const char* file;                                    // the catalogue that is damaged
    std::function<void(const std::string& path)> damage; // what is done to it
    std::vector<std::string> args;
    int status;
    const char* json_status;
    bool needs_permissions = false;
};
void PrintTo(const TableCase& c, std::ostream* os)
{
    *os << c.name;
}

void removeFile(const std::string& path)
{
    fs::remove(path);
}
void makeFolder(const std::string& path)
{
    fs::remove(path);
    fs::create_directory(path);
}
void makeUnreadable(const std::string& path)
{
    fs::permissions(path, fs::perms::none);
}
void makeFifo(const std::string& path)
{
    fs::remove(path);
    ::mkfifo(path.c_str(), 0600);
}

class UnusableTables : public ::testing::TestWithParam<TableCase> {};

TEST_P(UnusableTables, AreNotOkInStatusMessagesAndExitStatus)
{
    const TableCase& c = GetParam();
    if (c.needs_permissions && runningAsRoot()) GTEST_SKIP() << "permission bits do not bind root";
    CatalogueCopy copy;
    c.damage(copy.folder.file(c.file));
    std::vector<std::string> args = {"--catalogue-dir", copy.dir(), "--format", "json"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const Outcome r = report(args);
    EXPECT_EQ(r.status, c.status) << r.err;
    const std::vector<Json> lines = jsonLines(r.out);
    ASSERT_EQ(lines.size(), 1u) << r.out;
    EXPECT_EQ(lines[0]["status"], c.json_status);
    const bool mentioned = contains(lines[0]["messages"].dump(), c.file);
    EXPECT_EQ(mentioned, c.status != 0) << lines[0]["messages"];
    EXPECT_TRUE(contains(r.err, c.file)) << r.err; // the start-up message names it in any case
}

const TableCase kTableCases[] = {
    {"spc_missing_deviation_asked", "spc.edb", removeFile, {"--module", "2", "--teeth", "20", "--deviation", "e"}, 4, "error"},
    {"gc_missing_tolerance_asked", "gc.edb", removeFile, {"--module", "2", "--teeth", "20", "--tolerance", "25"}, 4, "error"},
    {"gc_a_folder_tolerance_asked", "gc.edb", makeFolder, {"--module", "2", "--teeth", "20", "--tolerance", "25"}, 4, "error"},
    {"spc_unreadable_item", "spc.edb", makeUnreadable, {"--item", "ZKD-H2-20-6"}, 4, "error", true},
    {"gc_missing_item", "gc.edb", removeFile, {"--item", "ZKD-H2-20-6"}, 4, "error"},
    {"zkd_missing_item", "ZKD.edb", removeFile, {"--item", "ZKD-H2-20-6"}, 4, "error"},
    {"spc_missing_not_needed", "spc.edb", removeFile, {"--module", "2", "--teeth", "20", "--tolerance", "25"}, 0, "ok"},
    {"gc_missing_not_needed", "gc.edb", removeFile, {"--module", "2", "--teeth", "20", "--deviation", "e"}, 0, "ok"},
    {"zkd_missing_direct", "ZKD.edb", removeFile, {"--module", "2", "--teeth", "20", "--deviation", "e"}, 0, "ok"},
    // A FIFO would block the start-up, even for a run that never uses it.
    {"zkd_fifo_direct", "ZKD.edb", makeFifo, {"--module", "2", "--teeth", "20"}, 0, "ok"},
    {"spc_fifo_deviation_asked", "spc.edb", makeFifo, {"--module", "2", "--teeth", "20", "--deviation", "e"}, 4, "error"},
};

INSTANTIATE_TEST_SUITE_P(Tables, UnusableTables, ::testing::ValuesIn(kTableCases),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Output that cannot be written ---------------------------------------------------

struct OutputCase {
    const char* name;
    std::vector<std::string> args;
};
void PrintTo(const OutputCase& c, std::ostream* os)
{
    *os << c.name;
}

class FullOutput : public ::testing::TestWithParam<OutputCase> {};

TEST_P(FullOutput, FailsWithFiveAndAMessage)
{
    TempFolder folder;
    writeFile(folder.file("gears.csv"), "module,teeth\n2,20\n3,17\n");
    std::vector<std::string> args = GetParam().args;
    for (std::string& a : args)
        if (a == "GEARS") a = folder.file("gears.csv");
    const Outcome r = report(args, "/dev/full");
    EXPECT_EQ(r.status, 5) << r.err;
    EXPECT_TRUE(contains(r.err, "cannot write the output: No space left on device")) << r.err;
}

// A batch long enough to run on two sessions: the first failed write
// still ends it with the message and status 5.
TEST(FullOutput, ALongBatchFailsWithFiveToo)
{
    TempFolder folder;
    std::string gears = "module,teeth\n";
    for (int i = 0; i < 6000; ++i) gears += std::to_string(1 + i % 9) + "," + std::to_string(12 + i % 150) + "\n";
    writeFile(folder.file("gears.csv"), gears);
    const Outcome r = report({"--batch", folder.file("gears.csv")}, "/dev/full");
    EXPECT_EQ(r.status, 5) << r.err;
    EXPECT_TRUE(contains(r.err, "cannot write the output: No space left on device")) << r.err;
}

const OutputCase kOutputCases[] = {
    {"text", {"--module", "2", "--teeth", "20"}},
    {"raw", {"--module", "2", "--teeth", "20", "--format", "raw"}},
    {"json", {"--module", "2", "--teeth", "20", "--format", "json"}},
    {"json_without_report", {"--teeth", "20", "--format", "json"}},
    {"batch", {"--batch", "GEARS"}},
    {"all_items", {"--all-items"}},
};

INSTANTIATE_TEST_SUITE_P(Outputs, FullOutput, ::testing::ValuesIn(kOutputCases),
                         [](const auto& info) { return std::string(info.param.name); });

// --- All items ----------------------------------------------------------------------

void writeItems(const std::string& path, const std::vector<std::vector<CellValue>>& rows)
{
    std::string error;
    auto w = gr::db::CatalogueWriter::create(path, gr::db::itemCatalogueFields(), error);
    ASSERT_TRUE(w) << error;
    for (const auto& row : rows) ASSERT_EQ(w->add(row), "");
    ASSERT_EQ(w->commit(), "");
}

TEST(ReportHostile, AllItemsGivesARepeatedItemNumberTheReportOfItsFirstRecord)
{
    CatalogueCopy copy;
    fs::remove(copy.folder.file("ZKD.edb"));
    using V = std::vector<CellValue>;
    writeItems(copy.folder.file("ZKD.edb"),
               {V{std::string_view("A"), 2.0, std::int64_t{20}, std::int64_t{0}, std::int64_t{7}},
                V{std::string_view("B"), 3.0, std::int64_t{17}, std::int64_t{1}, std::int64_t{8}},
                V{std::string_view("A"), 5.0, std::int64_t{30}, std::int64_t{0}, std::int64_t{6}},
                V{std::string_view("B"), 1.0, std::int64_t{40}, std::int64_t{0}, std::int64_t{9}}});
    const Outcome all = report({"--catalogue-dir", copy.dir(), "--all-items"});
    ASSERT_EQ(all.status, 0) << all.err;
    const std::vector<Json> lines = jsonLines(all.out);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0]["module"], "2");
    EXPECT_EQ(lines[1]["module"], "3");
    // What the window shows for each item number, whichever record it came from.
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Outcome one =
            report({"--catalogue-dir", copy.dir(), "--item", lines[i]["input"]["item"], "--format", "json"});
        EXPECT_EQ(jsonLines(one.out).at(0), lines[i]) << "record " << i + 1;
    }
}

TEST(ReportHostile, AllItemsRefusesAnItemNumberTheItemBoxCannotHold)
{
    CatalogueCopy copy;
    fs::remove(copy.folder.file("ZKD.edb"));
    using V = std::vector<CellValue>;
    writeItems(copy.folder.file("ZKD.edb"),
               {V{std::string_view("A"), 2.0, std::int64_t{20}, std::int64_t{0}, std::int64_t{7}},
                V{std::string_view("B\r\n分度圆直径：999"), 3.0, std::int64_t{17}, std::int64_t{1}, std::int64_t{8}}});
    const Outcome all = report({"--catalogue-dir", copy.dir(), "--all-items"});
    EXPECT_EQ(all.status, 4) << all.err;
    const std::vector<Json> lines = jsonLines(all.out);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0]["status"], "ok");
    EXPECT_EQ(lines[1]["status"], "error");
    EXPECT_TRUE(lines[1]["pitch_diameter"].is_null());
    EXPECT_TRUE(contains(lines[1]["messages"][0], "carriage return")) << lines[1];
}

// --- Smaller ones ------------------------------------------------------------------------

TEST(ReportHostile, BatchColumnNamedTwiceIsRefused)
{
    TempFolder folder;
    writeFile(folder.file("gears.csv"), "module,teeth,module\n2,20,3\n");
    const Outcome r = report({"--batch", folder.file("gears.csv")});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(contains(r.err, "gears.csv:1: column \"module\" appears twice")) << r.err;
}

TEST(ReportHostile, InputsNotGivenAreNullInTheJson)
{
    const Outcome r = report({"--module", "2", "--format", "json"});
    const Json j = jsonLines(r.out).at(0);
    EXPECT_TRUE(j["input"]["teeth"].is_null()) << j["input"];
    EXPECT_EQ(j["input"]["module"], "2");
    const Outcome empty = report({"--module", "2", "--teeth", "", "--format", "json"});
    EXPECT_EQ(jsonLines(empty.out).at(0)["input"]["teeth"], "");
    const Outcome no_module = report({"--teeth", "20", "--format", "json"});
    EXPECT_TRUE(jsonLines(no_module.out).at(0)["input"]["module"].is_null());
}

} // namespace
