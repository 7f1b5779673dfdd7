// The calculation against small catalogues written for each test: exact
// table boundaries, values stored as FLOAT, rows that are missing, fields of
// the wrong kind, and item records that stretch the item lookup's rules.
#include "report_support.hpp"

#include <cmath>

namespace gearcalc::testing {
namespace {

using Rows = std::vector<std::vector<gr::db::CellValue>>;
using gr::db::CellValue;

std::vector<Field> itemFields(FieldKind module = FieldKind::Double, FieldKind form = FieldKind::Byte,
                              FieldKind grade = FieldKind::Byte, FieldKind number = FieldKind::Text)
{
    return {{"订货编号", number}, {"模数", module}, {"齿数", FieldKind::Short}, {"齿形", form}, {"精度", grade}};
}

const Rows kOneItem = {{std::string_view("ZKD-S2-20-7"), 2.0, std::int64_t{20}, std::int64_t{0}, std::int64_t{7}}};

class CustomCatalogueTest : public CalculationFixture {
protected:
    // Writes the three catalogues (a null field list leaves that file out)
    // and restarts the program on them.
    void open(const std::vector<Field>* spc_fields, const Rows& spc, const std::vector<Field>* gc_fields,
              const Rows& gc, const std::vector<Field>* item_fields = nullptr, const Rows& items = kOneItem)
    {
        static const std::vector<Field> kItems = itemFields();
        if (spc_fields) folder_.write("spc.edb", *spc_fields, spc);
        if (gc_fields) folder_.write("gc.edb", *gc_fields, gc);
        folder_.write("ZKD.edb", item_fields ? *item_fields : kItems, items);
        start(folder_.path());
        startup_messages_ = takeMessages();
    }
    void openRanges(const Rows& spc, const Rows& gc)
    {
        static const std::vector<Field> kSpc = rangeFields({"e", "h"});
        static const std::vector<Field> kGc = rangeFields({"二十五"});
        open(&kSpc, spc, &kGc, gc);
        ASSERT_TRUE(startup_messages_.empty());
    }

    CatalogueFolder folder_;
    std::vector<gr::MessageRequest> startup_messages_;
};

// --- Table boundaries: the first row with 最小 − 1e-7 ≤ d ≤ 最大 + 1e-7 ---------

struct Boundary {
    const char* name;
    const char* module; // with 20 teeth, spur: d = 20 m
    const char* upper;  // the row it lands in, by its e value
    const char* tolerance;
};
void PrintTo(const Boundary& row, std::ostream* os)
{
    *os << row.name;
}

const Boundary kBoundaries[] = {
    {"d_10_exactly_first_row", "0.5", "-0.01", "0.001"},
    {"d_50_exactly_first_matching_row", "2.5", "-0.02", "0.002"},
    {"d_50_00000005_within_the_slack", "2.5000000025", "-0.02", "0.002"},
    {"d_50_0000002_next_row", "2.50000001", "-0.03", "0.003"},
    {"d_49_9999999_inside", "2.499999995", "-0.02", "0.002"},
    {"d_125_exactly_last_row", "6.25", "-0.03", "0.003"},
    {"d_125_00000005_last_row_slack", "6.2500000025", "-0.03", "0.003"},
    {"d_125_0000002_beyond", "6.25000001", "超出表格范围", "超出表格范围"},
};

class TableBoundary : public CustomCatalogueTest, public ::testing::WithParamInterface<Boundary> {};

TEST_P(TableBoundary, PicksTheFirstRowThatHoldsTheDiameter)
{
    openRanges({{0.0, 10.0, -0.01, 0.0}, {10.0, 50.0, -0.02, 0.0}, {50.0, 125.0, -0.03, 0.0}},
               {{0.0, 10.0, 0.001}, {10.0, 50.0, 0.002}, {50.0, 125.0, 0.003}});
    const Boundary& b = GetParam();
    spur(b.module, "20");
    series(0, "e", 25);
    calculate();
    EXPECT_EQ(value("齿厚上偏差："), b.upper);
    EXPECT_EQ(value("齿厚公差："), b.tolerance);
    EXPECT_TRUE(takeMessages().empty());
}

INSTANTIATE_TEST_SUITE_P(Rows, TableBoundary, ::testing::ValuesIn(kBoundaries),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CustomCatalogueTest, LowerEndHasTheSameSlack)
{
    openRanges({{10.0, 50.0, -0.02, 0.0}}, {{10.0, 50.0, 0.002}});
    spur("0.4999999975", "20"); // d = 9.99999995
    series(0, "e", 25);
    calculate();
    EXPECT_EQ(value("齿厚上偏差："), "-0.02");
    spur("0.49999999", "20"); // d = 9.9999998
    calculate();
    EXPECT_EQ(value("齿厚上偏差："), "超出表格范围");
    EXPECT_EQ(value("齿厚公差："), "超出表格范围");
}

// --- Allowance arithmetic -------------------------------------------------------

TEST_F(CustomCatalogueTest, MakerSpanAndLowerSpanDeviationFromTheAllowances)
{
    // A = −0.1, T = 0.1 for m2 z20 spur: 15.3208787515517 − 0.1 · cos 20° and
    // 0.1 · cos 20°.
    openRanges({{10.0, 50.0, -0.1, 0.0}}, {{10.0, 50.0, 0.1}});
    spur("2", "20");
    series(7, "e", 25);
    calculate();
    EXPECT_EQ(value("齿厚上偏差："), "-0.1");
    EXPECT_EQ(value("ZKD 公法线长度："), "15.2269");
    EXPECT_EQ(value("齿厚下偏差："), "-0.2");
    EXPECT_EQ(value("齿厚公差："), "0.1");
    EXPECT_EQ(value("ZKD 公法线长度下偏差:-"), "0.094");
}

TEST_F(CustomCatalogueTest, PositiveUpperAllowanceCountsByItsSize)
{
    // The maker span subtracts |A| cos α whatever A's sign.
    openRanges({{10.0, 50.0, 0.1, 0.0}}, {{10.0, 50.0, 0.1}});
    spur("2", "20");
    series(0, "e", 25);
    calculate();
    EXPECT_EQ(value("ZKD 公法线长度："), "15.2269");
    EXPECT_EQ(value("齿厚下偏差："), "0");
}

// The unit span is held as a 15-digit text; a module of 1e10 with a zero
// allowance shows all of it in the maker span.
TEST_F(CustomCatalogueTest, UnitSpanIsTheFifteenDigitText)
{
    openRanges({{0.0, 1e12, -0.01, 0.0}}, {{0.0, 1e12, 0.1}});
    spur("10000000000", "20");
    series(0, "h", 0);
    calculate();
    EXPECT_EQ(value("ZKD 公法线长度："), "76604393757.7584"); // 7.66043937577584 · 1e10
}

TEST_F(CustomCatalogueTest, HelicalVirtualNumberOfTeeth)
{
    // m2 z20 β 19.5283: z′ ≈ 23.67697 and k = 3. The unit span shows z′:
    // W* = cos α ((k − 0.5) π + z′ inv α).
    openRanges({{0.0, 1e12, -0.01, 0.0}}, {{0.0, 1e12, 0.1}});
    helicalDecimal("10000000000", "20", "19.5283");
    series(0, "h", 0);
    calculate();
    EXPECT_EQ(value("公法线跨齿数："), "3");
    const double unit_span = std::stod(value("ZKD 公法线长度：")) / 1e10;
    const double pi = 3.1415926535;
    const double alpha = 20.0 * pi / 180.0;
    const double inv = std::tan(alpha) - alpha;
    const double virtual_teeth = (unit_span / std::cos(alpha) - 2.5 * pi) / inv;
    EXPECT_NEAR(virtual_teeth, 23.67697, 5e-6);
    EXPECT_NEAR(unit_span * 2, 15.4239, 0.5e-4);
}

// --- Values stored as FLOAT --------------------------------------------------------

TEST_F(CustomCatalogueTest, FloatToleranceIsShownInItsOwnKind)
{
    static const std::vector<Field> kSpc = rangeFields({"e", "h"});
    static const std::vector<Field> kGc = rangeFields({"二十五"}, FieldKind::Float);
    open(&kSpc, {{10.0, 50.0, -0.03, 0.0}}, &kGc, {{10.0, 50.0, 0.03}});
    spur("2", "20");
    series(0, "e", 25);
    calculate();
    // The tolerance as stored (7 digits for a FLOAT); the arithmetic uses the
    // float's exact value.
    EXPECT_EQ(value("齿厚公差："), "0.03");
    EXPECT_EQ(value("齿厚下偏差："), "-0.0599999993294477");
    EXPECT_EQ(value("ZKD 公法线长度下偏差:-"), "0.0282");
}

TEST_F(CustomCatalogueTest, FloatUpperAllowanceIsShownAsTheNumberItIs)
{
    // A is held as a number: its line shows the float's value to 15 digits.
    static const std::vector<Field> kSpc = rangeFields({"e"}, FieldKind::Float);
    static const std::vector<Field> kGc = rangeFields({"二十五"});
    open(&kSpc, {{10.0, 50.0, -0.03}}, &kGc, {{10.0, 50.0, 0.03}});
    spur("2", "20");
    series(0, "e", 0);
    calculate();
    EXPECT_EQ(value("齿厚上偏差："), "-0.0299999993294477");
    EXPECT_EQ(value("ZKD 公法线长度："), "15.2927");
}

// --- Rows that no table has -----------------------------------------------------

struct Missing {
    const char* name;
    double spc_max; // each table has one row [0, max]; d = 40
    double gc_max;
    const char* deviation;
    std::vector<std::string> block; // the lines after the grade line
};
void PrintTo(const Missing& row, std::ostream* os)
{
    *os << row.name;
}

const Missing kMissing[] = {
    {"tolerance_row_missing", 100.0, 30.0, "e",
     {"齿厚上偏差：-0.03", "ZKD 公法线长度：15.2927", "齿厚下偏差：超出表格范围", "齿厚公差：超出表格范围",
      "ZKD 公法线长度下偏差:-超出表格范围"}},
    {"allowance_row_missing", 30.0, 100.0, "e",
     {"齿厚上偏差：超出表格范围", "ZKD 公法线长度：超出表格范围", "齿厚下偏差：超出表格范围", "齿厚公差：0.03",
      "ZKD 公法线长度下偏差:-0.0282"}},
    {"allowance_row_missing_but_no_series", 30.0, 100.0, "",
     {"齿厚下偏差：-0.03", "齿厚公差：0.03", "ZKD 公法线长度下偏差:-0.0282"}},
};

class MissingRow : public CustomCatalogueTest, public ::testing::WithParamInterface<Missing> {};

TEST_P(MissingRow, MarksOnlyTheValuesThatDependOnIt)
{
    const Missing& m = GetParam();
    openRanges({{0.0, m.spc_max, -0.03, 0.0}}, {{0.0, m.gc_max, 0.03}});
    spur("2", "20");
    series(9, m.deviation, 25);
    calculate();
    const std::vector<std::string> lines = reportLines(report());
    ASSERT_GE(lines.size(), 19u);
    EXPECT_EQ(lines[18], "制齿精度依据DIN 3967：9级");
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 19, lines.end()), m.block);
    EXPECT_TRUE(enabled(id::打印按钮));
}

INSTANTIATE_TEST_SUITE_P(Tables, MissingRow, ::testing::ValuesIn(kMissing),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Fields of the wrong kind: the run stops with the runtime's message -------

struct WrongKind {
    const char* name;
    enum Table { AllowanceColumn, ToleranceColumn, RangeBound } table;
    int code;                  // the runtime error code in the message
    std::size_t lines_written; // report lines that stay
};
void PrintTo(const WrongKind& row, std::ostream* os)
{
    *os << row.name;
}

const WrongKind kWrongKinds[] = {
    {"text_in_the_allowance_column", WrongKind::AllowanceColumn, 2, 19},
    {"text_in_the_tolerance_column", WrongKind::ToleranceColumn, 2, 21},
    {"text_in_the_range_bounds", WrongKind::RangeBound, 2, 19},
};

class WrongFieldKind : public CustomCatalogueTest, public ::testing::WithParamInterface<WrongKind> {};

TEST_P(WrongFieldKind, StopsTheRunAndKeepsTheLinesWritten)
{
    const WrongKind& w = GetParam();
    const std::vector<Field> spc = rangeFields({"e"}, w.table == WrongKind::AllowanceColumn ? FieldKind::Text : FieldKind::Double);
    const std::vector<Field> gc = rangeFields({"二十五"}, w.table == WrongKind::ToleranceColumn ? FieldKind::Text : FieldKind::Double);
    if (w.table == WrongKind::RangeBound) {
        // 最小 as a text: the range search itself fails.
        const std::vector<Field> bad = {{"最小", FieldKind::Text}, {"最大", FieldKind::Double}, {"e", FieldKind::Double}};
        open(&bad, {{std::string_view("0"), 100.0, -0.03}}, &gc, {{0.0, 100.0, 0.03}});
    } else {
        const CellValue e = w.table == WrongKind::AllowanceColumn ? CellValue(std::string_view("-0.03")) : CellValue(-0.03);
        const CellValue t = w.table == WrongKind::ToleranceColumn ? CellValue(std::string_view("0.03")) : CellValue(0.03);
        open(&spc, {{0.0, 100.0, e}}, &gc, {{0.0, 100.0, t}});
    }
    ASSERT_TRUE(startup_messages_.empty());
    spur("2", "20");
    series(7, "e", 25);
    calculate();
    const auto messages = takeMessages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].text.find("（错误代码 " + std::to_string(w.code) + "）"), std::string::npos)
        << messages[0].text;
    EXPECT_EQ(messages[0].style, 0x10);
    const std::vector<std::string> lines = reportLines(report());
    EXPECT_EQ(lines.size(), w.lines_written) << report();
    EXPECT_EQ(lines[18], "制齿精度依据DIN 3967：7级");
    EXPECT_FALSE(enabled(id::打印按钮)); // the run never got to the end
}

INSTANTIATE_TEST_SUITE_P(Fields, WrongFieldKind, ::testing::ValuesIn(kWrongKinds),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CustomCatalogueTest, ItemFieldsOfTheWrongKindStopTheLookup)
{
    struct Row {
        const char* name;
        std::vector<Field> fields;
        Rows items;
        int code;
    };
    const Row rows[] = {
        {"form_as_text", itemFields(FieldKind::Double, FieldKind::Text),
         {{std::string_view("X"), 2.0, std::int64_t{20}, std::string_view("1"), std::int64_t{7}}}, 2},
        {"number_as_double", itemFields(FieldKind::Double, FieldKind::Byte, FieldKind::Byte, FieldKind::Double),
         {{1.0, 2.0, std::int64_t{20}, std::int64_t{0}, std::int64_t{7}}}, 5},
    };
    static const std::vector<Field> kSpc = rangeFields({"e"});
    static const std::vector<Field> kGc = rangeFields({"二十五"});
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        open(&kSpc, {{0.0, 100.0, -0.03}}, &kGc, {{0.0, 100.0, 0.03}}, &row.fields, row.items);
        ASSERT_TRUE(startup_messages_.empty());
        spur("3", "17");
        const std::string old = calculate();
        item("X");
        calculate();
        const auto messages = takeMessages();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_NE(messages[0].text.find("（错误代码 " + std::to_string(row.code) + "）"), std::string::npos)
            << messages[0].text;
        EXPECT_EQ(report(), old);
    }
}

// --- Item records that stretch the lookup's rules -----------------------------

struct ItemCase {
    const char* name;
    const char* number;
    const char* module_text; // as written into 模数编辑框
    const char* teeth_text;
    int helical;
    int grade_index;
    const char* grade_line;
};
void PrintTo(const ItemCase& row, std::ostream* os)
{
    *os << row.name;
}

const ItemCase kItemCases[] = {
    {"float_module_in_its_own_kind", "F03", "0.3", "40", 0, -1, "制齿精度：无"},
    {"form_within_slack_is_helical", "H69", "2", "20", 1, 5, "制齿精度依据DIN 3967：6级"},
    {"form_beyond_slack_is_spur", "FAR", "2", "20", 0, 11, "制齿精度依据DIN 3967：12级"},
    {"first_of_equal_numbers", "DUP", "1", "30", 0, 0, "制齿精度依据DIN 3967：1级"},
    {"grade_beyond_the_list", "G13", "1", "30", 0, -1, "制齿精度：无"},
    {"grade_below_one", "GNEG", "1", "30", 0, -1, "制齿精度：无"},
};

class ItemRecord : public CustomCatalogueTest, public ::testing::WithParamInterface<ItemCase> {};

TEST_P(ItemRecord, FillsTheWindowByTheLookupRules)
{
    static const std::vector<Field> kSpc = rangeFields({"e"});
    static const std::vector<Field> kGc = rangeFields({"二十五"});
    static const std::vector<Field> kItems = itemFields(FieldKind::Float, FieldKind::Double, FieldKind::Double);
    using I = std::int64_t;
    open(&kSpc, {{0.0, 1000.0, -0.03}}, &kGc, {{0.0, 1000.0, 0.03}}, &kItems,
         {{std::string_view("F03"), 0.3, I{40}, 0.0, 0.0},
          {std::string_view("H69"), 2.0, I{20}, 1.00000005, 6.9},
          {std::string_view("FAR"), 2.0, I{20}, 1.0000002, 12.0},
          {std::string_view("DUP"), 1.0, I{30}, 0.0, 1.0},
          {std::string_view("DUP"), 5.0, I{50}, 1.0, 9.0},
          {std::string_view("G13"), 1.0, I{30}, 0.0, 13.0},
          {std::string_view("GNEG"), 1.0, I{30}, 0.0, -3.0}});
    ASSERT_TRUE(startup_messages_.empty());
    const ItemCase& c = GetParam();
    item(c.number);
    calculate();
    ASSERT_TRUE(takeMessages().empty());
    EXPECT_EQ(text(id::模数编辑框), c.module_text);
    EXPECT_EQ(text(id::齿数编辑框), c.teeth_text);
    EXPECT_EQ(checked(id::斜齿单选框), c.helical);
    EXPECT_EQ(checked(id::直齿单选框), 1 - c.helical);
    EXPECT_EQ(selection(id::精度组合框), c.grade_index);
    EXPECT_EQ(value("模数："), c.module_text);
    EXPECT_EQ(value("螺旋角："), c.helical ? "19.5283°" : "0°");
    const std::vector<std::string> lines = reportLines(report());
    ASSERT_GE(lines.size(), 19u);
    EXPECT_EQ(lines[18], c.grade_line);
}

INSTANTIATE_TEST_SUITE_P(Records, ItemRecord, ::testing::ValuesIn(kItemCases),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Catalogues that are not there ----------------------------------------------

TEST_F(CustomCatalogueTest, MissingItemCatalogueSaysSoInsteadOfNotFound)
{
    static const std::vector<Field> kSpc = rangeFields({"e"});
    static const std::vector<Field> kGc = rangeFields({"二十五"});
    folder_.write("spc.edb", kSpc, {{0.0, 100.0, -0.03}});
    folder_.write("gc.edb", kGc, {{0.0, 100.0, 0.03}});
    start(folder_.path());
    const auto startup = takeMessages();
    ASSERT_EQ(startup.size(), 1u);
    EXPECT_NE(startup[0].text.find("ZKD.edb"), std::string::npos) << startup[0].text;

    spur("2", "20");
    const std::string old = calculate();
    ASSERT_FALSE(old.empty());
    item("ZKD-S2-20-7");
    calculate();
    const auto messages = takeMessages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].text.find("ZKD.edb"), std::string::npos) << messages[0].text;
    EXPECT_EQ(messages[0].text.find("没有此类齿轮"), std::string::npos);
    EXPECT_EQ(report(), old);
}

TEST_F(CustomCatalogueTest, MissingRangeTablesKeepTheReportShape)
{
    open(nullptr, {}, nullptr, {});
    ASSERT_EQ(startup_messages_.size(), 1u);
    spur("2", "20");
    series(7, "e", 25);
    calculate();
    EXPECT_TRUE(takeMessages().empty());
    EXPECT_EQ(reportLines(report()).size(), 24u) << report();
    EXPECT_EQ(value("公法线长度："), "15.3209");
    EXPECT_EQ(value("齿厚上偏差："), "超出表格范围");
    EXPECT_EQ(value("齿厚公差："), "超出表格范围");
}

} // namespace
} // namespace gearcalc::testing
