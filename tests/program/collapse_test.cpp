// The screen-edge collapse as a function of window geometry, screen width
// and mouse position, at the zone boundaries; and through the window's
// mouse-moved event on the headless screen.
#include "program_fixture.hpp"
#include <geardrive/user_actions.hpp>

#include <gearui/collapse.hpp>

#include <cstddef>
#include <ostream>
#include <vector>

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

// The rule against a monitor that is not at the origin, or whose edges
// another monitor continues.
struct MonitorRow {
    const char* name;
    CollapseInput in;
    MonitorEdges monitor;
    std::optional<Placement> want;
};

void PrintTo(const MonitorRow& row, std::ostream* os)
{
    *os << row.name;
}

class CollapseOnAMonitor : public ::testing::TestWithParam<MonitorRow> {};

TEST_P(CollapseOnAMonitor, MovesTheWindowAsExpected)
{
    EXPECT_EQ(collapseStep(GetParam().in, GetParam().monitor), GetParam().want);
}

// Second monitor right of a 1920-wide main one; its left edge is shared.
constexpr MonitorEdges kRightOfMain{1920, 0, 1920 + 1280, false, true, true};
// Second monitor left of the main one, at negative x; its right edge is shared.
constexpr MonitorEdges kLeftOfMain{-1280, 0, 0, true, true, false};
// Second monitor above the main one: its bottom is shared, which the rule
// never uses anyway; the main one's top is shared.
constexpr MonitorEdges kAboveMain{0, -1024, 1280, true, true, true};
constexpr MonitorEdges kMainBelowAnother{0, 0, 1920, true, false, true};

INSTANTIATE_TEST_SUITE_P(
    Monitors, CollapseOnAMonitor,
    ::testing::Values(
        // Right of the main monitor.
        MonitorRow{"OuterRightEdgeSnapsFlush", at(3200 - kW - 39, 300, 10, 10, 0, 0), kRightOfMain, left(3200 - kW)},
        MonitorRow{"OuterRightEdgeCollapses", at(3200 - kW, 300, 0, 10, 0, 0), kRightOfMain, left(3200 - 5)},
        MonitorRow{"OuterRightCollapsedComesBack", at(3200 - 5, 300, 3, 10, 0, 0), kRightOfMain, left(3200 - kW)},
        MonitorRow{"MiddleOfTheSecondStays", at(2300, 300, 10, 10, 2310, 340), kRightOfMain, kStay},
        MonitorRow{"SharedLeftEdgeNeverSnaps", at(1925, 300, 10, 10, 1935, 340), kRightOfMain, kStay},
        MonitorRow{"SharedLeftEdgeNeverCollapses", at(1925, 300, 10, 10, 1935, 300 + kH), kRightOfMain, kStay},
        MonitorRow{"TopOfTheSecondSnaps", at(2300, 20, 10, 10, 0, 0), kRightOfMain, top(0)},
        MonitorRow{"TopOfTheSecondCollapses", at(2300, 0, 0, 10, 0, 0), kRightOfMain, top(5 - kH)},
        // Left of the main monitor, negative coordinates.
        MonitorRow{"NegativeLeftEdgeSnaps", at(-1260, 300, 10, 10, -1250, 340), kLeftOfMain, left(-1280 + 5)},
        MonitorRow{"NegativeLeftEdgeCollapses", at(-1275, 300, 10, 10, -1250, 300 + kH), kLeftOfMain,
                   left(-1280 + 4 - kW)},
        MonitorRow{"NegativeLeftLeavingRightUsesTheMonitorsLeft", at(-1275, 300, 10, 10, -1280 + kW - 7, 340),
                   kLeftOfMain, left(-1280 + 4 - kW)},
        MonitorRow{"NegativeCollapsedComesBack", at(-1280 + 4 - kW, 300, kCW - 2, 50, -1278, 350), kLeftOfMain,
                   left(-1280 + 5)},
        MonitorRow{"SharedRightEdgeAtZeroStays", at(-kW - 10, 300, 0, 10, -20, 340), kLeftOfMain, kStay},
        // Above the main monitor.
        MonitorRow{"UpperMonitorsTopSnaps", at(600, -1000, 10, 10, 0, 0), kAboveMain, top(-1024)},
        MonitorRow{"UpperMonitorsTopCollapses", at(600, -1024, 10, kCH, 0, 0), kAboveMain, top(-1024 + 5 - kH)},
        MonitorRow{"MainsSharedTopStays", at(600, 10, 0, 10, 0, 0), kMainBelowAnother, kStay},
        MonitorRow{"MainsSharedTopStillHasItsLeftEdge", at(10, 10, 10, 10, 60, 100), kMainBelowAnother, left(5)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CollapseOneScreen, TheScreenWidthIsAMonitorAtTheOrigin)
{
    // Every row of the single-screen table gives the same move through an
    // explicit monitor at the origin with all edges open.
    for (const CollapseInput& in : {at(20, 300, 100, 100, 130, 440), at(5, 300, 10, 10, 60, 300 + kH - 7),
                                    at(400, 0, kCW, 100, 0, 0), at(kScreen - kW, 300, 0, 10, 0, 0),
                                    at(kScreen - 5, 300, 3, 10, 0, 0), at(600, 300, 10, 10, 0, 0)})
        EXPECT_EQ(collapseStep(in), collapseStep(in, MonitorEdges{0, 0, kScreen, true, true, true}));
}

// Through the window's mouse-moved event, with the monitors the headless
// desktop reports.
class CollapseMonitorsTest : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        click(id::隐藏选择框);
    }
    int left() { return screen().windowRect().left; }
    void moveAt(gr::Rect window, gr::Point cursor, int x, int y)
    {
        screen().setWindowRect(window);
        screen().setCursor(cursor);
        gr::UserActions(host()).moveMouse(x, y);
    }
};

TEST_F(CollapseMonitorsTest, SecondMonitorRightOfTheMain)
{
    screen().setMonitors({{0, 0, 1280, 800}, {1280, 0, 1280, 800}});
    // Dragged into the middle of the second monitor: stays there.
    moveAt({1600, 200, kW, kH}, {1700, 300}, 100, 100);
    EXPECT_EQ(left(), 1600);
    // Near the shared edge: stays, even with the mouse at the leaving places.
    moveAt({1290, 200, kW, kH}, {1300, 200 + kH}, 10, 10);
    EXPECT_EQ(left(), 1290);
    // Near the outer right edge: flush, then collapsed, then back.
    moveAt({2560 - kW - 20, 200, kW, kH}, {2400, 300}, 100, 100);
    EXPECT_EQ(left(), 2560 - kW);
    gr::UserActions(host()).moveMouse(0, 100);
    EXPECT_EQ(left(), 2560 - 5);
    gr::UserActions(host()).moveMouse(3, 100);
    EXPECT_EQ(left(), 2560 - kW);
    // The main monitor's right edge is shared too.
    moveAt({1280 - kW - 10, 200, kW, kH}, {1000, 300}, 0, 100);
    EXPECT_EQ(left(), 1280 - kW - 10);
}

TEST_F(CollapseMonitorsTest, SecondMonitorLeftOfTheMainAtNegativeX)
{
    screen().setMonitors({{0, 0, 1920, 1080}, {-1280, 0, 1280, 1024}});
    moveAt({-1260, 200, kW, kH}, {-1200, 300}, 10, 10);
    EXPECT_EQ(left(), -1275);
    screen().setCursor({-1200, 200 + kH});
    gr::UserActions(host()).moveMouse(10, 10);
    EXPECT_EQ(left(), -1280 + 4 - kW);
    screen().setCursor({-1278, 300});
    gr::UserActions(host()).moveMouse(kCW - 2, 50);
    EXPECT_EQ(left(), -1275);
    // The main monitor's left edge is shared alongside the neighbour, and
    // open below it.
    moveAt({10, 200, kW, kH}, {100, 200 + kH}, 10, 10);
    EXPECT_EQ(left(), 10);
    moveAt({10, 1030, kW, 40}, {100, 1050}, 10, 10);
    EXPECT_EQ(left(), 5);
}

TEST_F(CollapseMonitorsTest, SecondMonitorAboveTheMain)
{
    screen().setMonitors({{0, 0, 1920, 1080}, {0, -1024, 1280, 1024}});
    moveAt({600, -1010, kW, kH}, {700, -900}, 100, 100);
    EXPECT_EQ(screen().windowRect().top, -1024);
    gr::UserActions(host()).moveMouse(0, 100);
    EXPECT_EQ(screen().windowRect().top, -1024 + 5 - kH);
    // The main monitor's top is shared under the upper one but not beyond it.
    moveAt({600, 10, kW, kH}, {700, 100}, 0, 100);
    EXPECT_EQ(screen().windowRect().top, 10);
    moveAt({1300, 10, kW, kH}, {1400, 100}, 0, 100);
    EXPECT_EQ(screen().windowRect().top, 5 - kH);
}

TEST_F(CollapseMonitorsTest, ScaledMonitorKeepsTheDistancesInFormUnits)
{
    // A 150 % monitor in physical pixels, with a 7-pixel invisible frame
    // left, right and below: the window is reported and placed by its
    // visible frame, in form units, so it behaves as at 100 %.
    screen().setMonitors({{0, 0, 2880, 1620}});
    screen().setScale(1.5);
    screen().setFrameInsets({7, 0, 7, 7});
    const int w = 813 + 14, h = 668 + 7; // physical outer size: 542 x 445 form units visible
    // Visible left 58 physical = 38.67 form units: in the zone.
    moveAt({58 - 7, 300, w, h}, {200, 400}, 10, 10);
    EXPECT_EQ(left(), 5);
    EXPECT_EQ(screen().outerRect().left, 8 - 7);
    // Leaving below (form y > top + height - 8): collapsed, 4 form units
    // (6 physical pixels) of the visible frame left on the monitor.
    screen().setCursor({200, 300 + 668 - 11});
    gr::UserActions(host()).moveMouse(10, 10);
    EXPECT_EQ(left(), 4 - 542);
    EXPECT_EQ(screen().outerRect().left + 7 + 813, 6);
    // Visible left 60 physical = 40 form units: not in the zone.
    moveAt({60 - 7, 300, w, h}, {200, 400}, 10, 10);
    EXPECT_EQ(left(), 40);
    // The right edge: flush means the visible frame ends at the monitor's
    // edge, and collapsed leaves 5 form units (7.5 physical pixels, of
    // which the rounding of the placement keeps 7).
    moveAt({2880 - 813 - 50 - 7, 300, w, h}, {2500, 400}, 10, 10);
    EXPECT_EQ(screen().outerRect().left + 7 + 813, 2880);
    gr::UserActions(host()).moveMouse(0, 10);
    EXPECT_EQ(2880 - (screen().outerRect().left + 7), 7);
}

TEST_F(CollapseMonitorsTest, TheMonitorServiceAnswersForTheWindowOnly)
{
    gr_env* env = host().env();
    const uint32_t window = host().model().windowIdentity();
    gr_monitor m{};
    ASSERT_EQ(env->services->window_monitor(env, window, &m), GR_OK);
    EXPECT_EQ((std::vector{m.left, m.top, m.width, m.height}), (std::vector{0, 0, kScreen, 1080}));
    EXPECT_EQ(m.open_edges, GR_EDGE_LEFT | GR_EDGE_TOP | GR_EDGE_RIGHT | GR_EDGE_BOTTOM);
    // Another window, or nowhere to answer: a runtime error, nothing left
    // behind in the answer.
    EXPECT_EQ(env->services->window_monitor(env, window + 1, &m), GR_ERR_NO_SUCH_CONTROL);
    EXPECT_EQ((std::vector{m.left, m.top, m.width, m.height}), (std::vector{0, 0, 0, 0}));
    EXPECT_EQ(env->services->window_monitor(env, window, nullptr), GR_ERR_BAD_ARGUMENT);
    EXPECT_EQ(takeMessages().size(), 1u);
}

TEST_F(CollapseMonitorsTest, AnOlderRuntimeWithoutTheMonitorServiceUsesTheScreenWidth)
{
    gr_env* env = host().env();
    const gr_services* current = env->services;
    gr_services older = *current;
    older.struct_size = offsetof(gr_services, window_monitor);
    env->services = &older;
    screen().setMonitors({{0, 0, 1280, 800}, {1280, 0, 1280, 800}});
    // The program still runs; it can only know the main screen's width.
    moveAt({1280 - kW - 20, 200, kW, kH}, {1000, 300}, 100, 100);
    EXPECT_EQ(left(), 1280 - kW);
    env->services = current;
    EXPECT_EQ(host().outstandingAllocations(), 0);
}

} // namespace
} // namespace gearcalc::testing
