// gearcalc-report's chordal tooth, ISO 1328-1:2013 tolerances and backlash
// of a pair, as a user runs them: values against the 30-digit reference
// model (tests/calc/tooth_checks_reference.py) with the allowances of the
// shipped tables, the JSON names, the text blocks, the sheet's columns, and
// what is refused.
#include "report_cli_support.hpp"

#include <gearimg/image.hpp>

#include "named_rows.hpp"

#include <gtest/gtest.h>

#include <array>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace report_cli;

using named_rows::RowName;

std::vector<std::string> with(std::vector<std::string> args, std::initializer_list<std::string> more)
{
    args.insert(args.end(), more);
    return args;
}

// ---- chordal tooth ----

struct ChordalItem {
    const char* name;
    const char* item;
    std::array<const char*, 6> chord; // s̄, h̄: nominal, at A, at A − T
};
NAMED_ROW_PRINTER(ChordalItem)

const ChordalItem kChordalItems[] = {
    {"HelicalEvenTeeth", "ZKD-H2-20-6", {"3.1393", "2.0524", "3.1093", "2.0514", "3.0794", "2.0504"}},
    {"SpurOddTeeth", "ZKD-S1-25-7", {"1.5698", "1.0247", "1.5398", "1.0237", "1.5099", "1.0228"}},
    {"HelicalOddTeeth", "ZKD-H1-45-6", {"1.5706", "1.0116", "1.5406", "1.0112", "1.5106", "1.0108"}},
    {"SpurLargeModule", "ZKD-S8-30-9", {"12.5606", "8.1645", "12.5047", "8.1630", "12.4548", "8.1617"}},
    {"HelicalOddLargeModule", "ZKD-H8-21-8", {"12.5579", "8.1996", "12.5020", "8.1978", "12.4521", "8.1962"}},
};

const char* const kChordalNames[] = {"chordal_thickness",       "chordal_height",
                                     "chordal_thickness_upper", "chordal_height_upper",
                                     "chordal_thickness_lower", "chordal_height_lower"};

class ChordalOfItems : public testing::TestWithParam<ChordalItem> {};

TEST_P(ChordalOfItems, JsonAtTheTableAllowances)
{
    const ChordalItem& r = GetParam();
    const Outcome run = report({"--item", r.item, "--test-dimensions", "--format", "json"});
    ASSERT_EQ(run.status, 0) << run.err;
    const Json i = Json::parse(run.out).at("inspection");
    for (std::size_t k = 0; k < 6; ++k) EXPECT_EQ(i.at(kChordalNames[k]), r.chord[k]) << kChordalNames[k];
}

TEST_P(ChordalOfItems, TextLinesInTheTestDimensionBlock)
{
    const ChordalItem& r = GetParam();
    const Outcome plain = report({"--item", r.item, "--format", "raw"});
    const Outcome run = report({"--item", r.item, "--format", "raw", "--test-dimensions"});
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_EQ(run.out.compare(0, plain.out.size(), plain.out), 0) << "the report's own lines changed";
    const std::string expected = std::string("\r\n弦齿厚：") + r.chord[0] + "\r\n弦齿高：" + r.chord[1] +
                                 "\r\n弦齿厚（上偏差）：" + r.chord[2] + "\r\n弦齿高（上偏差）：" + r.chord[3] +
                                 "\r\n弦齿厚（下偏差）：" + r.chord[4] + "\r\n弦齿高（下偏差）：" + r.chord[5];
    EXPECT_NE(run.out.find(expected), std::string::npos) << run.out.substr(plain.out.size());
}

INSTANTIATE_TEST_SUITE_P(Items, ChordalOfItems, testing::ValuesIn(kChordalItems), RowName());

TEST(ChordalTooth, PublishedFigureWithoutAllowances)
{
    const Outcome run = report({"--module", "10", "--teeth", "12", "--test-dimensions", "--format", "json"});
    ASSERT_EQ(run.status, 0) << run.err;
    const Json i = Json::parse(run.out).at("inspection");
    EXPECT_EQ(i.at("chordal_thickness"), "15.6631");
    EXPECT_EQ(i.at("chordal_height"), "10.5133");
    EXPECT_TRUE(i.at("chordal_thickness_upper").is_null());
    EXPECT_TRUE(i.at("chordal_height_lower").is_null());
}

TEST(ChordalTooth, GivenWhenNoBallFitsAndOutOfTableLikeTheReport)
{
    // A ball far too large: the dimension over balls is refused, the chord is not.
    const Outcome ball = report({"--module", "2", "--teeth", "20", "--ball", "12", "--test-dimensions"});
    EXPECT_EQ(ball.status, 6);
    EXPECT_NE(ball.out.find("\n**检测尺寸**\n弦齿厚：3.1384\n弦齿高：2.0617"), std::string::npos) << ball.out;
    // Beyond the allowance tables the chord at the allowances says so, as the report does.
    const Outcome outside = report({"--module", "300", "--teeth", "40", "--ball", "520", "--deviation", "e",
                                    "--tolerance", "25", "--test-dimensions"});
    EXPECT_EQ(outside.status, 6);
    EXPECT_NE(outside.out.find("\n弦齿厚（上偏差）：超出表格范围\n"), std::string::npos) << outside.out;
}

// ---- tolerances ----

struct ToleranceCase {
    const char* name;
    std::vector<std::string> args;
    // fpT FpT fHaT ffaT FaT fHbT ffbT FbT FrT (nullptr: JSON null)
    std::array<const char*, 9> values;
};
NAMED_ROW_PRINTER(ToleranceCase)

const char* const kToleranceNames[] = {"fpT", "FpT", "fHaT", "ffaT", "FaT", "fHbT", "ffbT", "FbT", "FrT"};

const ToleranceCase kToleranceCases[] = {
    {"PublishedM3Z40B30Class6",
     {"--module", "3", "--teeth", "40", "--iso-class", "6", "--face-width", "30"},
     {"9.0", "29", "7.5", "9.5", "12", "9.0", "10", "14", "26"}},
    {"SpurWithoutFaceWidth",
     {"--module", "2", "--teeth", "20", "--iso-class", "5"},
     {"6.0", "17", "4.8", "6.0", "8.0", nullptr, nullptr, nullptr, "15"}},
    {"HelicalOddClass7",
     {"--module", "1.5", "--teeth", "31", "--helix", "15.5", "--iso-class", "7", "--face-width", "20"},
     {"11", "34", "9.5", "12", "15", "12", "13", "18", "31"}},
    {"HelicalItemClass4",
     {"--item", "ZKD-H2-20-6", "--iso-class", "4", "--face-width", "6"},
     {"4.1", "12", "3.4", "4.3", "5.5", "3.7", "3.9", "5.5", "11"}},
};

class Tolerances : public testing::TestWithParam<ToleranceCase> {};

TEST_P(Tolerances, JsonHoldsThePrintedValues)
{
    const ToleranceCase& r = GetParam();
    const Outcome run = report(with(r.args, {"--format", "json"}));
    ASSERT_EQ(run.status, 0) << run.err;
    const Json j = Json::parse(run.out);
    EXPECT_FALSE(j.contains("inspection")) << "the tolerances need no --test-dimensions";
    const Json& t = j.at("tolerances");
    for (std::size_t k = 0; k < 9; ++k)
        EXPECT_EQ(t.at(kToleranceNames[k]), r.values[k] ? Json(r.values[k]) : Json(nullptr)) << kToleranceNames[k];
    EXPECT_TRUE(t.at("problem").is_null());
}

TEST_P(Tolerances, TextBlockFollowsTheUnchangedReport)
{
    const ToleranceCase& r = GetParam();
    std::vector<std::string> plain_args;
    for (std::size_t k = 0; k < r.args.size(); ++k) {
        if (r.args[k] == "--iso-class" || r.args[k] == "--face-width") ++k;
        else plain_args.push_back(r.args[k]);
    }
    const Outcome plain = report(with(plain_args, {"--format", "raw"}));
    const Outcome run = report(with(r.args, {"--format", "raw"}));
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_EQ(run.out.compare(0, plain.out.size(), plain.out), 0) << "the report's own lines changed";
    const std::string block = run.out.substr(plain.out.size());
    EXPECT_EQ(block.rfind("\r\n\r\n**ISO 1328-1:2013 公差**\r\n公差等级：", 0), 0u) << block;
    const char* const labels[] = {"单个齿距偏差 fpT：", "齿距累积总偏差 FpT：", "齿廓倾斜 fHαT：",
                                  "齿廓形状 ffαT：",    "齿廓总偏差 FαT：",     "螺旋线倾斜 fHβT：",
                                  "螺旋线形状 ffβT：",  "螺旋线总偏差 FβT：",   "径向跳动 FrT："};
    for (std::size_t k = 0; k < 9; ++k) {
        const std::string line = std::string("\r\n") + labels[k];
        if (r.values[k] == nullptr) EXPECT_EQ(block.find(line), std::string::npos) << labels[k];
        else EXPECT_NE(block.find(line + r.values[k] + " μm"), std::string::npos) << labels[k] << block;
    }
    EXPECT_EQ(block.find("未给定齿宽") != std::string::npos, r.values[5] == nullptr);
}

INSTANTIATE_TEST_SUITE_P(Gears, Tolerances, testing::ValuesIn(kToleranceCases), RowName());

// ---- the backlash of a pair ----

struct PairCase {
    const char* name;
    std::vector<std::string> args;
    std::array<const char*, 5> values; // centre distance, jt min, jt max, jn min, jn max
    bool interference;
    std::array<const char*, 3> mate; // pitch diameter, upper deviation, tolerance of the mate's report
};
NAMED_ROW_PRINTER(PairCase)

const PairCase kPairCases[] = {
    {"SpurSeriesE25",
     {"--module", "2", "--teeth", "20", "--deviation", "e", "--tolerance", "25", "--mate-teeth", "30"},
     {"50.0000", "0.0700", "0.1400", "0.0658", "0.1316"},
     false,
     {"60", "-0.04", "0.04"}},
    {"SpurCentreDistanceAllowances",
     {"--module", "2", "--teeth", "20", "--deviation", "e", "--tolerance", "25", "--mate-teeth", "30",
      "--centre-distance-allowance", "0.03,-0.01"},
     {"50.0000", "0.0627", "0.1618", "0.0589", "0.1521"},
     false,
     {"60", "-0.04", "0.04"}},
    {"SeriesHInterferes",
     {"--module", "2", "--teeth", "20", "--deviation", "h", "--tolerance", "25", "--mate-teeth", "30",
      "--centre-distance-allowance=0.03,-0.01"},
     {"50.0000", "-0.0073", "0.0918", "-0.0068", "0.0863"},
     true,
     {"60", "0", "0.04"}},
    {"CatalogueHelicalItems",
     {"--item", "ZKD-H2-20-6", "--mate-item", "ZKD-H2-30-7"},
     {"53.0517", "0.0743", "0.1485", "0.0658", "0.1316"},
     false,
     {"63.6621", "-0.04", "0.04"}},
    {"HelicalMateSeriesGiven",
     {"--module", "1.5", "--teeth", "31", "--helix", "15.5", "--deviation", "d", "--tolerance", "26",
      "--mate-teeth", "45", "--mate-deviation", "c", "--mate-tolerance", "27", "--centre-distance-allowance",
      "0.02,-0.02"},
     {"59.1513", "0.1188", "0.3046", "0.1075", "0.2759"},
     false,
     {"70.0476", "-0.085", "0.1"}},
};

const char* const kPairNames[] = {"centre_distance", "jt_min", "jt_max", "jn_min", "jn_max"};

class Pairs : public testing::TestWithParam<PairCase> {};

TEST_P(Pairs, JsonPairObject)
{
    const PairCase& r = GetParam();
    const Outcome run = report(with(r.args, {"--format", "json"}));
    ASSERT_EQ(run.status, 0) << run.err;
    const Json p = Json::parse(run.out).at("pair");
    for (std::size_t k = 0; k < 5; ++k) EXPECT_EQ(p.at(kPairNames[k]), r.values[k]) << kPairNames[k];
    EXPECT_EQ(p.at("interference"), r.interference);
    EXPECT_EQ(p.at("mate").at("pitch_diameter"), r.mate[0]);
    EXPECT_EQ(p.at("mate").at("upper_deviation"), r.mate[1]);
    EXPECT_EQ(p.at("mate").at("tolerance"), r.mate[2]);
    EXPECT_TRUE(p.at("problem").is_null());
}

TEST_P(Pairs, TextBlockAfterTheReport)
{
    const PairCase& r = GetParam();
    const Outcome run = report(r.args);
    ASSERT_EQ(run.status, 0) << run.err;
    const std::size_t at = run.out.find("\n\n**齿轮副侧隙**\n");
    ASSERT_NE(at, std::string::npos) << run.out;
    const std::string block = run.out.substr(at);
    const std::string mark = r.interference ? "（干涉）" : "";
    EXPECT_NE(block.find(std::string("\n中心距：") + r.values[0] + "\n"), std::string::npos) << block;
    EXPECT_NE(block.find(std::string("\n圆周侧隙 min：") + r.values[1] + mark + "\n"), std::string::npos) << block;
    EXPECT_NE(block.find(std::string("\n圆周侧隙 max：") + r.values[2] + "\n"), std::string::npos) << block;
    EXPECT_NE(block.find(std::string("\n法向侧隙 min：") + r.values[3] + mark + "\n"), std::string::npos) << block;
    EXPECT_NE(block.find(std::string("\n法向侧隙 max：") + r.values[4]), std::string::npos) << block;
    EXPECT_EQ(block.find("\n干涉：") != std::string::npos, r.interference);
}

INSTANTIATE_TEST_SUITE_P(Gears, Pairs, testing::ValuesIn(kPairCases), RowName());

// ---- refusals ----

struct Refusal {
    const char* name;
    std::vector<std::string> args;
    int status;
    const char* says;   // on stderr
    const char* object; // the JSON object that is null or holds the problem (status 6)
};
NAMED_ROW_PRINTER(Refusal)

const std::vector<std::string> kGear = {"--module", "2", "--teeth", "20"};
const std::vector<std::string> kSeries = {"--module", "2", "--teeth", "20", "--deviation", "e", "--tolerance", "25"};

const Refusal kRefusals[] = {
    // Bad options: exit 2 before anything is calculated.
    {"ClassZero", with(kGear, {"--iso-class", "0"}), 2, "--iso-class", nullptr},
    {"ClassTwelve", with(kGear, {"--iso-class", "12"}), 2, "--iso-class", nullptr},
    {"ClassNoNumber", with(kGear, {"--iso-class", "six"}), 2, "--iso-class", nullptr},
    {"FaceWidthBelowTheStandard", with(kGear, {"--iso-class", "6", "--face-width", "3"}), 2, "4 to 1200 mm", nullptr},
    {"FaceWidthAloneBelongsElsewhere", with(kGear, {"--face-width", "30"}), 2, "--iso-class", nullptr},
    {"MateWithoutSeries", with(kGear, {"--mate-teeth", "30"}), 2, "give --deviation and --tolerance", nullptr},
    {"MateTeethNoWholeNumber", with(kSeries, {"--mate-teeth", "30.5"}), 2, "--mate-teeth", nullptr},
    {"MateTeethTwo", with(kSeries, {"--mate-teeth", "2"}), 2, "--mate-teeth", nullptr},
    {"MateItemWithoutItem", with(kSeries, {"--mate-item", "ZKD-H2-30-7"}), 2, "give the gear with --item", nullptr},
    {"MateItemWithMateSeries", {"--item", "ZKD-H2-20-6", "--mate-item", "ZKD-H2-30-7", "--mate-deviation", "c"}, 2,
     "the item catalogue supplies them", nullptr},
    {"MateTeethAndMateItem", {"--item", "ZKD-H2-20-6", "--mate-item", "ZKD-H2-30-7", "--mate-teeth", "30"}, 2,
     "excludes", nullptr},
    {"MateSeriesWithoutMate", with(kSeries, {"--mate-tolerance", "26"}), 2, "belong to --mate-teeth", nullptr},
    {"AllowanceWithoutMate", with(kSeries, {"--centre-distance-allowance", "0.03,0"}), 2, "belong to --mate-teeth",
     nullptr},
    {"AllowancesSwapped", with(kSeries, {"--mate-teeth", "30", "--centre-distance-allowance", "-0.01,0.03"}), 2,
     "lies below the lower", nullptr},
    {"AllowanceOneValue", with(kSeries, {"--mate-teeth", "30", "--centre-distance-allowance", "0.03"}), 2,
     "--centre-distance-allowance", nullptr},
    {"AllowanceNotANumber", with(kSeries, {"--mate-teeth", "30", "--centre-distance-allowance", "nan,0"}), 2,
     "the value \"nan\" is not a number", nullptr},
    {"MateWithAllItems", {"--all-items", "--mate-teeth", "30"}, 2, "--all-items", nullptr},
    {"MateInTheSheet", with(kSeries, {"--mate-teeth", "30", "--format", "csv"}), 2, "--format csv", nullptr},
    // The report is written; the extra values are refused (status 6).
    {"FourTeethOutsideTheStandard", {"--module", "3", "--teeth", "4", "--iso-class", "6"}, 6,
     "number of teeth 4 lies outside the range of ISO 1328-1:2013", "tolerances"},
    {"ModuleOutsideTheStandard", {"--module", "80", "--teeth", "20", "--iso-class", "6"}, 6, "module 80 lies outside",
     "tolerances"},
    {"HelixOutsideTheStandard", {"--module", "2", "--teeth", "20", "--helix", "46", "--iso-class", "6"}, 6,
     "helix angle 46 lies outside", "tolerances"},
    {"ModuleNoPlainNumber", {"--module", ".", "--teeth", "20", "--iso-class", "6"}, 6, "not a plain number",
     "tolerances"},
    {"MateModuleDiffers", {"--item", "ZKD-H2-20-6", "--mate-item", "ZKD-S1-25-7"}, 6, "the mate's module 1 differs",
     "pair"},
    {"MateHelixDiffers", {"--item", "ZKD-S2-20-7", "--mate-item", "ZKD-H2-30-7"}, 6, "the mate's helix angle", "pair"},
    {"MateItemUnknown", {"--item", "ZKD-H2-20-6", "--mate-item", "ZKD-NOPE"}, 6, "is not in the item catalogue",
     "pair"},
    {"MateOutsideTheTables", with(kSeries, {"--mate-teeth", "6000"}), 6,
     "the mate's pitch diameter 12000 mm lies outside the allowance tables", "pair"},
    {"GearOutsideTheTables", {"--module", "300", "--teeth", "40", "--deviation", "e", "--tolerance", "25",
                              "--mate-teeth", "30"}, 6, "the gear's pitch diameter 12000 mm lies outside", "pair"},
};

class Refusals : public testing::TestWithParam<Refusal> {};

TEST_P(Refusals, SayWhyAndGiveNoNumber)
{
    const Refusal& r = GetParam();
    const Outcome run = report(r.status == 6 ? with(r.args, {"--format", "json"}) : r.args);
    EXPECT_EQ(run.status, r.status) << run.err;
    EXPECT_NE(run.err.find(r.says), std::string::npos) << run.err;
    if (r.object == nullptr) {
        EXPECT_EQ(run.out, "") << "nothing is written for bad usage";
        return;
    }
    const Json j = Json::parse(run.out);
    EXPECT_EQ(j.at("status"), "ok") << "the report itself was written";
    const Json& o = j.at(r.object);
    EXPECT_NE(o.at("problem").get<std::string>().find(r.says), std::string::npos);
    for (const char* number : {"fpT", "FpT", "FrT", "jt_min", "jn_max", "centre_distance"}) {
        if (o.contains(number)) {
            EXPECT_TRUE(o.at(number).is_null()) << number;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Inputs, Refusals, testing::ValuesIn(kRefusals), RowName());

TEST(Refusals, TextSaysSoInsteadOfNumbers)
{
    const Outcome tolerances = report({"--module", "3", "--teeth", "4", "--iso-class", "6"});
    EXPECT_EQ(tolerances.status, 6);
    EXPECT_NE(tolerances.out.find("\n**ISO 1328-1:2013 公差**\n公差等级：6\n超出 ISO 1328-1:2013 的适用范围，不给出公差\n"),
              std::string::npos)
        << tolerances.out;
    const Outcome pair = report({"--item", "ZKD-H2-20-6", "--mate-item", "ZKD-S1-25-7"});
    EXPECT_EQ(pair.status, 6);
    EXPECT_NE(pair.out.find("\n**齿轮副侧隙**\n配对齿轮：ZKD-S1-25-7，齿数 25，分度圆直径 25，齿厚上偏差 -0.03，"
                            "齿厚公差 0.03\n无法计算侧隙\n"),
              std::string::npos)
        << pair.out;
}

// ---- the sheet ----

std::vector<std::vector<std::string>> rowsOf(const std::string& text)
{
    std::vector<std::vector<std::string>> rows;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::vector<std::string> cells;
        std::istringstream cellsIn(line);
        for (std::string cell; std::getline(cellsIn, cell, ',');) cells.push_back(cell);
        if (!line.empty() && line.back() == ',') cells.emplace_back();
        rows.push_back(cells);
    }
    return rows;
}

TEST(InspectionSheet, ToleranceColumnsWithIsoClassInUtf8AndGbk)
{
    const std::vector<std::string> args = {"--all-items", "--format", "csv", "--test-dimensions",
                                           "--iso-class", "6",        "--face-width", "30"};
    const Outcome utf8 = report(args);
    ASSERT_EQ(utf8.status, 0) << utf8.err;
    const auto rows = rowsOf(utf8.out.substr(3));
    const std::vector<std::string> tail = {"ISO 公差等级", "fpT（μm）",  "FpT（μm）",  "fHαT（μm）", "ffαT（μm）",
                                           "FαT（μm）",    "fHβT（μm）", "ffβT（μm）", "FβT（μm）",  "FrT（μm）",
                                           "说明"};
    ASSERT_EQ(rows.front().size(), 19u + tail.size());
    EXPECT_EQ(std::vector<std::string>(rows.front().begin() + 19, rows.front().end()), tail);
    // m 2, z 20, β 19.5283°, class 6, b 30: the values of the JSON object.
    const Json t = Json::parse(report({"--item", "ZKD-H2-20-6", "--iso-class", "6", "--face-width", "30",
                                       "--format", "json"}).out).at("tolerances");
    bool found = false;
    for (const auto& row : rows) {
        if (row[0] != "ZKD-H2-20-6") continue;
        found = true;
        EXPECT_EQ(row[19], "6");
        for (std::size_t k = 0; k < 9; ++k) EXPECT_EQ(row[20 + k], t.at(kToleranceNames[k])) << kToleranceNames[k];
        EXPECT_EQ(row.back(), "");
    }
    EXPECT_TRUE(found);

    const Outcome gbk = report(with(args, {"--encoding", "gbk"}));
    ASSERT_EQ(gbk.status, 0) << gbk.err; // every header character has a GBK form
    const gr::image::Result<std::string> back = gr::image::gbkToUtf8(gbk.out);
    ASSERT_TRUE(back) << back.error().message;
    EXPECT_EQ(back.value(), utf8.out.substr(3));
}

TEST(InspectionSheet, RefusedTolerancesLeaveTheirCellsEmptyAndSayWhy)
{
    TempFolder folder;
    writeFile(folder.file("gears.csv"), "module,teeth\n3,40\n3,4\n");
    const Outcome run = report({"--batch", folder.file("gears.csv"), "--format", "csv", "--iso-class", "6"});
    EXPECT_EQ(run.status, 6);
    EXPECT_NE(run.err.find("#2: the number of teeth 4 lies outside"), std::string::npos) << run.err;
    const auto rows = rowsOf(run.out.substr(3));
    ASSERT_EQ(rows.size(), 3u);
    ASSERT_EQ(rows[0].size(), 21u); // report columns, class, nine tolerances, note
    EXPECT_EQ(rows[1][10], "6");
    EXPECT_EQ(rows[1][11], "9.0");
    EXPECT_EQ(rows[1][15], "12");
    EXPECT_EQ(rows[1][16], "") << "no helix tolerance without a face width";
    EXPECT_EQ(rows[2][10], "");
    EXPECT_EQ(rows[2][11], "");
    EXPECT_NE(rows[2][20].find("lies outside the range of ISO 1328-1:2013"), std::string::npos);
}

TEST(JsonLines, EveryLineOfAllItemsHasItsTolerances)
{
    const Outcome run = report({"--all-items", "--iso-class", "8"});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<Json> lines = jsonLines(run.out);
    ASSERT_FALSE(lines.empty());
    for (const Json& j : lines) {
        ASSERT_EQ(j.at("tolerances").at("class"), 8);
        EXPECT_TRUE(j.at("tolerances").at("fpT").is_string()) << j.at("input").at("item");
    }
}

} // namespace
