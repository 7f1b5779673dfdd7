// The test dimensions at the edges of the number range: huge balls, tiny and
// huge modules, extreme angles. Every input ends with a number or a message
// (a search that does not end shows as the test's timeout), and the message
// for a ball names the right side: too small below the fitting range, too
// large above it.
#include "gearcalc/gauging.hpp"

#include "bounded_root.hpp"
#include "named_rows.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace {

using namespace gearcalc::inspection;

using named_rows::RowName;

struct Extreme {
    const char* name;
    Gear gear;
    std::optional<double> ball;
    const char* says; // nullptr: a finite dimension
};
NAMED_ROW_PRINTER(Extreme)

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kSmallest = std::numeric_limits<double>::denorm_min();

const Extreme kExtremes[] = {
    {"BallOf1e12", {2, 20, 20, 0}, 1e12, "too large: it would touch the teeth above the tip circle"},
    {"BallOf1e15Helical", {2, 20, 20, 19.5283}, 1e15, "too large"},
    {"BallOf1e20", {2, 20, 20, 0}, 1e20, "too large"},
    {"BallOf1e300", {2, 20, 20, 0}, 1e300, "far too large"},
    {"LargestBall", {2, 20, 20, 0}, std::numeric_limits<double>::max(), "far too large"},
    {"InfiniteBall", {2, 20, 20, 0}, kInf, "ball diameter must be a positive number"},
    {"SmallestBall", {2, 20, 20, 0}, kSmallest, "too small"},
    {"SeriesBallOnModuleTenToMinus10", {1e-10, 20, 20, 0}, std::nullopt, "too large"},
    {"SeriesBallOnModuleTenToMinus20", {1e-20, 20, 20, 0}, std::nullopt, "too large"},
    {"SeriesBallOnModuleTenToMinus300", {1e-300, 20, 20, 0}, std::nullopt, "far too large"},
    {"SeriesBallOnSmallestModule", {kSmallest, 20, 20, 0}, std::nullopt, "far too large"},
    {"FittingBallOnModuleTenToMinus20", {1e-20, 20, 20, 0}, 1.7e-20, nullptr},
    {"FittingBallOnModule1e200", {1e200, 100000, 20, 30}, 1.8e200, nullptr},
    {"ModuleBeyondTheRange", {1e305, 100000, 20, 0}, 1.0, "beyond the range of numbers"},
    {"PressureAngleAlmostRight", {2, 3, 89.999999, 0}, std::nullopt, "no measuring ball fits this gear"},
    {"HelixAngleAlmostRight", {2, 20, 20, 89.999999}, std::nullopt, "largest measuring ball"},
};

class Extremes : public testing::TestWithParam<Extreme> {};

TEST_P(Extremes, EndWithANumberOrTheRightMessage)
{
    const Extreme& e = GetParam();
    Request request;
    request.ball_diameter = e.ball;
    const Result<Sheet> sheet = Inspect(e.gear, request);
    if (!e.says) {
        ASSERT_TRUE(sheet) << sheet.problem();
        EXPECT_TRUE(std::isfinite(sheet->nominal.over_balls));
        EXPECT_GT(sheet->nominal.over_balls, sheet->ball_diameter);
        return;
    }
    ASSERT_FALSE(sheet);
    EXPECT_NE(sheet.problem().find(e.says), std::string::npos) << sheet.problem();
    // A diameter in a message is never shown as a bare 0 for a tiny gear.
    EXPECT_EQ(sheet.problem().find("(at 0 mm"), std::string::npos) << sheet.problem();
}

INSTANTIATE_TEST_SUITE_P(Inputs, Extremes, testing::ValuesIn(kExtremes), RowName());

// From a ball far too small to one far too large, the outcome for one gear
// runs through "too small", then dimensions, then "too large", never back:
// a huge ball that reads as too small (cancellation in the contact point)
// breaks the order, and so does a search that settles on a wrong root.
TEST(ExtremeSweep, EveryGearAndBallEndsAndTheOutcomesRunInOrder)
{
    const double modules[] = {kSmallest, 1e-300, 1e-20, 1e-6, 0.05, 1, 2.5, 40, 1e6, 1e20, 1e200, 1e300};
    const double teeth[] = {3, 4, 17, 20, 101, 100000};
    const double pressures[] = {1e-6, 0.5, 14.5, 20, 30, 60, 89.5, 89.999999};
    const double helices[] = {0, 1e-9, 19.5283, 45, 89.999};
    int fitted = 0;
    for (double m : modules)
        for (double z : teeth)
            for (double alpha : pressures)
                for (double beta : helices) {
                    const Result<Geometry> g = DeriveGeometry({m, z, alpha, beta});
                    if (!g) continue;
                    const std::string gear = "m " + std::to_string(m) + " z " + std::to_string(z) + " alpha " +
                                             std::to_string(alpha) + " beta " + std::to_string(beta);
                    // Seen so far: 0 too small, 1 fits, 2 too large.
                    int stage = 0;
                    for (double ball = 1e-320; ball < 1e308; ball *= 97.0) {
                        const Result<BallPosition> p = OverBalls(g.value(), ball, 0.0);
                        int now = 1;
                        if (p) {
                            ++fitted;
                            ASSERT_TRUE(std::isfinite(p->over_balls)) << gear << " ball " << ball;
                            ASSERT_GE(p->contact_diameter, g->base_diameter * (1 - 1e-12)) << gear;
                            ASSERT_LE(p->contact_diameter, g->tip_diameter) << gear;
                        } else if (p.problem().find("too small") != std::string::npos) {
                            now = 0;
                        } else {
                            ASSERT_NE(p.problem().find("too large"), std::string::npos)
                                << gear << " ball " << ball << ": " << p.problem();
                            now = 2;
                        }
                        ASSERT_GE(now, stage) << gear << " ball " << ball << ": " << (p ? "fits" : p.problem());
                        stage = now;
                    }
                    // The ideal ball is a number or NaN, and the sheet ends
                    // with one of the two either way.
                    const Result<Sheet> sheet = Inspect({m, z, alpha, beta}, {});
                    if (sheet) EXPECT_TRUE(std::isfinite(sheet->nominal.over_balls)) << gear;
                    else EXPECT_FALSE(sheet.problem().empty()) << gear;
                }
    EXPECT_GT(fitted, 1000);
}

// The shared root finder ends on functions no Newton iteration would: a
// jump, a flat stretch, values that are not finite, and a bracket without a
// root.
struct RootCase {
    const char* name;
    double (*f)(double);
    double lo, hi;
    std::optional<double> root;
};
NAMED_ROW_PRINTER(RootCase)

const RootCase kRoots[] = {
    {"Jump", [](double x) { return x < 0.3 ? -1.0 : 1.0; }, 0.0, 1.0, 0.3},
    {"FlatThenSteep", [](double x) { return x < 0.7 ? -1e-300 : std::expm1(50 * (x - 0.7)) + 1e-300; }, 0.0, 1.0, 0.7},
    {"Cubic", [](double x) { return x * x * x - 2.0; }, 0.0, 3.0, std::cbrt(2.0)},
    {"NotANumberInside", [](double x) { return x > 0.5 ? std::nan("") : x - 0.9; }, 0.0, 1.0, std::nullopt},
    {"InfiniteAtAnEnd", [](double x) { return x == 0.0 ? -kInf : x - 0.5; }, 0.0, 1.0, std::nullopt},
    {"NoSignChange", [](double x) { return x * x + 1.0; }, -1.0, 1.0, std::nullopt},
    {"EmptyBracket", [](double x) { return x; }, 1.0, 1.0, std::nullopt},
    {"InfiniteBracket", [](double x) { return x; }, -kInf, 1.0, std::nullopt},
    {"WholeRange", [](double x) { return x - 1e-300; }, 0.0, std::numeric_limits<double>::max(), std::nullopt},
};

class Roots : public testing::TestWithParam<RootCase> {};

TEST_P(Roots, EndWithinTheStepCap)
{
    const RootCase& r = GetParam();
    int calls = 0;
    const std::optional<double> x = BoundedRoot(
        [&](double x) {
            ++calls;
            // A derivative that misleads: Newton alone would wander off.
            return Slope{r.f(x), 1e-3};
        },
        r.lo, r.hi);
    EXPECT_LE(calls, kMostRootSteps + 2);
    if (!r.root) {
        // The whole double range may take more halvings than the cap
        // allows; then there is no result rather than a guess.
        EXPECT_FALSE(x.has_value() && std::string(r.name) != "WholeRange") << *x;
        return;
    }
    ASSERT_TRUE(x.has_value());
    EXPECT_NEAR(*x, *r.root, 1e-12);
}

INSTANTIATE_TEST_SUITE_P(Functions, Roots, testing::ValuesIn(kRoots), RowName());

} // namespace
