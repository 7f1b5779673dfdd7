// Where mouse positions outside the client area report.
#include <gearhost/mouse_positions.hpp>

#include <gtest/gtest.h>

#include <string>

namespace {

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
