// The input rules window systems without validators apply: what number
// boxes accept, and where mouse positions outside the client area report.
#include <gearhost/input_rules.hpp>

#include <gearrt/form.hpp>

#include <gtest/gtest.h>

#include <string>

namespace {

struct InputRow {
    const char* name;
    int32_t mode;
    std::string text;
    bool accepted;
};

class AcceptsInput : public ::testing::TestWithParam<InputRow> {};

TEST_P(AcceptsInput, Row)
{
    EXPECT_EQ(gr::acceptsInput(GetParam().mode, GetParam().text), GetParam().accepted) << GetParam().text;
}

using gr::form::kDecimalInput;
using gr::form::kIntegerInput;
using gr::form::kOrdinaryInput;

INSTANTIATE_TEST_SUITE_P(
    Rows, AcceptsInput,
    ::testing::Values(InputRow{"IntegerDigits", kIntegerInput, "120", true},
                      InputRow{"IntegerEmpty", kIntegerInput, "", true},
                      InputRow{"IntegerLoneMinus", kIntegerInput, "-", true},
                      InputRow{"IntegerNegative", kIntegerInput, "-35", true},
                      InputRow{"IntegerNoPoint", kIntegerInput, "3.5", false},
                      InputRow{"IntegerNoLetter", kIntegerInput, "2x", false},
                      InputRow{"IntegerMinusOnlyInFront", kIntegerInput, "3-", false},
                      InputRow{"IntegerNoBlank", kIntegerInput, " 3", false},
                      InputRow{"DecimalOnePoint", kDecimalInput, "-1.25", true},
                      InputRow{"DecimalLeadingPoint", kDecimalInput, ".5", true},
                      InputRow{"DecimalTrailingPoint", kDecimalInput, "2.", true},
                      InputRow{"DecimalTwoPoints", kDecimalInput, "1.2.5", false},
                      InputRow{"DecimalNoComma", kDecimalInput, "1,5", false},
                      InputRow{"DecimalNoExponent", kDecimalInput, "1e5", false},
                      InputRow{"DecimalNoFullWidthDigit", kDecimalInput, "\xEF\xBC\x91", false},
                      InputRow{"OrdinaryTakesAnything", kOrdinaryInput, "ZKD-1.x 齿", true}),
    [](const auto& info) { return std::string(info.param.name); });

struct PointRow {
    const char* name;
    gr::Point local;
    int x, y;
};

class LeavingPosition : public ::testing::TestWithParam<PointRow> {};

TEST_P(LeavingPosition, ClampedToTheClientAreaAndItsEdges)
{
    const gr::Point p = gr::leavingPosition(gr::Size{526, 406}, GetParam().local);
    EXPECT_EQ((std::pair{p.x, p.y}), (std::pair{GetParam().x, GetParam().y}));
}

INSTANTIATE_TEST_SUITE_P(Rows, LeavingPosition,
                         ::testing::Values(PointRow{"Below", {30, 450}, 30, 406}, PointRow{"Right", {600, 20}, 526, 20},
                                           PointRow{"Left", {-9, 20}, 0, 20}, PointRow{"Above", {30, -40}, 30, 0},
                                           PointRow{"Inside", {30, 20}, 30, 20}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FramePosition, FrameCountsAsTheNearestColumnOrRowButTheTitleBarNot)
{
    const gr::Size client{526, 406};
    const std::optional<gr::Point> right = gr::framePosition(client, gr::Point{529, 100});
    ASSERT_TRUE(right);
    EXPECT_EQ((std::pair{right->x, right->y}), (std::pair{525, 100}));
    const std::optional<gr::Point> below = gr::framePosition(client, gr::Point{30, 409});
    ASSERT_TRUE(below);
    EXPECT_EQ(below->y, 405);
    const std::optional<gr::Point> left = gr::framePosition(client, gr::Point{-3, 100});
    ASSERT_TRUE(left);
    EXPECT_EQ(left->x, -3) << "left of the client area keeps its negative x";
    EXPECT_FALSE(gr::framePosition(client, gr::Point{30, -10})) << "the title bar";
    EXPECT_FALSE(gr::framePosition(gr::Size{0, 0}, gr::Point{0, 0}));
}

} // namespace
