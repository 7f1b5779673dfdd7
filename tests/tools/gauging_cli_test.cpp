// gearcalc-report --test-dimensions and the inspection CSV, as a user runs
// them: the dimensions over balls against values computed beforehand in
// 30-digit arithmetic with the allowances of the shipped tables, the JSON
// names, the CSV layout, and bad input.
#include "report_cli_support.hpp"

#include <gearimg/image.hpp>

#include "named_rows.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <ostream>
#include <string>
#include <vector>

namespace {

using namespace report_cli;

using named_rows::RowName;

struct ItemRow {
    const char* name;
    const char* item;
    // Expected, 4 decimals: D_M, nominal, at A, at A − T, lower deviation, M_rK.
    const char *ball, *nominal, *upper, *lower, *deviation, *radial;
    bool spur;
};
NAMED_ROW_PRINTER(ItemRow)

// A and T from the shipped spc.edb and gc.edb (series e and 25): -0.030 and
// 0.030 mm for 10 < d <= 50, -0.056 and 0.050 mm for 125 < d <= 280.
const ItemRow kItems[] = {
    {"HelicalEvenTeeth", "ZKD-H2-20-6", "3.5000", "47.3926", "47.3236", "47.2540", "0.0695", "23.6963", false},
    {"SpurOddTeeth", "ZKD-S1-25-7", "1.7500", "27.4272", "27.3577", "27.2872", "0.0705", "13.7390", true},
    {"HelicalOddTeeth", "ZKD-H1-45-6", "1.7500", "50.2291", "50.1539", "50.0780", "0.0759", "25.1293", false},
    {"SpurLargeModule", "ZKD-S8-30-9", "14.0000", "259.9013", "259.7691", "259.6507", "0.1184", "129.9507", true},
    {"HelicalOddLargeModule", "ZKD-H8-21-8", "14.0000", "197.5659", "197.4368", "197.3212", "0.1156", "99.0403",
     false},
};

class ItemTestDimensions : public testing::TestWithParam<ItemRow> {};

TEST_P(ItemTestDimensions, JsonHoldsTheDimensionsAtTheTableAllowances)
{
    const ItemRow& r = GetParam();
    const Outcome run = report({"--item", r.item, "--test-dimensions", "--format", "json"});
    ASSERT_EQ(run.status, 0) << run.err;
    const Json j = Json::parse(run.out);
    const Json& i = j.at("inspection");
    EXPECT_EQ(i.at("ball_diameter"), r.ball);
    EXPECT_EQ(i.at("ball_source"), "series");
    EXPECT_EQ(i.at("over_balls"), r.nominal);
    EXPECT_EQ(i.at("over_balls_upper"), r.upper);
    EXPECT_EQ(i.at("over_balls_lower"), r.lower);
    EXPECT_EQ(i.at("maker_over_balls"), r.upper);
    EXPECT_EQ(i.at("maker_over_balls_lower_deviation"), r.deviation);
    EXPECT_EQ(i.at("radial_over_balls"), r.radial);
    EXPECT_EQ(i.at("pins_apply"), r.spur);
    EXPECT_EQ(i.at("over_pins"), r.spur ? Json(r.nominal) : Json(nullptr));
    EXPECT_TRUE(i.at("span_measurable").is_null());
    EXPECT_TRUE(i.at("problem").is_null());
}

TEST_P(ItemTestDimensions, TextBlockFollowsTheUnchangedReport)
{
    const ItemRow& r = GetParam();
    const Outcome plain = report({"--item", r.item, "--format", "raw"});
    const Outcome with = report({"--item", r.item, "--format", "raw", "--test-dimensions"});
    ASSERT_EQ(with.status, 0) << with.err;
    ASSERT_EQ(with.out.compare(0, plain.out.size(), plain.out), 0) << "the report's own lines changed";
    const std::string block = with.out.substr(plain.out.size());
    EXPECT_EQ(block.rfind("\r\n\r\n**检测尺寸**\r\n量球直径：" + std::string(r.ball), 0), 0u) << block;
    EXPECT_NE(block.find("\r\n跨球距：" + std::string(r.nominal) + "\r\n"), std::string::npos);
    EXPECT_NE(block.find("\r\nZKD 跨球距下偏差:-" + std::string(r.deviation) + "\r\n"), std::string::npos);
    EXPECT_NE(block.find(r.spur ? "跨棒距：" + std::string(r.nominal) : std::string("斜齿轮只能用量球")),
              std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Items, ItemTestDimensions, testing::ValuesIn(kItems),
                         RowName());

struct DirectRow {
    const char* name;
    std::vector<std::string> args;
    const char *upper, *lower, *measurable; // nullptr: JSON null; measurable "true"/"false"
};
NAMED_ROW_PRINTER(DirectRow)

const DirectRow kDirect[] = {
    {"NoSeriesNoAllowances", {"--module", "1", "--teeth", "30", "--ball", "1.7"}, nullptr, nullptr, nullptr},
    {"ToleranceOnlyMeasuresFromNominal",
     {"--module", "1", "--teeth", "30", "--ball", "1.7", "--tolerance", "25"}, nullptr, "32.2380", nullptr},
    {"PublishedFigureAtSeriesE",
     {"--module", "1", "--teeth", "30", "--ball", "1.7", "--deviation", "e"}, "32.2380", nullptr, nullptr},
    {"FaceWidthTooNarrow",
     {"--module", "2", "--teeth", "20", "--helix", "19.5283", "--face-width", "6"}, nullptr, nullptr, "false"},
    {"FaceWidthEnough",
     {"--module", "2", "--teeth", "20", "--helix", "19.5283", "--face-width", "6.5"}, nullptr, nullptr, "true"},
};

class DirectTestDimensions : public testing::TestWithParam<DirectRow> {};

TEST_P(DirectTestDimensions, NullWhereTheReportHasNoSuchLine)
{
    const DirectRow& r = GetParam();
    std::vector<std::string> args = r.args;
    args.insert(args.end(), {"--test-dimensions", "--format", "json"});
    const Outcome run = report(args);
    ASSERT_EQ(run.status, 0) << run.err;
    const Json i = Json::parse(run.out).at("inspection");
    EXPECT_EQ(i.at("over_balls_upper"), r.upper ? Json(r.upper) : Json(nullptr));
    EXPECT_EQ(i.at("over_balls_lower"), r.lower ? Json(r.lower) : Json(nullptr));
    EXPECT_EQ(i.at("span_measurable"), r.measurable ? Json::parse(r.measurable) : Json(nullptr));
}

INSTANTIATE_TEST_SUITE_P(Gears, DirectTestDimensions, testing::ValuesIn(kDirect),
                         RowName());

struct BadRow {
    const char* name;
    std::vector<std::string> args;
    int status;
    const char* says; // on stderr
};
NAMED_ROW_PRINTER(BadRow)

const BadRow kBad[] = {
    {"BallAboveTheTips", {"--module", "2", "--teeth", "20", "--ball", "12"}, 6, "too large"},
    {"BallBelowTheBaseCircle", {"--module", "2", "--teeth", "20", "--ball", "0.5"}, 6, "too small"},
    // A number box holds a number being typed, such as "." or "-".
    {"ModuleNoPlainNumber", {"--module", ".", "--teeth", "20"}, 6, "module of the report is not a plain number"},
    {"TeethNoPlainNumber", {"--module", "2", "--teeth", "-"}, 6, "number of teeth of the report is not a plain number"},
    {"TeethNoWholeNumber", {"--module", "2", "--teeth", "-20"}, 6, "whole number"},
    {"PressureAngleZero", {"--module", "2", "--teeth", "20", "--pressure-angle", "0"}, 6, "pressure angle"},
    {"PitchDiameterOutsideTables",
     {"--module", "300", "--teeth", "40", "--ball", "520", "--deviation", "e", "--tolerance", "25"}, 6,
     "outside the allowance tables"},
    {"NoSeriesBallLargeEnough", {"--module", "40", "--teeth", "30"}, 6, "largest measuring ball"},
    // Balls and modules far outside any gauge end with a message, not a
    // search that never ends; a huge ball is too large, never "too small".
    {"BallOfAMillionKilometres", {"--module", "2", "--teeth", "20", "--ball", "1000000000000"}, 6, "too large"},
    {"BallOf1e20", {"--module", "2", "--teeth", "20", "--ball", "100000000000000000000"}, 6, "too large"},
    // 1e300, written out: exponents are not typed into a number.
    {"BallBeyondAnyScale", {"--module", "2", "--teeth", "20", "--ball", "1" + std::string(300, '0')}, 6,
     "far too large"},
    {"ModuleFarBelowTheSeriesBall", {"--module", "0.00000000000000000001", "--teeth", "20"}, 6, "too large"},
    {"BallWithoutTestDimensions", {"--module", "2", "--teeth", "20", "--ball", "3.5", "--no-test"}, 2,
     "belong to --test-dimensions"},
    {"NegativeBall", {"--module", "2", "--teeth", "20", "--ball", "-3"}, 2, "--ball"},
    {"EncodingWithoutCsv", {"--module", "2", "--teeth", "20", "--encoding", "gbk"}, 2, "--encoding"},
};

class BadTestDimensions : public testing::TestWithParam<BadRow> {};

TEST_P(BadTestDimensions, SayWhyAndGiveNoNumber)
{
    const BadRow& r = GetParam();
    std::vector<std::string> args;
    bool with = true;
    for (const std::string& a : r.args) {
        if (a == "--no-test") with = false;
        else args.push_back(a);
    }
    if (with) args.push_back("--test-dimensions");
    args.insert(args.end(), {"--format", "json"});
    const Outcome run = report(args);
    EXPECT_EQ(run.status, r.status) << run.err;
    EXPECT_NE(run.err.find(r.says), std::string::npos) << run.err;
    if (r.status != 6) return;
    const Json i = Json::parse(run.out).at("inspection");
    EXPECT_NE(i.at("problem").get<std::string>().find(r.says), std::string::npos);
    EXPECT_TRUE(i.at("over_balls_upper").is_null());
    EXPECT_TRUE(i.at("over_balls_lower").is_null());
}

INSTANTIATE_TEST_SUITE_P(Inputs, BadTestDimensions, testing::ValuesIn(kBad),
                         RowName());

// Number options read the way the window's number boxes read: a decimal
// comma and full-width digits as typed there, leading zeros as decimal
// (never octal); anything else is bad usage naming the option.
TEST(NumberOptions, ReadAsTheWindowsBoxesRead)
{
    const std::vector<std::string> gear = {"--module", "2", "--teeth", "20", "--deviation", "e", "--tolerance", "25",
                                           "--test-dimensions", "--format", "json"};
    auto json = [&](std::vector<std::string> extra) {
        extra.insert(extra.begin(), gear.begin(), gear.end());
        const Outcome run = report(extra);
        EXPECT_EQ(run.status, 0) << run.err;
        return run.status == 0 ? Json::parse(run.out) : Json();
    };
    EXPECT_EQ(json({"--ball", "3,5"}).at("inspection"), json({"--ball", "3.5"}).at("inspection"));
    EXPECT_EQ(json({"--ball", "３．５"}).at("inspection"), json({"--ball", "3.5"}).at("inspection"));
    EXPECT_EQ(json({"--grade", "010"}).at("report"), json({"--grade", "10"}).at("report"));
    EXPECT_EQ(json({"--grade", "０７"}).at("report"), json({"--grade", "7"}).at("report"));
    EXPECT_EQ(json({"--iso-class", "08"}).at("tolerances"), json({"--iso-class", "8"}).at("tolerances"));
}

TEST(NumberOptions, OtherSpellingsAreBadUsageNamingTheOption)
{
    const std::vector<std::vector<std::string>> refused = {
        {"--ball", "nan"},       {"--ball", "inf"},          {"--ball", "0x10"},       {"--ball", "1e1"},
        {"--ball", "0"},         {"--ball", "."},            {"--face-width", "-5"},   {"--face-width", "1e400"},
        {"--grade", "0x6"},      {"--grade", "7.0"},         {"--tolerance", "2e1"},   {"--iso-class", "6."},
        {"--iso-class", "0b110"}, {"--mate-teeth", "3e1"},   {"--mate-teeth", "99999999999"},
        {"--mate-teeth", "30", "--centre-distance-allowance", "0x1,0"},
    };
    for (const std::vector<std::string>& extra : refused) {
        std::vector<std::string> args = {"--module", "2", "--teeth", "20", "--test-dimensions"};
        args.insert(args.end(), extra.begin(), extra.end());
        const Outcome run = report(args);
        const std::string& option = extra[extra.size() - 2];
        EXPECT_EQ(run.status, 2) << option << " " << extra.back() << ": " << run.err;
        EXPECT_EQ(run.err.rfind(option + ":", 0), 0u) << run.err;
        EXPECT_EQ(run.out, "");
    }
}

TEST(TestDimensionsText, OutsideTheTablesKeepsTheNominalAndSaysSoLikeTheReport)
{
    const Outcome run = report(
        {"--module", "300", "--teeth", "40", "--ball", "520", "--deviation", "e", "--tolerance", "25", "--test-dimensions"});
    EXPECT_EQ(run.status, 6);
    EXPECT_NE(run.out.find("\n跨球距："), std::string::npos);
    EXPECT_NE(run.out.find("\n跨球距（上偏差）：超出表格范围\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\nZKD 跨球距下偏差:-超出表格范围"), std::string::npos);
}

std::vector<std::vector<std::string>> csvRows(const std::string& text)
{
    std::vector<std::vector<std::string>> rows;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = text.find("\r\n", at);
        if (end == std::string::npos) break;
        std::vector<std::string> cells;
        std::stringstream line(text.substr(at, end - at));
        for (std::string cell; std::getline(line, cell, ',');) cells.push_back(cell);
        if (end > at && text[end - 1] == ',') cells.emplace_back();
        rows.push_back(cells);
        at = end + 2;
    }
    return rows;
}

TEST(InspectionCsv, OneRowPerItemInCatalogueOrderUtf8WithBom)
{
    const Outcome csv = report({"--all-items", "--format", "csv", "--test-dimensions"});
    ASSERT_EQ(csv.status, 0) << csv.err;
    ASSERT_EQ(csv.out.rfind("\xEF\xBB\xBF", 0), 0u);
    const auto rows = csvRows(csv.out.substr(3));
    ASSERT_FALSE(rows.empty());
    const std::vector<std::string> header = {"订货编号", "模数", "齿数", "齿形", "精度", "分度圆直径", "公法线跨齿数",
                                             "公法线长度", "ZKD 公法线长度", "ZKD 公法线长度下偏差", "量球直径",
                                             "ZKD 跨球距", "ZKD 跨球距下偏差", "弦齿厚", "弦齿高",
                                             "弦齿厚（上偏差）", "弦齿高（上偏差）", "弦齿厚（下偏差）",
                                             "弦齿高（下偏差）", "说明"};
    EXPECT_EQ(rows.front(), header);

    const std::vector<Json> items = jsonLines(report({"--all-items"}).out);
    ASSERT_EQ(rows.size(), items.size() + 1);
    for (std::size_t i = 0; i < items.size(); ++i)
        ASSERT_EQ(rows[i + 1][0], items[i].at("input").at("item").get<std::string>()) << "row " << i + 1;

    const std::vector<std::string> helical = {"ZKD-H2-20-6", "2",       "20",      "斜齿",    "6",
                                              "42.4414",     "3",       "15.4239", "15.3957", "-0.0282",
                                              "3.5000",      "47.3236", "-0.0695", "3.1393",  "2.0524",
                                              "3.1093",      "2.0514",  "3.0794",  "2.0504",  ""};
    bool found = false;
    for (const auto& row : rows) {
        if (row[0] != helical[0]) continue;
        EXPECT_EQ(row, helical);
        found = true;
    }
    EXPECT_TRUE(found);
}

TEST(InspectionCsv, GbkHoldsTheSameSheet)
{
    const Outcome utf8 = report({"--all-items", "--format", "csv", "--test-dimensions"});
    const Outcome gbk = report({"--all-items", "--format", "csv", "--test-dimensions", "--encoding", "gbk"});
    ASSERT_EQ(gbk.status, 0) << gbk.err;
    const gr::image::Result<std::string> back = gr::image::gbkToUtf8(gbk.out);
    ASSERT_TRUE(back) << back.error().message;
    EXPECT_EQ(back.value(), utf8.out.substr(3));
}

// Texts that a spreadsheet would take for a formula get a leading
// apostrophe; numbers, negative ones included, stay numbers.
TEST(InspectionCsv, TextCellsNeverBecomeFormulas)
{
    TempFolder folder;
    writeFile(folder.file("gears.csv"),
              "item\n=1+2\n+1\n-2\n@SUM(A1)\nZKD-H2-20-6\n");
    const Outcome run = report({"--batch", folder.file("gears.csv"), "--format", "csv"});
    EXPECT_EQ(run.status, 1) << run.err; // the first four are no item numbers
    const auto rows = csvRows(run.out.substr(3));
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(rows[1][0], "'=1+2");
    EXPECT_EQ(rows[2][0], "'+1");
    EXPECT_EQ(rows[3][0], "-2"); // a number, as a spreadsheet reads it anyway
    EXPECT_EQ(rows[4][0], "'@SUM(A1)");
    EXPECT_EQ(rows[5][0], "ZKD-H2-20-6");
    // The report's lower deviation is a negative number and stays one.
    EXPECT_EQ(rows[5][9].front(), '-');
    const Outcome module = report({"--module", "-", "--teeth", "20", "--format", "csv"});
    EXPECT_EQ(csvRows(module.out.substr(3)).at(1).at(1), "'-");
}

TEST(InspectionCsv, RowWithoutTestDimensionsSaysWhyInItsLastColumn)
{
    TempFolder folder;
    writeFile(folder.file("gears.csv"), "module,teeth\n1,30\n-,20\n");
    const Outcome run = report({"--batch", folder.file("gears.csv"), "--format", "csv", "--test-dimensions"});
    EXPECT_EQ(run.status, 6);
    EXPECT_NE(run.err.find("#2: the module of the report is not a plain number"), std::string::npos) << run.err;
    const auto rows = csvRows(run.out.substr(3));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1][10], "1.7500");
    EXPECT_EQ(rows[2][10], "");
    EXPECT_NE(rows[2][19].find("not a plain number"), std::string::npos);
    EXPECT_EQ(rows[1][13], "1.5701"); // the chord of m 1, z 30 without allowances
    EXPECT_EQ(rows[1][15], "");
}

TEST(TestDimensionsBatch, RowWithAHopelessBallDoesNotStopTheRowsAfterIt)
{
    TempFolder folder;
    writeFile(folder.file("gears.csv"), "module,teeth\n2,20\n0.00000000000000000001,20\n3,30\n");
    const Outcome run = report({"--batch", folder.file("gears.csv"), "--test-dimensions"});
    EXPECT_EQ(run.status, 6);
    EXPECT_NE(run.err.find("#2: a ball of 0.17 mm is too large"), std::string::npos) << run.err;
    std::vector<Json> lines;
    std::istringstream out(run.out);
    for (std::string line; std::getline(out, line);) lines.push_back(Json::parse(line));
    ASSERT_EQ(lines.size(), 3u) << run.out;
    EXPECT_EQ(lines[0].at("inspection").at("over_balls"), "44.9293");
    EXPECT_TRUE(lines[1].at("inspection").at("over_balls").is_null());
    EXPECT_FALSE(lines[2].at("inspection").at("over_balls").is_null());
}

TEST(InspectionCsv, WithoutTestDimensionsOnlyTheReportColumns)
{
    const Outcome run = report({"--item", "ZKD-S1-25-7", "--format", "csv"});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto rows = csvRows(run.out.substr(3));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].size(), 11u);
    EXPECT_EQ(rows[1][3], "直齿");
}

} // namespace
