// Dimensions over balls, the ball choice and the span's face width, checked
// against a published figure, values computed beforehand in 30-digit
// arithmetic, and a second formulation in long double.
#include "gearcalc/gauging.hpp"

#include "named_rows.hpp"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>
#include <vector>
#include <ostream>
#include <numbers>
#include <string>

namespace {

using namespace gearcalc::inspection;

using named_rows::RowName;

struct Figure {
    const char* name;
    double module, teeth, pressure, helix, ball, allowance;
    double over_balls, radial; // expected, mm
};
NAMED_ROW_PRINTER(Figure)

// Rows marked 30 digits were computed with mpmath from the equations
// written out afresh; the first two are the published figure.
const Figure kFigures[] = {
    {"PublishedSpurEven030", 1, 30, 20, 0, 1.7, -0.030, 32.237984358922, 16.118992179461},
    {"PublishedSpurEven060", 1, 30, 20, 0, 1.7, -0.060, 32.164141933392, 16.082070966696},
    {"SpurEvenNominal", 1, 30, 20, 0, 1.7, 0.0, 32.310811217866, 16.155405608933},
    {"SpurOddM2Z17", 2, 17, 20, 0, 3.5, -0.056, 38.634340199378, 19.392429594064},
    {"SpurOddSmallModule", 0.5, 41, 20, 0, 0.895, -0.042, 21.704802352236, 10.860042096818},
    {"SpurPressureAngle25", 3, 24, 25, 0, 5.25, -0.04, 79.349619274365, 39.674809637182},
    {"HelicalEvenCatalogueAngle", 2, 20, 20, 19.5283, 3.5, -0.03, 47.323551377864, 23.661775688932},
    {"HelicalOdd", 1.5, 31, 20, 15.5, 2.5, -0.06, 51.334598429269, 25.698678918704},
    {"HelicalLargeModule", 20, 25, 20, 12, 35, -0.175, 559.35942004836, 280.19808468664},
    {"HelicalOddLargeModule", 8, 47, 20, 30, 14, -0.075, 453.89877561137, 227.07228415112},
    {"HelicalLeftHand", 2, 20, 20, -19.5283, 3.5, -0.03, 47.323551377864, 23.661775688932},
};

class OverBallsFigures : public testing::TestWithParam<Figure> {};

TEST_P(OverBallsFigures, MatchToTheMicrometreFraction)
{
    const Figure& f = GetParam();
    const Result<Geometry> g = DeriveGeometry({f.module, f.teeth, f.pressure, f.helix});
    ASSERT_TRUE(g) << g.problem();
    const Result<BallPosition> p = OverBalls(g.value(), f.ball, f.allowance);
    ASSERT_TRUE(p) << p.problem();
    EXPECT_NEAR(p->over_balls, f.over_balls, 2e-9);
    EXPECT_NEAR(p->radial, f.radial, 2e-9);
}

INSTANTIATE_TEST_SUITE_P(Figures, OverBallsFigures, testing::ValuesIn(kFigures),
                         RowName());

TEST(OverBalls, PublishedFigureToFourDecimals)
{
    const Result<Geometry> g = DeriveGeometry({1, 30, 20, 0});
    ASSERT_TRUE(g);
    EXPECT_EQ(FourDecimals(OverBalls(g.value(), 1.7, -0.030)->over_balls), "32.2380");
    EXPECT_EQ(FourDecimals(OverBalls(g.value(), 1.7, -0.060)->over_balls), "32.1641");
}

// The second formulation, in long double: the base helix angle from
// tan β_b = tan β cos αt, the ball term over d_b cos β_b, the allowance over
// d cos β, and the centre angle found by bisection instead of Newton's method.
long double secondFormulation(const Figure& f)
{
    using std::atan;
    using std::cos;
    using std::tan;
    const long double pi = std::numbers::pi_v<long double>;
    const long double an = static_cast<long double>(f.pressure) * pi / 180;
    const long double b = std::fabs(static_cast<long double>(f.helix)) * pi / 180;
    const long double z = f.teeth, m = f.module, ball = f.ball, e = f.allowance;
    const long double at = atan(tan(an) / cos(b));
    const long double bb = atan(tan(b) * cos(at));
    const long double d = z * m / cos(b), db = d * cos(at);
    const long double target = tan(at) - at + ball / (db * cos(bb)) - pi / (2 * z) + e / (d * cos(b));
    long double lo = 0, hi = pi / 2 - 1e-12L;
    for (int i = 0; i < 200; ++i) {
        const long double mid = (lo + hi) / 2;
        (tan(mid) - mid < target ? lo : hi) = mid;
    }
    const long double centre = db / cos((lo + hi) / 2);
    const bool even = static_cast<long>(f.teeth) % 2 == 0;
    return (even ? centre : centre * cos(pi / (2 * z))) + ball;
}

TEST_P(OverBallsFigures, AgreeWithSecondFormulation)
{
    const Figure& f = GetParam();
    const Result<Geometry> g = DeriveGeometry({f.module, f.teeth, f.pressure, f.helix});
    ASSERT_TRUE(g);
    const double expected = static_cast<double>(secondFormulation(f));
    EXPECT_NEAR(OverBalls(g.value(), f.ball, f.allowance)->over_balls, expected, 1e-9 * expected);
}

// Spur gears in plane geometry: a circle of diameter D_M around a point of the
// space's centre line at d_M / 2 must have the distance D_M / 2 from the
// involute flank, touching it on d_y.
TEST(OverBalls, SpurBallTouchesTheInvoluteFlank)
{
    const Figure rows[] = {kFigures[0], kFigures[3], kFigures[4], kFigures[5]};
    for (const Figure& f : rows) {
        SCOPED_TRACE(f.name);
        const Geometry g = DeriveGeometry({f.module, f.teeth, f.pressure, 0}).value();
        const BallPosition p = OverBalls(g, f.ball, f.allowance).value();
        const long double rb = g.base_diameter / 2, rc = p.centre_diameter / 2;
        const long double at = g.alpha_t;
        // Half the space width at the base circle.
        const long double eta_b = std::numbers::pi_v<long double> / (2 * g.teeth) -
                                  f.allowance / (f.module * g.teeth) - (std::tan(at) - at);
        auto distance = [&](long double u) {
            const long double r = rb * std::sqrt(1 + u * u), angle = eta_b + u - std::atan(u);
            return std::hypot(r * std::sin(angle), r * std::cos(angle) - rc);
        };
        long double lo = 0, hi = 1.5;
        for (int i = 0; i < 200; ++i) {
            const long double a = lo + (hi - lo) / 3, b = hi - (hi - lo) / 3;
            (distance(a) < distance(b) ? hi : lo) = distance(a) < distance(b) ? b : a;
        }
        const long double u = (lo + hi) / 2;
        EXPECT_NEAR(static_cast<double>(distance(u)), f.ball / 2, 1e-9);
        EXPECT_NEAR(static_cast<double>(2 * rb * std::sqrt(1 + u * u)), p.contact_diameter, 1e-5);
    }
}

struct IdealRow {
    const char* name;
    double module, teeth, pressure, helix;
    double ideal, chosen; // 30-digit ideal diameter, next series size
};
NAMED_ROW_PRINTER(IdealRow)

const IdealRow kIdeal[] = {
    {"SpurEvenM1Z30", 1, 30, 20, 0, 1.70567127528, 1.75},
    {"SpurOddM2Z17", 2, 17, 20, 0, 3.4697849235, 3.5},
    {"SpurSmallModule", 0.5, 41, 20, 0, 0.84804375037, 0.895},
    {"SpurPressureAngle25", 3, 24, 25, 0, 5.37114360194, 5.5},
    {"HelicalCatalogueAngle", 2, 20, 20, 19.5283, 3.42994046869, 3.5},
    {"HelicalOdd", 1.5, 31, 20, 15.5, 2.5511987918, 3.0},
    {"HelicalLargeModule", 20, 25, 20, 12, 34.2027311605, 35.0},
};

class BallChoice : public testing::TestWithParam<IdealRow> {};

TEST_P(BallChoice, IdealBallTouchesOnThePitchCircleAndSeriesSizeIsNextLarger)
{
    const IdealRow& r = GetParam();
    const Geometry g = DeriveGeometry({r.module, r.teeth, r.pressure, r.helix}).value();
    const double ideal = IdealBallDiameter(g);
    EXPECT_NEAR(ideal, r.ideal, 1e-9 * r.ideal);
    EXPECT_NEAR(OverBalls(g, ideal, 0.0)->contact_diameter, g.pitch_diameter, 1e-9 * g.pitch_diameter);

    const Result<Sheet> sheet = Inspect({r.module, r.teeth, r.pressure, r.helix}, {});
    ASSERT_TRUE(sheet) << sheet.problem();
    EXPECT_TRUE(sheet->ball_chosen);
    EXPECT_EQ(sheet->ball_diameter, r.chosen);
    // The larger ball touches a little above the pitch circle, within the
    // 0.5 m_n the measuring-ball standard allows.
    const double lift = (sheet->nominal.contact_diameter - g.pitch_diameter) / 2;
    EXPECT_GE(lift, 0.0);
    EXPECT_LE(lift, 0.5 * r.module);
}

INSTANTIATE_TEST_SUITE_P(Gears, BallChoice, testing::ValuesIn(kIdeal),
                         RowName());

TEST(MeasuringBallSeries, NextSizeAtAndBetweenTheSizes)
{
    const auto series = MeasuringBallSeries();
    ASSERT_EQ(series.size(), 55u);
    EXPECT_EQ(series.front(), 0.17);
    EXPECT_EQ(series.back(), 50.0);
    EXPECT_EQ(NextSeriesBall(3.5).value(), 3.5);
    EXPECT_EQ(NextSeriesBall(3.5 * (1 + 1e-12)).value(), 3.5);
    EXPECT_EQ(NextSeriesBall(3.5 * (1 + 1e-6)).value(), 3.75);
    EXPECT_EQ(NextSeriesBall(6.475).value(), 6.5);
    EXPECT_EQ(NextSeriesBall(0.01).value(), 0.17);
    const Result<double> beyond = NextSeriesBall(50.5);
    ASSERT_FALSE(beyond);
    EXPECT_NE(beyond.problem().find("largest measuring ball"), std::string::npos);
}

struct BadInput {
    const char* name;
    Gear gear;
    std::optional<double> ball;
    double allowance, tolerance;
    const char* says;
};
NAMED_ROW_PRINTER(BadInput)

const BadInput kBad[] = {
    {"ModuleZero", {0, 20, 20, 0}, 3.5, 0, 0, "module must be a positive number"},
    {"ModuleNotANumber", {NAN, 20, 20, 0}, 3.5, 0, 0, "module must be a positive number"},
    {"TeethFraction", {2, 20.5, 20, 0}, 3.5, 0, 0, "whole number from 3"},
    {"TeethTwo", {2, 2, 20, 0}, 3.5, 0, 0, "whole number from 3"},
    {"TeethNegative", {2, -20, 20, 0}, 3.5, 0, 0, "whole number from 3"},
    {"PressureAngleZero", {2, 20, 0, 0}, 3.5, 0, 0, "pressure angle must lie between 0 and 90"},
    {"PressureAngleRight", {2, 20, 90, 0}, 3.5, 0, 0, "pressure angle must lie between 0 and 90"},
    {"HelixAngleRight", {2, 20, 20, 90}, 3.5, 0, 0, "helix angle must lie between -90 and 90"},
    {"BallZero", {2, 20, 20, 0}, 0.0, 0, 0, "ball diameter must be a positive number"},
    {"BallSinksBelowBaseCircle", {2, 20, 20, 0}, 0.5, 0, 0, "too small"},
    {"BallRestsOnTheTips", {2, 20, 20, 0}, 12.0, 0, 0, "too large"},
    {"BallAtLowerAllowanceBelowBaseCircle", {2, 20, 20, 0}, 2.45, -0.05, 0.15, "at the lower allowance"},
    {"NoSeriesBallForHugeModule", {40, 30, 20, 0}, std::nullopt, 0, 0, "larger than the largest measuring ball"},
};

class BadInputs : public testing::TestWithParam<BadInput> {};

TEST_P(BadInputs, FailWithAMessageInsteadOfANumber)
{
    const BadInput& b = GetParam();
    Request request;
    request.ball_diameter = b.ball;
    if (b.allowance != 0) request.upper_allowance = b.allowance;
    if (b.tolerance != 0) request.tolerance = b.tolerance;
    const Result<Sheet> sheet = Inspect(b.gear, request);
    ASSERT_FALSE(sheet);
    EXPECT_NE(sheet.problem().find(b.says), std::string::npos) << sheet.problem();
}

INSTANTIATE_TEST_SUITE_P(Inputs, BadInputs, testing::ValuesIn(kBad),
                         RowName());

TEST(InspectionSheet, AllowancesGiveTheMakersForm)
{
    Request request;
    request.ball_diameter = 1.7;
    request.upper_allowance = -0.030;
    request.tolerance = 0.030;
    const Result<Sheet> s = Inspect({1, 30, 20, 0}, request);
    ASSERT_TRUE(s) << s.problem();
    EXPECT_FALSE(s->ball_chosen);
    EXPECT_TRUE(s->pins_apply);
    EXPECT_NEAR(s->nominal.over_balls, 32.310811217866, 1e-9);
    EXPECT_NEAR(s->upper->over_balls, 32.237984358922, 1e-9);
    EXPECT_NEAR(s->lower->over_balls, 32.164141933392, 1e-9);
    EXPECT_EQ(FourDecimals(*s->maker_over_balls), "32.2380");
    EXPECT_EQ(FourDecimals(*s->maker_lower_deviation), "0.0738"); // 0.073842... below the dimension at A
}

TEST(InspectionSheet, ToleranceWithoutDeviationSeriesMeasuresFromTheNominal)
{
    Request request;
    request.ball_diameter = 1.7;
    request.tolerance = 0.060;
    const Result<Sheet> s = Inspect({1, 30, 20, 0}, request);
    ASSERT_TRUE(s);
    EXPECT_FALSE(s->upper);
    EXPECT_FALSE(s->maker_over_balls);
    EXPECT_NEAR(s->lower->over_balls, 32.164141933392, 1e-9);
    EXPECT_EQ(FourDecimals(*s->maker_lower_deviation), "0.1467");
}

TEST(InspectionSheet, HelicalGearsTakeBallsOnly)
{
    const Result<Sheet> s = Inspect({2, 20, 20, 19.5283}, {});
    ASSERT_TRUE(s);
    EXPECT_FALSE(s->pins_apply);
}

struct SpanRow {
    const char* name;
    Gear gear;
    double span, face_width;
    double needed;
    bool measurable;
};
NAMED_ROW_PRINTER(SpanRow)

// b_min = W sin β_b + (1.2 + 0.018 W) cos β_b; the catalogue's helix angle
// 19.5283° with αn = 20° needs 6.2477 mm for W = 15.4239
const SpanRow kSpans[] = {
    {"SpurNeedsOnlyTheContactLine", {2, 20, 20, 0}, 15.3209, 1.5, 1.4757762, true},
    {"SpurTooNarrowForTheAnvils", {2, 20, 20, 0}, 15.3209, 1.4, 1.4757762, false},
    {"HelicalWideEnough", {2, 20, 20, 19.5283}, 15.4239, 6.5, 6.2476932, true},
    {"HelicalTooNarrow", {2, 20, 20, 19.5283}, 15.4239, 6.0, 6.2476932, false},
};

class SpanWidth : public testing::TestWithParam<SpanRow> {};

TEST_P(SpanWidth, NeedsSpanTimesSinBaseHelixPlusContactLine)
{
    const SpanRow& r = GetParam();
    Request request;
    request.span = r.span;
    request.face_width = r.face_width;
    const Result<Sheet> s = Inspect(r.gear, request);
    ASSERT_TRUE(s) << s.problem();
    ASSERT_TRUE(s->span);
    EXPECT_NEAR(s->span->needed_face_width, r.needed, 1e-6);
    EXPECT_EQ(s->span->measurable, r.measurable);
}

INSTANTIATE_TEST_SUITE_P(Widths, SpanWidth, testing::ValuesIn(kSpans),
                         RowName());

TEST(FourDecimals, RoundsHalvesAwayFromZeroOnTheDecimalForm)
{
    EXPECT_EQ(FourDecimals(2.00005), "2.0001");
    EXPECT_EQ(FourDecimals(-2.00005), "-2.0001");
    EXPECT_EQ(FourDecimals(1.23454999), "1.2345");
    EXPECT_EQ(FourDecimals(40.0), "40.0000");
    EXPECT_EQ(FourDecimals(-0.00004), "0.0000");
    EXPECT_EQ(FourDecimals(559.35942004836), "559.3594");
    EXPECT_EQ(RoundTo4(15.22691), 15.2269);
}

// The rounding written out the long way: the 15-digit decimal form as text,
// the digits beyond the fourth decimal cut off with integer arithmetic, and
// the result read back from text and printed with to_chars.
double referenceRoundTo4(double x)
{
    if (!std::isfinite(x)) return x;
    char buf[40];
    const auto r = std::to_chars(buf, buf + sizeof buf, std::fabs(x), std::chars_format::scientific, 14);
    const std::string text(buf, r.ptr);
    const std::size_t e = text.find('e');
    long long mantissa = 0;
    for (char c : text.substr(0, e))
        if (c != '.') mantissa = mantissa * 10 + (c - '0');
    const int drop = 14 - std::atoi(text.c_str() + e + 1) - 4;
    if (drop <= 0) return x;
    if (drop > 15) return 0.0;
    long long unit = 1;
    for (int i = 0; i < drop; ++i) unit *= 10;
    long long kept = mantissa / unit;
    if ((mantissa % unit) * 2 >= unit) ++kept;
    if (kept == 0) return 0.0;
    const double y = std::strtod((std::to_string(kept) + "e-4").c_str(), nullptr);
    return x < 0.0 ? -y : y;
}

std::string referenceFourDecimals(double x)
{
    const double rounded = referenceRoundTo4(x);
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, rounded == 0.0 ? 0.0 : rounded, std::chars_format::fixed, 4);
    if (r.ec != std::errc()) r = std::to_chars(buf, buf + sizeof buf, rounded); // past 60 digits: the short form
    return std::string(buf, r.ptr);
}

TEST(FourDecimals, AgreesWithTheLongWayOnManyValues)
{
    std::vector<double> values = {0.0, -0.0, 0.00005, -0.00005, 0.000049999, 9999999999.99995, 1e10, -1e10,
                                  1.5e10, 123456789012.34567, 1e-300, 5e-324, 1e300, -1e300,
                                  std::numeric_limits<double>::infinity(), std::nan("")};
    std::mt19937_64 rng(1328);
    std::uniform_real_distribution<double> exponent(-9.0, 12.0);
    std::uniform_int_distribution<long long> decimal(-99999999999, 99999999999);
    for (int i = 0; i < 100000; ++i) {
        const double magnitude = std::pow(10.0, exponent(rng));
        values.push_back(i % 2 == 0 ? magnitude : -magnitude);
        // Decimals with five places, halves at the fifth among them.
        const double fifth = static_cast<double>(decimal(rng)) / 1e5;
        values.insert(values.end(), {fifth, std::nextafter(fifth, 0.0), std::nextafter(fifth, 1e300)});
    }
    for (const double x : values) {
        const double rounded = RoundTo4(x);
        const double reference = referenceRoundTo4(x);
        ASSERT_TRUE(rounded == reference || (std::isnan(rounded) && std::isnan(reference))) << x;
        ASSERT_EQ(FourDecimals(x), referenceFourDecimals(x)) << x;
    }
}

} // namespace
