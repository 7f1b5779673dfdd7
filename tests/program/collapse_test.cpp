// The screen-edge collapse as a function of window geometry, screen width
// and mouse position, at the zone boundaries; and through the window's
// mouse-moved event on the headless screen.
#include "program_fixture.hpp"
#include <geardrive/user_actions.hpp>

#include <gearui/collapse.hpp>

#include <ostream>

namespace gearcalc {

// A move as failure messages show it: "left 5", "top -440".
void PrintTo(const Placement& move, std::ostream* os)
{
    if (move.left) *os << "left " << *move.left << ' ';
    if (move.top) *os << "top " << *move.top;
}

} // namespace gearcalc

namespace gearcalc::testing {
namespace {

constexpr int kW = 542, kH = 445, kCW = 526, kCH = 406, kScreen = 1920;

CollapseInput at(int left, int top, int x, int y, int cursor_x, int cursor_y)
{
    return CollapseInput{left, top, kW, kH, kCW, kCH, kScreen, cursor_x, cursor_y, x, y};
}

struct Row {
    const char* name;
    CollapseInput in;
    std::optional<Placement> want;
};

// Names the row in test listings and failure messages, instead of a dump of
// its bytes.
void PrintTo(const Row& row, std::ostream* os)
{
    *os << row.name;
}

class CollapseRule : public ::testing::TestWithParam<Row> {};

TEST_P(CollapseRule, MovesTheWindowAsExpected)
{
    EXPECT_EQ(collapseStep(GetParam().in), GetParam().want);
}

const std::optional<Placement> kStay = std::nullopt;
std::optional<Placement> left(int l)
{
    return Placement{l, std::nullopt};
}
std::optional<Placement> top(int t)
{
    return Placement{std::nullopt, t};
}

INSTANTIATE_TEST_SUITE_P(
    Edges, CollapseRule,
    ::testing::Values(
        // Left edge: 39 is in the zone, 40 is not.
        Row{"Left39SnapsToFive", at(39, 300, 10, 10, 60, 350), left(5)},
        Row{"Left40IsNotTheLeftEdge", at(40, 300, 10, 10, 60, 350), kStay},
        Row{"Left20SnapsToFive", at(20, 300, 100, 100, 130, 440), left(5)},
        Row{"LeftLeavingBelowCollapsesLeavingFour", at(5, 300, 10, 10, 60, 300 + kH - 7), left(4 - kW)},
        Row{"LeftCursorExactlyAtLimitIsNotLeaving", at(5, 300, 10, 10, 60, 300 + kH - 8), left(5)},
        Row{"LeftLeavingToTheRightUsesWidthNotRightEnd", at(5, 300, 10, 10, kW - 7, 350), left(4 - kW)},
        Row{"CollapsedLeftComesBackOverItsStrip", at(4 - kW, 300, kCW - 2, 50, 2, 350), left(5)},
        Row{"LeftMouseBeyondClientStays", at(5, 300, kCW, 10, 60, 350), kStay},
        Row{"NearLeftAndTopFollowsLeftOnly", at(10, 10, 0, 0, 60, 100), left(5)},
        // Top edge.
        Row{"Top30SnapsToZero", at(400, 30, 100, 100, 0, 0), top(0)},
        Row{"Top39InZone", at(400, 39, 100, 100, 0, 0), top(0)},
        Row{"Top40NotInZone", at(400, 40, 100, 100, 0, 0), kStay},
        Row{"TopLeavingAtXZeroCollapsesLeavingFive", at(400, 0, 0, 100, 0, 0), top(5 - kH)},
        Row{"TopLeavingAtClientWidth", at(400, 0, kCW, 100, 0, 0), top(5 - kH)},
        Row{"TopLeavingAtClientHeight", at(400, 0, 10, kCH, 0, 0), top(5 - kH)},
        Row{"CollapsedTopComesBack", at(400, 5 - kH, 10, kCH - 3, 0, 0), top(0)},
        Row{"NearTopAndRightFollowsTopOnly", at(kScreen - kW - 10, 10, 10, 10, 0, 0), top(0)},
        // Right edge.
        Row{"RightWithinFortySnapsFlush", at(kScreen - kW - 39, 300, 10, 10, 0, 0), left(kScreen - kW)},
        Row{"RightExactlyFortyAwayStays", at(kScreen - kW - 40, 300, 10, 10, 0, 0), kStay},
        Row{"RightLeavingAtXZeroLeavesFive", at(kScreen - kW, 300, 0, 10, 0, 0), left(kScreen - 5)},
        Row{"RightLeavingAtClientHeight", at(kScreen - kW, 300, 10, kCH, 0, 0), left(kScreen - 5)},
        Row{"CollapsedRightComesBack", at(kScreen - 5, 300, 3, 10, 0, 0), left(kScreen - kW)},
        Row{"CollapsedRightAtYZeroStays", at(kScreen - 5, 300, 3, 0, 0, 0), kStay},
        // Nowhere near an edge, and the bottom edge is never used.
        Row{"MiddleStays", at(600, 300, 10, 10, 0, 0), kStay},
        Row{"BottomEdgeIsNeverUsed", at(600, 1080 - kH, 10, kCH, 0, 0), kStay}),
    [](const auto& info) { return std::string(info.param.name); });

class CollapseWindowTest : public ProgramTest {};

TEST_F(CollapseWindowTest, OnlyWhenTheOptionIsTicked)
{
    screen().setWindowRect(gr::Rect{20, 300, kW, kH});
    gr::UserActions(host()).moveMouse(10, 10);
    EXPECT_EQ(screen().windowRect().left, 20);
    click(id::隐藏选择框);
    gr::UserActions(host()).moveMouse(10, 10);
    EXPECT_EQ(screen().windowRect().left, 5);
    screen().setCursor(gr::Point{100, 300 + kH});
    gr::UserActions(host()).moveMouse(10, 10);
    EXPECT_EQ(screen().windowRect().left, 4 - kW);
    // Unticking leaves a collapsed window where it is.
    click(id::隐藏选择框);
    gr::UserActions(host()).moveMouse(2, 10);
    EXPECT_EQ(screen().windowRect().left, 4 - kW);
}

} // namespace
} // namespace gearcalc::testing
