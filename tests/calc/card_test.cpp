// The inspection card: the drawing in involute geometry (the ball touches
// both flanks, the anvils touch the measured flanks at the report's span),
// the report read back from its text, and the page: every text at its
// place, every line on the paper, the table's cells and the hook rows.
#include "gearcalc/card.hpp"

#include "named_rows.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>
#include <string>

namespace {

using namespace gearcalc;
using namespace gearcalc::card;
using named_rows::RowName;

std::string_view cardText(card_text::Id id)
{
    static const std::vector<std::string_view> texts = card_text::definitions();
    return texts.at(id - card_text::kFirst);
}

struct Drawn {
    const char* name;
    double module, teeth, pressure, helix;
    double span; // the report's W, mm
    int k;       // the report's k
};
NAMED_ROW_PRINTER(Drawn)

// W and k as the report gives them for these gears.
const Drawn kGears[] = {
    {"SpurEvenM2Z20", 2, 20, 20, 0, 15.3209, 3},
    {"SpurOddM1Z17", 1, 17, 20, 0, 4.6663, 2},
    {"SpurManyTeethM3Z120", 3, 120, 20, 0, 124.6033, 14},
    {"SpurFewTeethM4Z9", 4, 9, 20, 0, 18.217, 2},
    {"SpurPressureAngle25M5Z31", 5, 31, 25, 0, 68.274, 5},
    {"HelicalCatalogueM2Z20", 2, 20, 20, 19.5283, 15.4239, 3},
    {"HelicalOddM1_5Z31", 1.5, 31, 20, 15.5, 16.2225, 4},
    {"HelicalLargeM20Z25", 20, 25, 20, 12, 155.0651, 3},
    {"HelicalSteepM3Z47", 3, 47, 20, 30, 69.3927, 8},
};

class CardDrawing : public testing::TestWithParam<Drawn> {
protected:
    inspection::Geometry geometry() const
    {
        const Drawn& d = GetParam();
        const auto g = inspection::DeriveGeometry({d.module, d.teeth, d.pressure, d.helix});
        EXPECT_TRUE(g) << g.problem();
        return g.value();
    }
};

TEST_P(CardDrawing, BallTouchesBothFlanksWithinAPenWidth)
{
    const inspection::Geometry g = geometry();
    const auto ball = inspection::NextSeriesBall(inspection::IdealBallDiameter(g));
    ASSERT_TRUE(ball);
    const auto at = inspection::OverBalls(g, ball.value(), 0.0);
    ASSERT_TRUE(at) << at.problem();
    const BallDrawing d = DrawBalls(g, at.value(), 200, 1900, 1000, 2600);
    ASSERT_EQ(d.ball_centres.size(), 2u);
    ASSERT_EQ(d.outline.size(), 1u);
    for (const Point& c : d.ball_centres) {
        // The nearest flank point on each side of the ball centre.
        double left = INFINITY, right = INFINITY;
        for (std::size_t i = 0; i + 1 < d.outline[0].size(); ++i) {
            const Polyline seg{d.outline[0][i], d.outline[0][i + 1]};
            const double dist = DistanceTo(seg, c);
            // Points of the outline left or right of the ball centre, in the
            // direction across the space (the drawing's x is near that).
            if (d.outline[0][i].x < c.x) left = std::min(left, dist);
            else right = std::min(right, dist);
        }
        // Never into the teeth; on the flanks within a pen width. A helical
        // gear's ball touches them outside the transverse section drawn, so
        // a steep helix leaves a visible clearance there (the card says so).
        for (double gap : {left - d.ball_radius, right - d.ball_radius}) {
            EXPECT_GE(gap, -CardFrame::kPen) << "scale " << d.scale;
            if (std::fabs(GetParam().helix) <= 20.0) EXPECT_LE(gap, CardFrame::kPen) << "scale " << d.scale;
            else EXPECT_LE(gap, 0.15 * d.ball_radius) << "scale " << d.scale; // 30°: 13 % of the radius
        }
    }
    // Drawn at a standard scale that fills much of the box.
    EXPECT_EQ(StandardScale(d.scale), d.scale);
}

TEST_P(CardDrawing, AnvilsTouchTheOuterFlanksAtTheReportsSpan)
{
    const Drawn& row = GetParam();
    const inspection::Geometry g = geometry();
    const SpanDrawing d = DrawSpan(g, row.k, 1100, 1900, 1900, 2600);
    ASSERT_EQ(d.contacts.size(), 2u);
    ASSERT_EQ(d.outline.size(), 1u);
    for (const Point& c : d.contacts) EXPECT_LE(DistanceTo(d.outline[0], c), CardFrame::kPen);
    // The transverse distance of the planes is W / cos β_b; the report's W
    // of a helical gear comes from the virtual number of teeth, a close
    // approximation.
    const double normal_span = d.transverse_span * std::cos(g.beta_b);
    EXPECT_NEAR(normal_span, row.span, g.helical() ? 2e-3 * row.span : 1e-3);
    // The anvils are perpendicular to the common normal.
    EXPECT_NEAR(d.anvils[0].front().x, d.anvils[0].back().x, 1e-9);
    EXPECT_NEAR(d.normal.front().y, d.normal.back().y, 1e-9);
}

TEST_P(CardDrawing, ToothThicknessAtThePitchCircleIsHalfAPitch)
{
    const inspection::Geometry g = geometry();
    EXPECT_NEAR(HalfToothAngle(g, g.pitch_diameter / 2.0), std::numbers::pi / (2.0 * g.teeth), 1e-12);
    // The involute's own property: at radius r the flank has turned by
    // inv αr = tan αr − αr from its base point.
    const double r = (g.pitch_diameter + g.tip_diameter) / 4.0;
    const double a = std::acos(g.base_diameter / 2.0 / r);
    EXPECT_NEAR(HalfToothAngle(g, g.base_diameter / 2.0) - HalfToothAngle(g, r), std::tan(a) - a, 1e-12);
}

TEST_P(CardDrawing, SpanOutlineIsSymmetricAboutTheAxisBetweenTheAnvils)
{
    // The teeth stand symmetric about the y axis, so the outline mirrors
    // itself point for point, ends included: a point meant to lie on a bound
    // of the window is kept whichever way its last bits went.
    const SpanDrawing d = DrawSpan(geometry(), GetParam().k, 1100, 1900, 1900, 2600);
    ASSERT_EQ(d.outline.size(), 1u);
    const Polyline& o = d.outline[0];
    ASSERT_GT(o.size(), 20u);
    const double axis = (d.contacts[0].x + d.contacts[1].x) / 2.0;
    for (std::size_t i = 0; i < o.size(); ++i) {
        const Point& a = o[i];
        const Point& b = o[o.size() - 1 - i];
        ASSERT_NEAR(a.x - axis, axis - b.x, 2e-3) << i;
        ASSERT_NEAR(a.y, b.y, 2e-3) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Gears, CardDrawing, testing::ValuesIn(kGears), RowName());

TEST(CardScale, StandardScalesAndTheirText)
{
    const std::pair<double, double> fits[] = {{7.3, 5}, {5.0, 5}, {1.99, 1}, {0.7, 0.5}, {0.03, 0.02}, {250, 100}};
    for (const auto& [fit, scale] : fits) EXPECT_EQ(StandardScale(fit), scale) << fit;
    EXPECT_EQ(ScaleText(5), "5 : 1");
    EXPECT_EQ(ScaleText(1), "1 : 1");
    EXPECT_EQ(ScaleText(0.2), "1 : 5");
}

ReportLabels labels()
{
    ReportLabels l;
    l.module = "\r\n模数：";
    l.teeth = "\r\n齿数：";
    l.pressure_angle = "\r\n压力角：";
    l.helix_angle = "\r\n螺旋角：";
    l.degree = "°";
    l.pitch_diameter = "\r\n分度圆直径：";
    l.tip_diameter = "\r\n齿顶圆直径：";
    l.root_diameter = "\r\n齿根圆直径：";
    l.base_diameter = "\r\n基圆直径：";
    l.span = "\r\n公法线长度：";
    l.teeth_spanned = "\r\n公法线跨齿数：";
    l.grade = "\r\n制齿精度依据DIN 3967：";
    l.grade_suffix = "级";
    l.no_grade = "\r\n制齿精度：无";
    l.upper_deviation = "\r\n齿厚上偏差：";
    l.maker_span = "\r\nZKD 公法线长度：";
    l.lower_deviation = "\r\n齿厚下偏差：";
    l.tolerance = "\r\n齿厚公差：";
    l.maker_lower_deviation = "\r\nZKD 公法线长度下偏差:-";
    return l;
}

// The report of m 2, z 20, spur, grade 7, series e / 25 as the window writes it.
const char kReport[] = "**齿轮基本信息**\r\n模数：2\r\n齿数：20\r\n压力角：20°\r\n螺旋角：0°\r\n\r\n**计算结果**"
                       "\r\n分度圆直径：40\r\n齿顶圆直径：44\r\n齿根圆直径：35\r\n基圆直径：37.5877\r\n齿顶高：2"
                       "\r\n齿根高：2.5\r\n全齿高：4.5\r\n公法线长度：15.3954\r\n公法线跨齿数：3"
                       "\r\n\r\n**齿轮精度参数**\r\n制齿精度依据DIN 3967：7级\r\n齿厚上偏差：-0.048"
                       "\r\nZKD 公法线长度：15.3503\r\n齿厚下偏差：-0.088\r\n齿厚公差：0.04"
                       "\r\nZKD 公法线长度下偏差:-0.0376";

TEST(CardReport, ReadsEveryValueByItsLabel)
{
    const ReportValues v = ReadReport(kReport, labels());
    const std::pair<const std::optional<std::string>*, const char*> expected[] = {
        {&v.module, "2"},          {&v.teeth, "20"},         {&v.pressure_angle, "20"},    {&v.helix_angle, "0"},
        {&v.pitch_diameter, "40"}, {&v.tip_diameter, "44"}, {&v.root_diameter, "35"},     {&v.base_diameter, "37.5877"},
        {&v.span, "15.3954"},      {&v.teeth_spanned, "3"}, {&v.grade, "7"},              {&v.upper_deviation, "-0.048"},
        {&v.maker_span, "15.3503"}, {&v.lower_deviation, "-0.088"}, {&v.tolerance, "0.04"},
        {&v.maker_lower_deviation, "0.0376"},
    };
    for (const auto& [value, text] : expected) {
        ASSERT_TRUE(value->has_value()) << text;
        EXPECT_EQ(**value, text);
    }
    const CardData card = FromReport(v);
    EXPECT_EQ(card.grade, 7);
    ASSERT_TRUE(card.span_lower);
    EXPECT_EQ(inspection::FourDecimals(*card.span_lower), "15.3127");
    ASSERT_TRUE(card.sheet);
    ASSERT_TRUE(card.sheet->upper && card.sheet->lower);
    EXPECT_FALSE(card.ball_problem);
    EXPECT_FALSE(card.outside_tables);
}

TEST(CardReport, NoGradeAndOutsideTheTablesLeaveLimitsOut)
{
    std::string report = kReport;
    report.replace(report.find("制齿精度依据DIN 3967：7级"), std::string("制齿精度依据DIN 3967：7级").size(),
                   "制齿精度：无");
    report.replace(report.find("-0.048"), 6, "超出表格范围");
    const CardData card = FromReport(ReadReport(report, labels()));
    EXPECT_FALSE(card.grade);
    EXPECT_TRUE(card.outside_tables);
    ASSERT_TRUE(card.sheet);
    EXPECT_FALSE(card.sheet->lower); // A − T needs A
    EXPECT_FALSE(IsoClassApplies(card.grade));
    // A report that is no report: nothing computed, nothing made up.
    const CardData empty = FromReport(ReadReport("", labels()));
    EXPECT_TRUE(empty.ball_problem);
    EXPECT_FALSE(empty.sheet);
}

// The card's commands, and the texts at their places.
struct Laid {
    std::vector<PrintCommand> commands;
    std::map<std::string, std::pair<int, int>> at; // first place of each text
    explicit Laid(const CardData& card) : commands(LayoutCard(card, cardText))
    {
        for (const PrintCommand& c : commands)
            if (c.kind == PrintCommand::Kind::Text) at.emplace(c.text, std::pair{c.x, c.y});
    }
    bool has(const std::string& text) const { return at.count(text) != 0; }
    // The column of the table a text stands in (-1 outside the table).
    int column(const std::string& text) const
    {
        const auto it = at.find(text);
        if (it == at.end()) return -2;
        for (int c = 0; c < 6; ++c)
            if (it->second.first > CardFrame::kColumns[c] && it->second.first < CardFrame::kColumns[c + 1]) return c;
        return -1;
    }
};

CardData sampleCard()
{
    CardData card = FromReport(ReadReport(kReport, labels()));
    card.item = "ZKD-1002";
    card.deviation_series = "e";
    card.tolerance_series = "25";
    card.catalogues = {"spc.edb", "gc.edb", "ZKD.edb"};
    return card;
}

TEST(CardPage, EveryTextAtItsPlaceAndEveryLineOnThePaper)
{
    const Laid laid(sampleCard());
    ASSERT_TRUE(laid.has("ZKD-KESTAL 齿轮检测卡"));
    EXPECT_EQ(laid.at.at("ZKD-KESTAL 齿轮检测卡"), (std::pair{CardFrame::kLeft, CardFrame::kTitleY}));
    EXPECT_TRUE(laid.has("货号：ZKD-1002"));
    for (const char* text : {"模数 m = 2 mm", "齿数 z = 20", "压力角 α = 20°", "螺旋角 β = 0°", "分度圆 d = 40 mm",
                             "齿顶圆 d_a = 44 mm", "齿根圆 d_f = 35 mm", "基圆 d_b = 37.5877 mm",
                             "精度（DIN 3967）：7 级", "齿厚偏差 / 公差系列：e / 25"})
        EXPECT_TRUE(laid.has(text)) << text;
    // The header row, in its columns, on the table's first row.
    const char* heads[] = {"检测项目", "量具", "名义值", "上限", "下限", "实测"};
    for (int c = 0; c < 6; ++c) {
        EXPECT_EQ(laid.column(heads[c]), c) << heads[c];
        EXPECT_EQ(laid.at.at(heads[c]).second, CardFrame::kTableTop + 24);
    }
    // The span row: the report's W, the maker's span and its lower limit.
    EXPECT_EQ(laid.column("公法线长度 W（k = 3）"), 0);
    EXPECT_EQ(laid.column("15.3954"), 2);
    EXPECT_EQ(laid.column("15.3503"), 3);
    EXPECT_EQ(laid.column("15.3127"), 4);
    // Footer: version and catalogue files.
    EXPECT_TRUE(laid.has("目录文件：spc.edb、gc.edb、ZKD.edb"));
    EXPECT_EQ(laid.at.at(std::string(cardText(card_text::kVersion))).second, CardFrame::kFooterY);

    int lines = 0;
    for (const PrintCommand& c : laid.commands) {
        if (c.kind == PrintCommand::Kind::Text) {
            EXPECT_GE(c.x, 100) << c.text;
            EXPECT_LT(c.x, kPageWidth - 300) << c.text;
            EXPECT_GE(c.y, 100) << c.text;
            EXPECT_LT(c.y, kPageHeight - 120) << c.text;
            continue;
        }
        ++lines;
        ASSERT_GE(c.points.size(), 2u);
        for (const Point& p : c.points) {
            EXPECT_GE(p.x, CardFrame::kLeft - 1e-6);
            EXPECT_LE(p.x, CardFrame::kRight + 1e-6);
            EXPECT_GE(p.y, 100.0);
            EXPECT_LE(p.y, kPageHeight - 100.0);
            // On the page grid, so no system's last bits show on the page.
            EXPECT_EQ(p.x, OnPageGrid(p.x));
            EXPECT_EQ(p.y, OnPageGrid(p.y));
        }
    }
    EXPECT_GT(lines, 20);
}

TEST(CardPage, BallRowShowsTheSeriesBallAndItsLimits)
{
    const CardData card = sampleCard();
    const Laid laid(card);
    ASSERT_TRUE(card.sheet);
    const inspection::Sheet& s = *card.sheet;
    EXPECT_EQ(laid.column("跨球尺寸 M_dK"), 0);
    EXPECT_EQ(laid.column(inspection::FourDecimals(s.nominal.over_balls)), 2);
    EXPECT_EQ(laid.column(inspection::FourDecimals(s.upper->over_balls)), 3);
    EXPECT_EQ(laid.column(inspection::FourDecimals(s.lower->over_balls)), 4);
    EXPECT_LT(s.lower->over_balls, s.upper->over_balls);
    EXPECT_LT(s.upper->over_balls, s.nominal.over_balls);
}

TEST(CardPage, HookRowsShowDashesUntilFilledAndTheirValuesAfter)
{
    CardData card = sampleCard();
    {
        const Laid laid(card);
        EXPECT_TRUE(laid.has("弦齿厚 s（弦齿高 h = —）"));
        EXPECT_TRUE(laid.has("ISO 1328-1:2013 公差等级 7（μm）"));
        EXPECT_TRUE(laid.has(std::string(cardText(card_text::kIsoHelixNote))));
        EXPECT_FALSE(laid.has(std::string(cardText(card_text::kIsoNoClass))));
    }
    card.chordal = ChordalThickness{3.1403, 2.0617, 3.1403 - 0.048, 2.05, 3.1403 - 0.088, 2.04};
    card.iso = IsoTolerances{7, "12", "38", "10", "11", "15", "34"};
    const Laid laid(card);
    EXPECT_EQ(laid.column("弦齿厚 s（弦齿高 h = 2.0617）"), 0);
    EXPECT_EQ(laid.column("3.1403"), 2);
    EXPECT_EQ(laid.column("3.0923"), 3);
    EXPECT_EQ(laid.column("3.0523"), 4);
    EXPECT_EQ(laid.column("+12"), 3); // fpT, a signed deviation
    EXPECT_EQ(laid.column("−12"), 4);
    EXPECT_EQ(laid.column("38"), 3);  // FpT
    EXPECT_EQ(laid.column("34"), 3);  // FrT
}

TEST(CardPage, GradeOutsideTheIsoClassesGetsANoteInsteadOfRows)
{
    CardData card = sampleCard();
    card.grade = 12;
    const Laid laid(card);
    EXPECT_TRUE(laid.has(std::string(cardText(card_text::kIsoNoClass))));
    EXPECT_FALSE(laid.has("单个齿距偏差 fpT"));
    card.grade = 11;
    EXPECT_TRUE(Laid(card).has("单个齿距偏差 fpT"));
}

} // namespace

// The card's chordal and ISO rows carry the same figures as the command
// line's test dimensions and --iso-class for the same gear.
TEST(CardData, InspectionExtrasMatchTheCommandLinesFigures)
{
    ReportValues spur;
    spur.module = "10";
    spur.teeth = "12";
    spur.pressure_angle = "20";
    spur.helix_angle = "0";
    CardData plain = FromReport(spur);
    FillInspectionExtras(plain);
    ASSERT_TRUE(plain.chordal);
    EXPECT_DOUBLE_EQ(plain.chordal->thickness, 15.6631);
    EXPECT_DOUBLE_EQ(plain.chordal->height, 10.5133);
    EXPECT_FALSE(plain.chordal->thickness_upper); // no allowances in the report
    EXPECT_FALSE(plain.iso);                      // and no grade

    ReportValues graded = spur;
    graded.module = "3";
    graded.teeth = "40";
    graded.grade = "6";
    graded.upper_deviation = "-0.03";
    graded.tolerance = "0.03";
    CardData card = FromReport(graded);
    FillInspectionExtras(card);
    ASSERT_TRUE(card.chordal && card.chordal->thickness_upper && card.chordal->thickness_lower);
    EXPECT_LT(*card.chordal->thickness_lower, *card.chordal->thickness_upper);
    EXPECT_LT(*card.chordal->thickness_upper, card.chordal->thickness);
    ASSERT_TRUE(card.iso);
    EXPECT_EQ(card.iso->tolerance_class, 6);
    EXPECT_EQ(card.iso->fpT, "9.0");
    EXPECT_EQ(card.iso->FpT, "29");
    EXPECT_EQ(card.iso->FaT, "12");

    graded.grade = "12"; // beyond the standard's classes: no ISO rows
    CardData beyond = FromReport(graded);
    FillInspectionExtras(beyond);
    EXPECT_FALSE(beyond.iso);
    EXPECT_TRUE(beyond.chordal);
}
