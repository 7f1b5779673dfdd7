// The calculation run against the shipped catalogues: the worked examples,
// the helix-angle sources, the module guard, the span branches, every
// combination of the accuracy combo boxes and the item-number mode.
#include "report_support.hpp"

#include <cmath>
#include <cstdio>

namespace gearcalc::testing {
namespace {

class CalculationTest : public CalculationFixture {};

TEST_F(CalculationTest, SpurModule2Teeth20GivesTheWorkedExample)
{
    type(id::模数编辑框, "2");
    type(id::齿数编辑框, "20");
    ASSERT_TRUE(click(id::计算按钮));
    EXPECT_EQ(report(),
              "**齿轮基本信息**\r\n模数：2\r\n齿数：20\r\n压力角：20°\r\n螺旋角：0°\r\n\r\n**计算结果**"
              "\r\n分度圆直径：40\r\n齿顶圆直径：44\r\n齿根圆直径：35\r\n基圆直径：37.5877\r\n齿顶高：2"
              "\r\n齿根高：2.5\r\n全齿高：4.5\r\n公法线长度：15.3209\r\n公法线跨齿数：3"
              "\r\n\r\n**齿轮精度参数**\r\n制齿精度：无");
    EXPECT_TRUE(enabled(id::打印按钮));
    EXPECT_EQ(colour(id::结果编辑框), 0xFF0000u);
    EXPECT_TRUE(takeMessages().empty());
}

TEST_F(CalculationTest, HelicalReportCarriesTheHelixLineAndFullAccuracyBlock)
{
    helicalDecimal("2", "20", "19.5283");
    series(7, "e", 25);
    EXPECT_EQ(calculate(),
              "**齿轮基本信息**\r\n模数：2\r\n齿数：20\r\n压力角：20°\r\n螺旋角：19.5283°\r\n\r\n**计算结果**"
              "\r\n分度圆直径：42.4414\r\n齿顶圆直径：46.4414\r\n齿根圆直径：37.4414\r\n基圆直径：37.5877"
              "\r\n齿顶高：2\r\n齿根高：2.5\r\n全齿高：4.5\r\n公法线长度：15.4239\r\n公法线跨齿数：3"
              "\r\n\r\n**齿轮精度参数**\r\n制齿精度依据DIN 3967：7级\r\n齿厚上偏差：-0.03"
              "\r\nZKD 公法线长度：15.3957\r\n齿厚下偏差：-0.06\r\n齿厚公差：0.03\r\nZKD 公法线长度下偏差:-0.0282");
    EXPECT_TRUE(enabled(id::打印按钮));
    EXPECT_TRUE(takeMessages().empty());
}

// --- Worked examples ---------------------------------------------------------

struct Example {
    const char* name;
    const char* module;
    const char* teeth;
    const char* pressure;
    const char* helix; // decimal degrees; nullptr for spur
    const char* d;
    const char* da;
    const char* df;
    const char* db;
    const char* ha;
    const char* hf;
    const char* h;
    const char* w;
    const char* k;
};
void PrintTo(const Example& row, std::ostream* os)
{
    *os << row.name;
}

const Example kExamples[] = {
    {"Spur_m2_z20", "2", "20", "20", nullptr, "40", "44", "35", "37.5877", "2", "2.5", "4.5", "15.3209", "3"},
    {"Helical_m2_z20_b19_5283", "2", "20", "20", "19.5283", "42.4414", "46.4414", "37.4414", "37.5877", "2", "2.5",
     "4.5", "15.4239", "3"},
    {"Spur_m3_z17", "3", "17", "20", nullptr, "51", "57", "43.5", "47.9243", "3", "3.75", "6.75", "13.9989", "2"},
    {"Helical_m1_5_z31_b15_5", "1.5", "31", "20", "15.5", "48.255", "51.255", "44.505", "43.6957", "1.5", "1.875",
     "3.375", "16.2225", "4"},
    // The module text is shown as typed, trailing zero and all.
    {"Spur_module_typed_2_50", "2.50", "20", "20", nullptr, "50", "55", "43.75", "46.9846", "2.50", "3.125", "5.625",
     "19.1511", "3"},
    // (20/180)·18 + 0.5 is exactly 2.5 on the 15-digit form: rounds away from zero.
    {"Spur_z18_half_rounds_up", "1", "18", "20", nullptr, "18", "20", "15.5", "16.9145", "1", "1.25", "2.25", "7.6324",
     "3"},
};

class WorkedExample : public CalculationFixture, public ::testing::WithParamInterface<Example> {};

TEST_P(WorkedExample, ReportsEveryDimension)
{
    const Example& e = GetParam();
    if (e.helix == nullptr) spur(e.module, e.teeth, e.pressure);
    else helicalDecimal(e.module, e.teeth, e.helix, e.pressure);
    calculate();
    EXPECT_EQ(value("模数："), e.module);
    EXPECT_EQ(value("螺旋角："), std::string(e.helix ? e.helix : "0") + "°");
    EXPECT_EQ(value("分度圆直径："), e.d);
    EXPECT_EQ(value("齿顶圆直径："), e.da);
    EXPECT_EQ(value("齿根圆直径："), e.df);
    EXPECT_EQ(value("基圆直径："), e.db);
    EXPECT_EQ(value("齿顶高："), e.ha);
    EXPECT_EQ(value("齿根高："), e.hf);
    EXPECT_EQ(value("全齿高："), e.h);
    EXPECT_EQ(value("公法线长度："), e.w);
    EXPECT_EQ(value("公法线跨齿数："), e.k);
    EXPECT_EQ(reportLines(report()).size(), 19u) << report();
}

INSTANTIATE_TEST_SUITE_P(Examples, WorkedExample, ::testing::ValuesIn(kExamples),
                         [](const auto& info) { return std::string(info.param.name); });

// The span measurement of spur gears with module 1 and α = 20° for z = 10 to
// 100, against the span-measurement tables printed in gear handbooks and
// makers' catalogues, which list W_k = cos α · ((k − 0.5) π + z · inv α)
// for m = 1 with k = z·α/180° + 0.5 rounded (so k = ⌊z/9⌋ + 1). No such
// table could be found through the project's reference search, so the
// table is recomputed here independently: in long double, with the exact π
// (the calculation uses 3.1415926535), and k by integer arithmetic. Public
// spot checks of the same formula: module 2, z = 20 gives k = 3 and
// W = 15.321 mm in published worked examples.
TEST_F(CalculationTest, UnitModuleSpanMatchesTheHandbookTable)
{
    const long double pi = 3.14159265358979323846264338327950288L;
    const long double alpha = 20.0L * pi / 180.0L;
    const long double inv = std::tan(alpha) - alpha;
    for (int z = 10; z <= 100; ++z) {
        SCOPED_TRACE("z = " + std::to_string(z));
        spur("1", std::to_string(z));
        calculate();
        const int k = z / 9 + 1;
        const long double w = std::cos(alpha) * ((k - 0.5L) * pi + z * inv);
        EXPECT_EQ(value("公法线跨齿数："), std::to_string(k));
        const double shown = std::stod(value("公法线长度："));
        EXPECT_NEAR(shown, static_cast<double>(w), 0.5e-4 + 1e-9);
        // Four decimals at most, as the tables print them.
        char four[32];
        std::snprintf(four, sizeof four, "%.4f", shown);
        EXPECT_DOUBLE_EQ(std::stod(four), shown);
    }
}

// Values far from 1 are written with the runtime's number texts: an
// exponent below 1E-04 and from 1E+15 on, 15 significant digits otherwise.
TEST_F(CalculationTest, ExtremeModulesUseTheRuntimeNumberTexts)
{
    spur("0.00001", "20");
    calculate();
    EXPECT_EQ(value("齿顶高："), "0.00001"); // as typed
    EXPECT_EQ(value("齿根高："), "1.25E-05");
    EXPECT_EQ(value("全齿高："), "2.25E-05");
    EXPECT_EQ(value("分度圆直径："), "0.0002");
    EXPECT_EQ(value("齿根圆直径："), "0.0002"); // 0.000175 rounds half away from zero
    EXPECT_EQ(value("公法线长度："), "0.0001");

    spur("100000000000000", "20");
    calculate();
    EXPECT_EQ(value("分度圆直径："), "2E+15");
    EXPECT_EQ(value("齿顶圆直径："), "2.2E+15");
    EXPECT_EQ(value("齿根圆直径："), "1.75E+15");
    EXPECT_EQ(value("齿根高："), "125000000000000");
    EXPECT_EQ(value("全齿高："), "225000000000000");
}

// --- Helix-angle sources -----------------------------------------------------

struct HelixCase {
    const char* name;
    enum Source { Dms, Decimal, SpurWithDms, DecimalBoxUnticked } source;
    const char* d;
    const char* m;
    const char* s;
    const char* decimal;
    const char* shown; // the helix text in the report
};
void PrintTo(const HelixCase& row, std::ostream* os)
{
    *os << row.name;
}

const HelixCase kHelixCases[] = {
    {"Dms_19_31_42", HelixCase::Dms, "19", "31", "42", "", "19.5283"},
    {"Dms_15_30_0", HelixCase::Dms, "15", "30", "0", "", "15.5"},
    // 0.18″ = 0.00005°: half of the fourth decimal rounds away from zero.
    {"Dms_half_unit_rounds_up", HelixCase::Dms, "0", "0", "0.18", "", "0.0001"},
    {"Dms_empty_boxes", HelixCase::Dms, "", "", "", "", "0"},
    {"Decimal_kept_as_typed", HelixCase::Decimal, "", "", "", "19.52833", "19.52833"},
    {"Decimal_trailing_zero_kept", HelixCase::Decimal, "", "", "", "15.50", "15.50"},
    {"Spur_ignores_the_helix_boxes", HelixCase::SpurWithDms, "19", "31", "42", "", "0"},
    {"Unticked_decimal_box_is_ignored", HelixCase::DecimalBoxUnticked, "15", "30", "0", "19.5283", "15.5"},
};

class HelixSource : public CalculationFixture, public ::testing::WithParamInterface<HelixCase> {};

TEST_P(HelixSource, GivesTheHelixText)
{
    const HelixCase& c = GetParam();
    switch (c.source) {
    case HelixCase::Dms: helicalDms("2", "20", c.d, c.m, c.s); break;
    case HelixCase::Decimal: helicalDecimal("2", "20", c.decimal); break;
    case HelixCase::SpurWithDms:
        helicalDms("2", "20", c.d, c.m, c.s);
        ASSERT_TRUE(click(id::直齿单选框));
        break;
    case HelixCase::DecimalBoxUnticked:
        helicalDecimal("2", "20", c.decimal);
        ASSERT_TRUE(click(id::度数选择框)); // untick: the D/M/S boxes count again
        type(id::度编辑框, c.d);
        type(id::分编辑框, c.m);
        type(id::秒编辑框, c.s);
        break;
    }
    calculate();
    EXPECT_EQ(value("螺旋角："), std::string(c.shown) + "°");
}

INSTANTIATE_TEST_SUITE_P(Sources, HelixSource, ::testing::ValuesIn(kHelixCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CalculationTest, HelixFromDmsDrivesTheDiametersAsRounded)
{
    // 19°31′42″ is used as the rounded 19.5283, so the result equals the
    // decimal example exactly.
    helicalDms("2", "20", "19", "31", "42");
    const std::string from_dms = calculate();
    helicalDecimal("2", "20", "19.5283");
    EXPECT_EQ(calculate(), from_dms);
}

// --- Module guard and repeated runs -----------------------------------------

TEST_F(CalculationTest, EmptyModuleEndsTheRunWithAnEmptyBox)
{
    spur("2", "20");
    calculate();
    ASSERT_FALSE(report().empty());
    ASSERT_TRUE(enabled(id::打印按钮));

    for (bool helical : {false, true}) {
        SCOPED_TRACE(helical ? "helical" : "spur");
        if (helical) helicalDms("", "20", "19", "31", "42");
        else spur("", "20");
        series(7, "e", 25);
        EXPECT_EQ(calculate(), "");
        EXPECT_TRUE(takeMessages().empty());
    }
}

TEST_F(CalculationTest, EmptyModuleLeavesThePrintButtonAsItWas)
{
    spur("", "20");
    EXPECT_EQ(calculate(), "");
    EXPECT_FALSE(enabled(id::打印按钮));
}

TEST_F(CalculationTest, RunningTwiceGivesTheSameReportOnce)
{
    helicalDms("1.5", "31", "15", "30", "0");
    series(8, "c", 27);
    const std::string first = calculate();
    EXPECT_EQ(calculate(), first);
    enter(); // Enter calculates as well
    EXPECT_EQ(report(), first);
}

// --- Accuracy block: every combination of the three combo boxes -------------

struct Combination {
    const char* name;
    int grade;
    const char* deviation;
    int tolerance;
    const char* block; // the accuracy block after its header
};
void PrintTo(const Combination& row, std::ostream* os)
{
    *os << row.name;
}

// m2 z20 spur, d = 40: spc row [10, 50] (e: −0.03), gc row [10, 50] (25: 0.03).
// Maker span 15.3208787515517 − 0.03 · cos 20° = 15.2927; 0.03 · cos 20° = 0.0282.
const Combination kCombinations[] = {
    {"Nothing", 0, "", 0, "\r\n制齿精度：无"},
    {"GradeOnly", 7, "", 0, "\r\n制齿精度依据DIN 3967：7级"},
    {"DeviationOnly", 0, "e", 0, "\r\n制齿精度：无\r\n齿厚上偏差：-0.03\r\nZKD 公法线长度：15.2927"},
    {"ToleranceOnly", 0, "", 25, "\r\n制齿精度：无\r\n齿厚下偏差：-0.03\r\n齿厚公差：0.03\r\nZKD 公法线长度下偏差:-0.0282"},
    {"GradeAndDeviation", 12, "e", 0, "\r\n制齿精度依据DIN 3967：12级\r\n齿厚上偏差：-0.03\r\nZKD 公法线长度：15.2927"},
    {"GradeAndTolerance", 1, "", 25,
     "\r\n制齿精度依据DIN 3967：1级\r\n齿厚下偏差：-0.03\r\n齿厚公差：0.03\r\nZKD 公法线长度下偏差:-0.0282"},
    {"DeviationAndTolerance", 0, "e", 25,
     "\r\n制齿精度：无\r\n齿厚上偏差：-0.03\r\nZKD 公法线长度：15.2927\r\n齿厚下偏差：-0.06\r\n齿厚公差：0.03"
     "\r\nZKD 公法线长度下偏差:-0.0282"},
    {"All", 7, "e", 25,
     "\r\n制齿精度依据DIN 3967：7级\r\n齿厚上偏差：-0.03\r\nZKD 公法线长度：15.2927\r\n齿厚下偏差：-0.06"
     "\r\n齿厚公差：0.03\r\nZKD 公法线长度下偏差:-0.0282"},
};

class AccuracyBlock : public CalculationFixture, public ::testing::WithParamInterface<Combination> {};

TEST_P(AccuracyBlock, FollowsTheSelectedBoxes)
{
    const Combination& c = GetParam();
    spur("2", "20");
    series(c.grade, c.deviation, c.tolerance);
    const std::string r = calculate();
    const std::string header = "\r\n\r\n**齿轮精度参数**";
    const std::size_t at = r.find(header);
    ASSERT_NE(at, std::string::npos) << r;
    EXPECT_EQ(r.substr(at + header.size()), c.block);
    EXPECT_TRUE(enabled(id::打印按钮));
    EXPECT_TRUE(takeMessages().empty());
}

INSTANTIATE_TEST_SUITE_P(Combinations, AccuracyBlock, ::testing::ValuesIn(kCombinations),
                         [](const auto& info) { return std::string(info.param.name); });

// Every series of both combo boxes reads its own column (the tolerance
// column by its Chinese numeral name), d = 40 in row [10, 50].
TEST_F(CalculationTest, EveryDeviationSeriesReadsItsColumn)
{
    const std::vector<std::pair<std::string, std::string>> row = {
        {"a", "-0.135"}, {"ab", "-0.11"}, {"b", "-0.095"}, {"bc", "-0.075"}, {"c", "-0.065"}, {"cd", "-0.054"},
        {"d", "-0.044"}, {"e", "-0.03"},  {"f", "-0.014"}, {"g", "-0.007"},  {"h", "0"}};
    for (const auto& [name, expected] : row) {
        SCOPED_TRACE(name);
        spur("2", "20");
        series(0, name, 0);
        calculate();
        EXPECT_EQ(value("齿厚上偏差："), expected);
    }
}

TEST_F(CalculationTest, EveryToleranceSeriesReadsItsColumn)
{
    const char* const row[] = {"0.005", "0.008", "0.012", "0.02", "0.03", "0.05", "0.08", "0.13", "0.2", "0.3"};
    for (int series_number = 21; series_number <= 30; ++series_number) {
        SCOPED_TRACE(series_number);
        const std::string t = row[series_number - 21];
        spur("2", "20");
        series(0, "", series_number);
        calculate();
        EXPECT_EQ(value("齿厚公差："), t);
        EXPECT_EQ(value("齿厚下偏差："), "-" + t); // no deviation series: A = 0
    }
}

TEST_F(CalculationTest, LookupsUseTheUnroundedPitchDiameterOfTheHelicalGear)
{
    // m2 z24 β 19.5283: d = 50.9297 lies in row [50, 125] (e: −0.04), while
    // m·z = 48 would be in [10, 50].
    helicalDecimal("2", "24", "19.5283");
    series(0, "e", 25);
    calculate();
    EXPECT_EQ(value("分度圆直径："), "50.9297");
    EXPECT_EQ(value("齿厚上偏差："), "-0.04");
    EXPECT_EQ(value("齿厚公差："), "0.04");
}

TEST_F(CalculationTest, PitchDiameterBeyondTheTablesSaysSoOnEveryDependentLine)
{
    // m20 z600: d = 12000 mm, beyond the last row [6300, 10000]; the helical
    // variant the same.
    for (bool helical : {false, true}) {
        SCOPED_TRACE(helical ? "helical" : "spur");
        if (helical) helicalDecimal("20", "600", "15");
        else spur("20", "600");
        series(5, "e", 25);
        calculate();
        const std::vector<std::string> lines = reportLines(report());
        ASSERT_EQ(lines.size(), 24u) << report();
        EXPECT_EQ(lines[18], "制齿精度依据DIN 3967：5级");
        EXPECT_EQ(lines[19], "齿厚上偏差：超出表格范围");
        EXPECT_EQ(lines[20], "ZKD 公法线长度：超出表格范围");
        EXPECT_EQ(lines[21], "齿厚下偏差：超出表格范围");
        EXPECT_EQ(lines[22], "齿厚公差：超出表格范围");
        EXPECT_EQ(lines[23], "ZKD 公法线长度下偏差:-超出表格范围");
        EXPECT_TRUE(enabled(id::打印按钮));
        EXPECT_TRUE(takeMessages().empty());
    }
}

// --- Meaningless inputs: no crash, defined texts ----------------------------

TEST_F(CalculationTest, NotANumberPrintsNaNAndFindsNoTableRow)
{
    // An infinite module times zero teeth: the pitch diameter is NaN.
    spur("1e400", "0");
    series(0, "e", 25);
    calculate();
    EXPECT_EQ(value("分度圆直径："), "NaN");
    EXPECT_EQ(value("基圆直径："), "NaN");
    EXPECT_EQ(value("齿顶圆直径："), "Inf");
    EXPECT_EQ(value("齿根圆直径："), "-Inf");
    EXPECT_EQ(value("齿厚上偏差："), "超出表格范围");
    EXPECT_EQ(value("齿厚公差："), "超出表格范围");
    EXPECT_TRUE(takeMessages().empty());
}

TEST_F(CalculationTest, ZeroPressureAngleOnAHelicalGear)
{
    // inv α = 0, so the virtual number of teeth is 0/0: its text "NaN" reads
    // back as 0, k = 1 and the unit span is cos 0 · 0.5π.
    helicalDecimal("2", "20", "10", "0");
    calculate();
    EXPECT_EQ(value("公法线跨齿数："), "1");
    EXPECT_EQ(value("公法线长度："), "3.1416");
    EXPECT_EQ(value("基圆直径："), "40");
    EXPECT_TRUE(takeMessages().empty());
}

TEST_F(CalculationTest, AnglesOfNinetyDegreesAndMoreStayDefined)
{
    struct Row {
        const char* name;
        const char* pressure;
        const char* helix;
        const char* k;
    };
    const Row rows[] = {
        // cos 90° is not quite 0 with the calculation's π: huge values, and k
        // saturates at the largest 32-bit integer.
        {"helix_90", "20", "90", "2147483647"},
        {"helix_100", "20", "100", "-144"},
        {"pressure_90_spur", "90", nullptr, "11"},
        {"pressure_180_helical", "180", "45", "1"},
        // Infinite angles: NaN cosines, k saturates or falls back to 1.
        {"pressure_infinite_spur", "1e400", nullptr, "2147483647"},
        {"helix_infinite", "20", "1e400", "1"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.helix) helicalDecimal("2", "20", row.helix, row.pressure);
        else spur("2", "20", row.pressure);
        series(3, "a", 21);
        calculate();
        EXPECT_EQ(value("公法线跨齿数："), row.k);
        EXPECT_EQ(reportLines(report()).size(), 24u) << report();
        EXPECT_TRUE(takeMessages().empty());
    }
}

// --- Item-number mode ----------------------------------------------------------

TEST_F(CalculationTest, SpurItemFillsTheInputsAndSeries)
{
    helicalDms("9", "9", "1", "2", "3"); // to be overwritten
    item("ZKD-S2-20-7");
    const std::string r = calculate();
    EXPECT_EQ(text(id::模数编辑框), "2");
    EXPECT_EQ(text(id::齿数编辑框), "20");
    EXPECT_EQ(checked(id::直齿单选框), 1);
    EXPECT_EQ(checked(id::斜齿单选框), 0);
    EXPECT_EQ(selection(id::精度组合框), 6);
    EXPECT_EQ(selection(id::齿厚偏差组合框), 7);
    EXPECT_EQ(selection(id::齿厚公差组合框), 4);
    EXPECT_EQ(value("螺旋角："), "0°");
    EXPECT_EQ(value("制齿精度依据DIN 3967："), "7级");
    EXPECT_EQ(value("ZKD 公法线长度："), "15.2927");
    EXPECT_EQ(value("齿厚下偏差："), "-0.06");
    EXPECT_TRUE(takeMessages().empty());
}

TEST_F(CalculationTest, HelicalItemUsesTheCatalogueHelixAngle)
{
    spur("1", "1");
    item("ZKD-H2-20-6");
    calculate();
    EXPECT_EQ(checked(id::直齿单选框), 0);
    EXPECT_EQ(checked(id::斜齿单选框), 1);
    EXPECT_EQ(value("螺旋角："), "19.5283°");
    EXPECT_EQ(value("分度圆直径："), "42.4414");
    EXPECT_EQ(value("公法线长度："), "15.4239");
    EXPECT_EQ(value("制齿精度依据DIN 3967："), "6级");
}

TEST_F(CalculationTest, ItemModeIgnoresATickedDecimalHelixBox)
{
    helicalDecimal("1", "1", "45");
    item("ZKD-H2-20-6");
    calculate();
    EXPECT_EQ(value("螺旋角："), "19.5283°");
}

TEST_F(CalculationTest, UnknownItemKeepsTheOldReportAndSaysSoOnce)
{
    spur("3", "17");
    const std::string old = calculate();
    item("ZKD-S2-20"); // a prefix of real numbers, not a number itself
    calculate();
    EXPECT_EQ(report(), old);
    const auto messages = takeMessages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "ZKD-KSTAL公司目前没有此类齿轮！");
    EXPECT_EQ(messages[0].style, 64);
    EXPECT_EQ(text(id::模数编辑框), "3");
}

TEST_F(CalculationTest, ItemNumbersMatchByteForByte)
{
    for (const char* number : {"zkd-s2-20-7", " ZKD-S2-20-7", "ZKD-S2-20-7 ", ""}) {
        SCOPED_TRACE(std::string("\"") + number + "\"");
        item(number);
        calculate();
        EXPECT_EQ(takeMessages().size(), 1u);
    }
}

} // namespace
} // namespace gearcalc::testing
