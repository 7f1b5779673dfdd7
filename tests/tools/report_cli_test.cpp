// gearcalc-report as a user runs it: a child process with arguments, its
// standard output, standard error and exit status.
#include "report_cli_support.hpp"
#include "report_session.hpp"

#include <geardb/catalogue_writer.hpp>

#include <map>
#include <optional>

namespace {

using namespace report_cli;

// The text after `label` on its line of a raw report (CR LF line ends).
std::optional<std::string> labelled(const std::string& report, const std::string& label)
{
    std::size_t at = 0;
    while (true) {
        const std::size_t end = report.find("\r\n", at);
        const std::string line = report.substr(at, end == std::string::npos ? std::string::npos : end - at);
        if (line.rfind(label, 0) == 0) return line.substr(label.size());
        if (end == std::string::npos) return std::nullopt;
        at = end + 2;
    }
}

const char* const kSpurExample = "**齿轮基本信息**\n模数：2\n齿数：20\n压力角：20°\n螺旋角：0°\n\n**计算结果**\n"
                                 "分度圆直径：40\n齿顶圆直径：44\n齿根圆直径：35\n基圆直径：37.5877\n齿顶高：2\n"
                                 "齿根高：2.5\n全齿高：4.5\n公法线长度：15.3209\n公法线跨齿数：3\n\n"
                                 "**齿轮精度参数**\n制齿精度：无\n";

TEST(ReportCli, SpurExampleAsText)
{
    const Outcome r = report({"--module", "2", "--teeth", "20"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, kSpurExample);
    EXPECT_EQ(r.err, "");
}

TEST(ReportCli, RawIsTheResultBoxByteForByte)
{
    const Outcome r = report({"--module", "2", "--teeth", "20", "--format", "raw"});
    EXPECT_EQ(r.status, 0);
    std::string expected = kSpurExample;
    expected.pop_back(); // no final line end
    std::string crlf;
    for (char c : expected) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_EQ(r.out, crlf);
}

// --- The three formats agree, value for value ---------------------------------

struct Gear {
    const char* name;
    std::vector<std::string> args;
};
void PrintTo(const Gear& g, std::ostream* os)
{
    *os << g.name;
}

const Gear kGears[] = {
    {"spur_example", {"--module", "2", "--teeth", "20"}},
    {"helical_all_series", {"--module", "2", "--teeth", "20", "--helix", "19.5283", "--grade", "7", "--deviation", "e",
                            "--tolerance", "25"}},
    {"helical_dms", {"--module", "1.5", "--teeth", "31", "--helix-dms", "15", "30", "0", "--tolerance", "21"}},
    {"helical_without_angle", {"--module", "2", "--teeth", "20", "--helical", "--deviation", "h"}},
    {"item_helical", {"--item", "ZKD-H2-20-6"}},
    {"item_with_pressure_angle", {"--item", "ZKD-S3-18-8", "--pressure-angle", "14.5"}},
    {"beyond_the_tables", {"--module", "20", "--teeth", "600", "--grade", "3", "--deviation", "a", "--tolerance", "30"}},
    {"not_a_number", {"--module", "-", "--teeth", "-", "--deviation", "e"}},
    {"module_as_typed", {"--module", "2.50", "--teeth", "20", "--pressure-angle", "20.0"}},
};

class Formats : public ::testing::TestWithParam<Gear> {};

TEST_P(Formats, TextRawAndJsonAgree)
{
    std::vector<std::string> args = GetParam().args;
    const auto with = [&](const char* format) {
        std::vector<std::string> a = args;
        a.insert(a.end(), {"--format", format});
        return report(a);
    };
    const Outcome text = with("text"), raw = with("raw"), json = with("json");
    ASSERT_EQ(text.status, 0) << text.err;
    ASSERT_EQ(raw.status, 0) << raw.err;
    ASSERT_EQ(json.status, 0) << json.err;
    EXPECT_EQ(text.out, gearcalc::report::asText(raw.out));
    const std::vector<Json> lines = jsonLines(json.out);
    ASSERT_EQ(lines.size(), 1u) << json.out;
    const Json& j = lines[0];
    EXPECT_EQ(j["status"], "ok");
    EXPECT_EQ(j["report"], raw.out);
    EXPECT_TRUE(j["messages"].empty());

    // Each value is the text after its label in the raw report.
    const std::pair<const char*, const char*> labels[] = {
        {"module", "模数："},          {"teeth", "齿数："},
        {"pitch_diameter", "分度圆直径："}, {"tip_diameter", "齿顶圆直径："},
        {"root_diameter", "齿根圆直径："},  {"base_diameter", "基圆直径："},
        {"addendum", "齿顶高："},      {"dedendum", "齿根高："},
        {"whole_depth", "全齿高："},   {"span", "公法线长度："},
        {"teeth_spanned", "公法线跨齿数："}, {"upper_deviation", "齿厚上偏差："},
        {"maker_span", "ZKD 公法线长度："}, {"lower_deviation", "齿厚下偏差："},
        {"tolerance", "齿厚公差："},   {"maker_span_lower_deviation", "ZKD 公法线长度下偏差:-"},
    };
    for (const auto& [name, label] : labels) {
        SCOPED_TRACE(name);
        const std::optional<std::string> shown = labelled(raw.out, label);
        if (shown) EXPECT_EQ(j[name], *shown);
        else EXPECT_TRUE(j[name].is_null());
    }
    EXPECT_EQ(j["pressure_angle"].get<std::string>() + "°", labelled(raw.out, "压力角："));
    EXPECT_EQ(j["helix_angle"].get<std::string>() + "°", labelled(raw.out, "螺旋角："));
    if (j["grade"].is_null()) EXPECT_EQ(labelled(raw.out, "制齿精度："), "无");
    else EXPECT_EQ(j["grade"].get<std::string>() + "级", labelled(raw.out, "制齿精度依据DIN 3967："));
}

INSTANTIATE_TEST_SUITE_P(Gears, Formats, ::testing::ValuesIn(kGears),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ReportCli, JsonEchoesTheInputs)
{
    const Outcome r = report({"--module", "1.5", "--teeth", "31", "--helix-dms", "15", "30", "0", "--grade", "8",
                          "--deviation", "cd", "--tolerance", "26", "--format", "json"});
    ASSERT_EQ(r.status, 0) << r.err;
    const Json j = jsonLines(r.out).at(0);
    const Json expected = Json::parse(R"({"item":null,"module":"1.5","teeth":"31","pressure_angle":"20",
        "gear":"helical","helix":null,"helix_dms":["15","30","0"],"grade":8,"deviation":"cd","tolerance":26})");
    EXPECT_EQ(j["input"], expected);
    EXPECT_EQ(j["helix_angle"], "15.5");
    EXPECT_EQ(j["span"], "16.2225");
    EXPECT_EQ(j["teeth_spanned"], "4");
}

TEST(ReportCli, TextsThatAreNotUtf8AreRefusedAsTheBoxesRefuseThem)
{
#ifdef _WIN32
    GTEST_SKIP() << "a Windows command line is UTF-16 text: bytes that are not UTF-8 cannot be passed";
#endif
    // No box holds such bytes, so neither the report nor its JSON line can.
    for (const char* format : {"raw", "json"}) {
        const Outcome r = report({"--module", "2\xff", "--teeth", "20", "--format", format});
        EXPECT_EQ(r.status, 2) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("--module: the value is not UTF-8 text"), std::string::npos) << r.err;
    }
    const Outcome item = report({"--item", "ZKD\xe6\xa8", "--format", "json"});
    EXPECT_EQ(item.status, 2) << item.err;
}

// --- Exit statuses ------------------------------------------------------------------

TEST(ReportCli, UnknownItemExitsWithOneAndTheCataloguesMessage)
{
    const Outcome r = report({"--item", "ZKD-NOPE"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("ZKD-KSTAL公司目前没有此类齿轮！"), std::string::npos) << r.err;
}

TEST(ReportCli, EmptyModuleExitsWithThree)
{
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--teeth", "20"}, std::vector<std::string>{"--module", "", "--helical"}}) {
        const Outcome r = report(args);
        EXPECT_EQ(r.status, 3);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err, "");
    }
}

TEST(ReportCli, JsonSaysWhyARunWroteNoReport)
{
    const struct {
        std::vector<std::string> args;
        int status;
        const char* json_status;
    } runs[] = {{{"--item", "ZKD-NOPE"}, 1, "not_found"}, {{"--teeth", "20"}, 3, "no_module"}};
    for (const auto& run : runs) {
        std::vector<std::string> args = run.args;
        args.insert(args.end(), {"--format", "json"});
        const Outcome r = report(args);
        EXPECT_EQ(r.status, run.status);
        const std::vector<Json> lines = jsonLines(r.out);
        ASSERT_EQ(lines.size(), 1u) << r.out;
        EXPECT_EQ(lines[0]["status"], run.json_status);
        EXPECT_EQ(lines[0]["report"], "");
    }
}

TEST(ReportCli, BadUsageExitsWithTwo)
{
    const std::vector<std::vector<std::string>> cases = {
        {"--no-such-option"},
        {"--module", "2", "--teeth", "20", "extra"},
        {"--grade", "13"},
        {"--grade", "seven"},
        {"--deviation", "z"},
        {"--tolerance", "20"},
        {"--format", "xml"},
        {"--spur", "--helical"},
        {"--spur", "--helix", "10"},
        {"--helix", "10", "--helix-dms", "1", "2", "3"},
        {"--helix-dms", "1", "2"},
        {"--item", "ZKD-S2-20-7", "--module", "2"},
        {"--item", "ZKD-S2-20-7", "--grade", "7"},
        {"--all-items", "--item", "ZKD-S2-20-7"},
        {"--all-items", "--format", "text"},
        {"--batch", "/nonexistent/gears.csv"},
        {"--module"},
    };
    for (const auto& args : cases) {
        std::string joined;
        for (const auto& a : args) joined += a + " ";
        SCOPED_TRACE(joined);
        const Outcome r = report(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err, "");
    }
}

TEST(ReportCli, HelpDocumentsOptionsAndJsonNames)
{
    const Outcome r = report({"--help"});
    EXPECT_EQ(r.status, 0);
    for (const char* word : {"--item", "--module", "--teeth", "--pressure-angle", "--spur", "--helical", "--helix",
                             "--helix-dms", "--grade", "--deviation", "--tolerance", "--catalogue-dir", "--format",
                             "--batch", "--all-items"})
        EXPECT_NE(r.out.find(word), std::string::npos) << word;
    for (const gearcalc::report::ReportField& f : gearcalc::report::reportFields())
        EXPECT_NE(r.out.find(std::string(1, '"').append(f.name).append(1, '"')), std::string::npos) << f.name;
    for (const char* status : {"0 ", "1 ", "2 ", "3 ", "4 "}) EXPECT_NE(r.out.find(status), std::string::npos);
}

// --- Catalogues elsewhere ---------------------------------------------------------------

TEST(ReportCli, MissingCataloguesStillAllowDirectInput)
{
    TempFolder empty;
    const Outcome direct = report({"--catalogue-dir", empty.path(), "--module", "2", "--teeth", "20"});
    EXPECT_EQ(direct.status, 0);
    EXPECT_EQ(direct.out, kSpurExample);
    EXPECT_NE(direct.err.find("ZKD.edb"), std::string::npos) << direct.err;

    const Outcome item = report({"--catalogue-dir", empty.path(), "--item", "ZKD-S2-20-7"});
    EXPECT_EQ(item.status, 4);
    EXPECT_EQ(item.out, "");
    EXPECT_EQ(item.err.find("没有此类齿轮"), std::string::npos) << item.err;
}

TEST(ReportCli, RuntimeErrorStopsWithFourAndKeepsTheLinesWritten)
{
    TempFolder folder;
    std::string error;
    using gr::db::FieldKind;
    {
        auto w = gr::db::CatalogueWriter::create(
            folder.file("spc.edb"), {{"最小", FieldKind::Double}, {"最大", FieldKind::Double}, {"e", FieldKind::Text}},
            error);
        ASSERT_TRUE(w) << error;
        ASSERT_EQ(w->add(std::vector<gr::db::CellValue>{0.0, 100.0, std::string_view("-0.03")}), "");
        ASSERT_EQ(w->commit(), "");
    }
    const Outcome r = report({"--catalogue-dir", folder.path(), "--module", "2", "--teeth", "20", "--grade", "7",
                          "--deviation", "e"});
    EXPECT_EQ(r.status, 4);
    EXPECT_NE(r.err.find("（错误代码 2）"), std::string::npos) << r.err;
    const std::string tail = "**齿轮精度参数**\n制齿精度依据DIN 3967：7级\n";
    ASSERT_GE(r.out.size(), tail.size());
    EXPECT_EQ(r.out.substr(r.out.size() - tail.size()), tail);
}

// --- Batch and all items ------------------------------------------------------------------

TEST(ReportCli, AllItemsStopsWithFourOnAnItemNumberItCannotRead)
{
    TempFolder folder;
    std::string error;
    using gr::db::FieldKind;
    auto w = gr::db::CatalogueWriter::create(folder.file("ZKD.edb"),
                                             {{"订货编号", FieldKind::Double}, {"模数", FieldKind::Double}}, error);
    ASSERT_TRUE(w) << error;
    ASSERT_EQ(w->add(std::vector<gr::db::CellValue>{1.0, 2.0}), "");
    ASSERT_EQ(w->commit(), "");
    const Outcome r = report({"--catalogue-dir", folder.path(), "--all-items"});
    EXPECT_EQ(r.status, 4);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("订货编号"), std::string::npos) << r.err;
}

TEST(ReportCli, BatchWritesOneJsonLinePerRow)
{
    TempFolder folder;
    writeFile(folder.file("gears.csv"),
              "module,teeth,helix-dms,helix,helical,grade,deviation,tolerance,item,pressure-angle\r\n"
              "2,20,,,,,,,,\r\n"
              "1.5,31,15 30 0,,,8,c,27,,\r\n"
              "2,20,,19.52833,yes,,,,,\r\n"
              ",,,,,,,,ZKD-H2-20-6,\r\n"
              ",,,,,,,,ZKD-NOPE,\r\n"
              ",20,,,,,,,,\r\n"
              "3,17,,,,,,,,14.5\r\n");
    const Outcome r = report({"--batch", folder.file("gears.csv")});
    EXPECT_EQ(r.status, 1) << r.err; // the first row without a report is the unknown item
    const std::vector<Json> lines = jsonLines(r.out);
    ASSERT_EQ(lines.size(), 7u) << r.out;
    EXPECT_EQ(lines[0]["span"], "15.3209");
    EXPECT_EQ(lines[1]["helix_angle"], "15.5");
    EXPECT_EQ(lines[1]["grade"], "8");
    EXPECT_EQ(lines[1]["upper_deviation"], "-0.065"); // d = 48.255: row [10, 50], series c
    EXPECT_EQ(lines[2]["helix_angle"], "19.52833");
    EXPECT_EQ(lines[3]["input"]["item"], "ZKD-H2-20-6");
    EXPECT_EQ(lines[3]["grade"], "6");
    EXPECT_EQ(lines[4]["status"], "not_found");
    EXPECT_EQ(lines[4]["report"], "");
    EXPECT_EQ(lines[4]["messages"][0], "ZKD-KSTAL公司目前没有此类齿轮！");
    EXPECT_EQ(lines[5]["status"], "no_module");
    EXPECT_EQ(lines[6]["pressure_angle"], "14.5");
    EXPECT_EQ(lines[6]["module"], "3");
    // The same gear alone gives the same line.
    const Outcome alone = report({"--module", "3", "--teeth", "17", "--pressure-angle", "14.5", "--format", "json"});
    EXPECT_EQ(jsonLines(alone.out).at(0), lines[6]);
}

// A batch long enough to be run on two sessions at once: every row gets the
// line, the messages (numbered in the whole file) and the status it gets in
// a short batch, in row order.
TEST(ReportCli, ALongBatchGivesEveryRowWhatItGetsInAShortOne)
{
    const std::string header = "module,teeth,helix-dms,helix,helical,grade,deviation,tolerance,item,pressure-angle\n";
    const std::vector<std::string> pattern = {
        "2,20,,,,,,,,\n",         "1.5,31,15 30 0,,,8,c,27,,\n", ",20,,,,,,,,\n", "2,20,,19.52833,yes,,,,,\n",
        ",,,,,,,,ZKD-H2-20-6,\n",  ",,,,,,,,ZKD-NOPE,\n",          "3,17,,,,,,,,14.5\n",
        "0.5,6,,,,12,h,30,,\n",    "10,200,,44.5,,1,a,21,,25\n"};
    constexpr std::size_t kRepeats = 600; // 5,400 rows
    TempFolder folder;
    std::string one = header, all = header;
    for (const std::string& row : pattern) one += row;
    for (std::size_t r = 0; r < kRepeats; ++r)
        for (const std::string& row : pattern) all += row;
    writeFile(folder.file("one.csv"), one);
    writeFile(folder.file("all.csv"), all);
    for (const std::vector<std::string>& format :
         {std::vector<std::string>{}, std::vector<std::string>{"--format", "csv", "--test-dimensions"}}) {
        std::vector<std::string> short_args = {"--batch", folder.file("one.csv")};
        std::vector<std::string> long_args = {"--batch", folder.file("all.csv")};
        short_args.insert(short_args.end(), format.begin(), format.end());
        long_args.insert(long_args.end(), format.begin(), format.end());
        const Outcome a = report(short_args);
        const Outcome b = report(long_args);
        EXPECT_EQ(b.status, a.status);
        // The output: a CSV header once, then the short batch's rows again and again.
        std::string head, body = a.out;
        if (!format.empty()) {
            head = body.substr(0, body.find('\n') + 1);
            body.erase(0, head.size());
        }
        std::string expected = head;
        for (std::size_t r = 0; r < kRepeats; ++r) expected += body;
        EXPECT_TRUE(b.out == expected) << "the long batch's output differs (" << b.out.size() << " bytes, "
                                       << expected.size() << " expected)";
        // Messages: "<file> #<row>: text", rows counted through the whole file.
        std::string expected_err;
        const std::string short_prefix = folder.file("one.csv") + " #";
        for (std::size_t r = 0; r < kRepeats; ++r) {
            std::size_t at = 0;
            while (at < a.err.size()) {
                const std::size_t end = a.err.find('\n', at);
                const std::string line = a.err.substr(at, end - at);
                at = end == std::string::npos ? a.err.size() : end + 1;
                ASSERT_TRUE(line.starts_with(short_prefix)) << line;
                const std::size_t colon = line.find(':', short_prefix.size());
                const std::size_t row = std::stoul(line.substr(short_prefix.size(), colon - short_prefix.size()));
                expected_err += folder.file("all.csv") + " #" + std::to_string(r * pattern.size() + row) +
                                line.substr(colon) + "\n";
            }
        }
        EXPECT_TRUE(b.err == expected_err) << b.err.substr(0, 400);
    }
}

// --- --output FILE: the same bytes as standard output, complete or not at all --

struct OutputCase {
    const char* name;
    std::vector<std::string> args;  // besides --output out.txt
    int status;
    bool written;                   // out.txt holds what standard output would
    std::string says;               // in the error output; empty for nothing
};
void PrintTo(const OutputCase& c, std::ostream* os)
{
    *os << c.name;
}

class OutputFile : public ::testing::TestWithParam<OutputCase> {};

TEST_P(OutputFile, HoldsWhatStandardOutputWouldOrStaysAsItWas)
{
    const OutputCase& c = GetParam();
    TempFolder folder;
    writeFile(folder.file("gears.csv"), "module,teeth\n2,20\n3,17\n");
    writeFile(folder.file("out.txt"), "earlier output");
    std::vector<std::string> args = c.args;
    for (std::string& a : args)
        if (a == "GEARS") a = folder.file("gears.csv");
    const Outcome plain = report(args);
    args.insert(args.end(), {"--output", folder.file("out.txt")});
    const Outcome r = report(args);
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_EQ(plain.status, c.status) << plain.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(readFile(folder.file("out.txt")), c.written ? plain.out : "earlier output");
    if (!c.says.empty()) {
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    }
    EXPECT_EQ(readFile(folder.file("gears.csv")), "module,teeth\n2,20\n3,17\n");
    for (const auto& entry : fs::directory_iterator(folder.path()))
        EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos) << entry.path();
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Runs, OutputFile, ::testing::Values(
    OutputCase{"Text", {"--module", "2", "--teeth", "20"}, 0, true, ""},
    OutputCase{"Raw", {"--module", "2", "--teeth", "20", "--format", "raw"}, 0, true, ""},
    OutputCase{"CsvWithItsByteOrderMark", {"--module", "2", "--teeth", "20", "--format", "csv"}, 0, true, ""},
    OutputCase{"Batch", {"--batch", "GEARS"}, 0, true, ""},
    OutputCase{"AllItems", {"--all-items"}, 0, true, ""},
    OutputCase{"JsonOfAnUnknownItem", {"--item", "ZKD-NOPE", "--format", "json"}, 1, true, ""},
    OutputCase{"NoReportLeavesTheFile", {"--item", "ZKD-NOPE"}, 1, false, "nothing written to"},
    OutputCase{"NoModuleLeavesTheFile", {"--teeth", "20"}, 3, false, "nothing written to"}),
    [](const ::testing::TestParamInfo<OutputCase>& info) { return std::string(info.param.name); });
// clang-format on

TEST(ReportCli, OutputRefusesTargetsItMustNotReplace)
{
    TempFolder folder;
    writeFile(folder.file("gears.csv"), "module,teeth\n2,20\n");
    fs::create_directory(folder.file("folder"));
    const std::string catalogue = std::string(GEARCALC_DIST_DIR) + "/ZKD.edb";
    fs::copy_file(catalogue, folder.file("copy.edb"));
    const struct {
        std::vector<std::string> args;
        std::string says;
    } cases[] = {
        {{"--module", "2", "--teeth", "20", "--output", folder.file("folder")}, "is a folder"},
        {{"--batch", folder.file("gears.csv"), "--output", folder.file("gears.csv")}, "is the input file"},
        {{"--module", "2", "--teeth", "20", "--output", folder.file("copy.edb")}, "is a catalogue file"},
    };
    for (const auto& c : cases) {
        const Outcome r = report(c.args);
        EXPECT_EQ(r.status, 5) << c.says;
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    }
    EXPECT_EQ(readFile(folder.file("gears.csv")), "module,teeth\n2,20\n");
    EXPECT_EQ(readFile(folder.file("copy.edb")), readFile(catalogue));
}

TEST(ReportCli, HelpTellsPowerShellUsersToUseOutput)
{
    const Outcome r = report({"--help"});
    EXPECT_NE(r.out.find("--output FILE"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("PowerShell 5.1"), std::string::npos) << r.out;
}

TEST(ReportCli, BadBatchFilesAreUsageErrors)
{
    TempFolder folder;
    const std::pair<const char*, const char*> cases[] = {
        {"unknown_column", "module,teeth,colour\n2,20,red\n"},
        {"short_row", "module,teeth\n2\n"},
        {"bad_grade", "module,teeth,grade\n2,20,0\n"},
        {"item_with_module", "item,module\nZKD-S2-20-7,2\n"},
        {"unclosed_quote", "module,teeth\n\"2,20\n"},
    };
    for (const auto& [name, csv] : cases) {
        SCOPED_TRACE(name);
        writeFile(folder.file("bad.csv"), csv);
        const Outcome r = report({"--batch", folder.file("bad.csv")});
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("bad.csv"), std::string::npos) << r.err;
    }
}

TEST(ReportCli, AllItemsReportsEveryRecordInFileOrder)
{
    // The item numbers from the catalogue's CSV source, in order.
    std::ifstream csv(std::string(GEARCALC_SOURCE_DIR) + "/data/catalogues/ZKD.csv");
    std::vector<std::string> numbers;
    std::string line;
    std::getline(csv, line); // header
    while (std::getline(csv, line))
        if (!line.empty()) numbers.push_back(line.substr(0, line.find(',')));
    ASSERT_FALSE(numbers.empty());

    const Outcome r = report({"--all-items"});
    EXPECT_EQ(r.status, 0) << r.err;
    const std::vector<Json> lines = jsonLines(r.out);
    ASSERT_EQ(lines.size(), numbers.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        SCOPED_TRACE(numbers[i]);
        EXPECT_EQ(lines[i]["input"]["item"], numbers[i]);
        EXPECT_EQ(lines[i]["status"], "ok");
        EXPECT_EQ(lines[i]["upper_deviation"].is_string(), true);
    }
}

// --- Report values by label (the library the front end uses) --------------------

TEST(ReportValues, TakesEachValueFromItsLabel)
{
    const std::string report =
        "**齿轮基本信息**\r\n模数：2.50\r\n齿数：20\r\n压力角：20°\r\n螺旋角：0°\r\n\r\n**计算结果**"
        "\r\n分度圆直径：50\r\n公法线跨齿数：3\r\n\r\n**齿轮精度参数**\r\n制齿精度：无\r\n齿厚下偏差：超出表格范围"
        "\r\nZKD 公法线长度下偏差:-0.0282";
    std::map<std::string, std::optional<std::string>> values;
    for (auto& [name, value] : gearcalc::report::reportValues(report))
        values[std::string(name)] = value ? std::optional<std::string>(*value) : std::nullopt;
    EXPECT_EQ(values.size(), gearcalc::report::reportFields().size());
    EXPECT_EQ(values["module"], "2.50");
    EXPECT_EQ(values["pressure_angle"], "20");
    EXPECT_EQ(values["helix_angle"], "0");
    EXPECT_EQ(values["pitch_diameter"], "50");
    EXPECT_EQ(values["tip_diameter"], std::nullopt);
    EXPECT_EQ(values["teeth_spanned"], "3");
    EXPECT_EQ(values["grade"], std::nullopt);
    EXPECT_EQ(values["lower_deviation"], "超出表格范围");
    EXPECT_EQ(values["maker_span"], std::nullopt);
    EXPECT_EQ(values["maker_span_lower_deviation"], "0.0282");
}

} // namespace
