// The monitor and frame arithmetic every window system reports the window
// through: which monitor a window is on, which of its edges the desktop
// ends at, the invisible frame, and the form-unit view at a scale.
#include <gearhost/desktop.hpp>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using gr::Rect;

// Desktops used below, main monitor first.
const std::vector<Rect> kOne{{0, 0, 1920, 1080}};
const std::vector<Rect> kSecondRight{{0, 0, 1280, 800}, {1280, 0, 1280, 800}};
const std::vector<Rect> kSecondLeft{{0, 0, 2560, 1440}, {-1920, 0, 1920, 1080}};
const std::vector<Rect> kSecondAbove{{0, 0, 1920, 1080}, {0, -1080, 1920, 1080}};
const std::vector<Rect> kSmallerRight{{0, 0, 1920, 1080}, {1920, 0, 1280, 1024}};
const std::vector<Rect> kDiagonal{{0, 0, 1920, 1080}, {1920, 1080, 1920, 1080}};
const std::vector<Rect> kMirrored{{0, 0, 1920, 1080}, {0, 0, 1920, 1080}};
const std::vector<Rect> kThreeInARow{{0, 0, 1920, 1080}, {-1920, 0, 1920, 1080}, {1920, 0, 1920, 1080}};

constexpr unsigned L = gr::kEdgeLeft, T = gr::kEdgeTop, R = gr::kEdgeRight, B = gr::kEdgeBottom;

struct EdgeRow {
    const char* name;
    const std::vector<Rect>* desktop;
    Rect window;
    int monitor;     // the monitor the window is on
    unsigned open;   // the edges the desktop ends at alongside it
};

void PrintTo(const EdgeRow& row, std::ostream* os) { *os << row.name; }

class MonitorEdges : public ::testing::TestWithParam<EdgeRow> {};

TEST_P(MonitorEdges, MonitorAndOpenEdges)
{
    const EdgeRow& row = GetParam();
    const int monitor = gr::monitorOf(*row.desktop, row.window);
    ASSERT_EQ(monitor, row.monitor);
    EXPECT_EQ(gr::openEdges(*row.desktop, static_cast<std::size_t>(monitor), row.window), row.open);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, MonitorEdges,
    ::testing::Values(
        EdgeRow{"OneMonitorAllOpen", &kOne, {600, 300, 542, 445}, 0, L | T | R | B},
        EdgeRow{"OneMonitorCollapsedLeftStillOnIt", &kOne, {4 - 542, 300, 542, 445}, 0, L | T | R | B},
        EdgeRow{"OneMonitorOffTheDesktopNearest", &kOne, {2500, 300, 542, 445}, 0, L | T | R | B},
        EdgeRow{"RightNeighbourSharesMainsRightEdge", &kSecondRight, {700, 100, 542, 445}, 0, L | T | B},
        EdgeRow{"OnSecondItsLeftEdgeIsShared", &kSecondRight, {1300, 100, 542, 445}, 1, T | R | B},
        EdgeRow{"CollapsedOnSecondsOuterEdge", &kSecondRight, {2555, 100, 542, 445}, 1, T | R | B},
        EdgeRow{"StraddlingGoesToTheLargerPart", &kSecondRight, {1030, 100, 542, 445}, 1, T | R | B},
        EdgeRow{"LeftNeighbourAtNegativeX", &kSecondLeft, {-1900, 100, 542, 445}, 1, L | T | B},
        EdgeRow{"MainBesideLeftNeighbour", &kSecondLeft, {10, 100, 542, 445}, 0, T | R | B},
        EdgeRow{"MainBelowTheShorterLeftNeighbour", &kSecondLeft, {10, 1100, 542, 300}, 0, L | T | R | B},
        EdgeRow{"PartlyBesideTheLeftNeighbourIsShared", &kSecondLeft, {10, 900, 542, 445}, 0, T | R | B},
        EdgeRow{"MonitorAboveSharesMainsTop", &kSecondAbove, {600, 10, 542, 445}, 0, L | R | B},
        EdgeRow{"OnTheUpperMonitor", &kSecondAbove, {600, -1070, 542, 445}, 1, L | T | R},
        EdgeRow{"SmallerRightNeighbour", &kSmallerRight, {1900, 100, 542, 445}, 1, T | R | B},
        EdgeRow{"BelowTheSmallerNeighboursBottom", &kSmallerRight, {1370, 1030, 542, 40}, 0, L | T | R | B},
        EdgeRow{"DiagonalNeighbourContinuesNoEdge", &kDiagonal, {1370, 100, 542, 445}, 0, L | T | R | B},
        EdgeRow{"MirroredMonitorContinuesNothing", &kMirrored, {600, 300, 542, 445}, 0, L | T | R | B},
        EdgeRow{"MiddleOfThree", &kThreeInARow, {600, 300, 542, 445}, 0, T | B},
        EdgeRow{"RightmostOfThree", &kThreeInARow, {3800, 300, 542, 445}, 2, T | R | B}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MonitorOf, NoMonitorsIsMinusOneAndAnEmptyWindowUsesItsCorner)
{
    EXPECT_EQ(gr::monitorOf({}, Rect{0, 0, 100, 100}), -1);
    EXPECT_EQ(gr::monitorOf(kSecondRight, Rect{1500, 10, 0, 0}), 1);
    EXPECT_EQ(gr::openEdges(kOne, 5, Rect{0, 0, 10, 10}), gr::kAllEdges);
}

struct InsetRow {
    const char* name;
    Rect window, visible;
    gr::Insets want;
};

void PrintTo(const InsetRow& row, std::ostream* os) { *os << row.name; }

class FrameInsets : public ::testing::TestWithParam<InsetRow> {};

TEST_P(FrameInsets, OnlyAPlausibleFrameInsideTheWindowCounts)
{
    EXPECT_EQ(gr::frameInsets(GetParam().window, GetParam().visible), GetParam().want);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FrameInsets,
    ::testing::Values(InsetRow{"Windows10Borders", {100, 50, 556, 452}, {107, 50, 542, 445}, {7, 0, 7, 7}},
                      InsetRow{"At150Percent", {-11, 0, 834, 679}, {0, 0, 813, 668}, {11, 0, 10, 11}},
                      InsetRow{"SameRectangle", {100, 50, 542, 445}, {100, 50, 542, 445}, {}},
                      InsetRow{"VisibleOutsideTheWindow", {100, 50, 542, 445}, {90, 50, 560, 445}, {}},
                      InsetRow{"OtherUnitsTooFarInside", {100, 100, 542, 445}, {150, 150, 300, 300}, {}},
                      InsetRow{"EmptyVisibleFrame", {100, 50, 542, 445}, {0, 0, 0, 0}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

// A window on the second of two 150 % monitors side by side (physical
// pixels), with the invisible frame of Windows 10/11.
gr::DesktopView scaledView()
{
    gr::DesktopView v;
    v.monitors = {{0, 0, 2880, 1620}, {2880, 0, 2880, 1620}};
    v.scale = 1.5;
    v.insets = {11, 0, 11, 11};
    v.window = Rect{2880 + 300 - 11, 150, 813 + 22, 668 + 11};
    v.client = gr::Size{789, 609};
    return v;
}

TEST(FormView, ScalesAboutTheWindowsMonitor)
{
    const gr::DesktopView v = scaledView();
    const Rect w = gr::formWindowRect(v);
    EXPECT_EQ((std::vector{w.left, w.top, w.width, w.height}), (std::vector{2880 + 200, 100, 542, 445}));
    const gr::MonitorView m = gr::formMonitor(v);
    EXPECT_EQ((std::vector{m.area.left, m.area.top, m.area.width, m.area.height}), (std::vector{2880, 0, 1920, 1080}));
    EXPECT_EQ(m.open_edges, T | R | B);
    const gr::Point c = gr::formScreenPoint(v, gr::Point{2880 + 30, 1620});
    EXPECT_EQ((std::pair{c.x, c.y}), (std::pair{2880 + 20, 1080}));
    EXPECT_EQ(gr::formClientSize(v).width, 526);
    EXPECT_EQ(gr::formClientSize(v).height, 406);
}

TEST(FormView, PlacingTheVisibleFrameRoundTrips)
{
    gr::DesktopView v = scaledView();
    v.monitor = 1; // as the window system finds it, wherever the rectangle lies
    // Every form position comes back as itself after placing, and the
    // invisible frame lies outside the placed visible frame.
    for (const int left : {2880 + 5, 2880 + 4 - 542, 2880 + 1920 - 5, 2880 + 1920 - 542, 2880 + 7}) {
        const gr::Point corner = gr::outerCorner(v, left, std::nullopt);
        EXPECT_EQ(corner.y, v.window.top) << left;
        v.window.left = corner.x;
        EXPECT_EQ(gr::formWindowRect(v).left, left);
    }
    const gr::Point up = gr::outerCorner(v, std::nullopt, 5 - 445);
    v.window.top = up.y;
    EXPECT_EQ(gr::formWindowRect(v).top, 5 - 445);
    // The collapsed strip keeps 5 form units, 7.5 physical pixels of
    // which the rounding keeps 7, on the monitor.
    v.window.left = gr::outerCorner(v, 2880 + 1920 - 5, std::nullopt).x;
    EXPECT_GE(2880 * 2 - (v.window.left + v.insets.left), 7);
}

TEST(FormView, ClientPositionsKeepTheEdgesApart)
{
    // 812 physical pixels at 1.5 are 541 form units: the last pixel column
    // stays inside (540), the right edge itself is the width (541).
    gr::DesktopView v;
    v.monitors = kOne;
    v.scale = 1.5;
    v.client = gr::Size{812, 600};
    struct Row {
        int x, want;
    } rows[] = {{0, 0}, {1, 0}, {2, 1}, {811, 540}, {812, 541}, {-1, -1}, {-3, -2}};
    for (const Row& row : rows) EXPECT_EQ(gr::formClientPoint(v, gr::Point{row.x, 0}).x, row.want) << row.x;
}

TEST(FormView, OneMonitorAtScaleOneIsTheWindowSystemsOwnPixels)
{
    gr::DesktopView v;
    v.monitors = kOne;
    v.window = Rect{-538, 300, 542, 445};
    v.client = gr::Size{526, 406};
    const Rect w = gr::formWindowRect(v);
    EXPECT_EQ((std::vector{w.left, w.top, w.width, w.height}), (std::vector{-538, 300, 542, 445}));
    const gr::Point c = gr::formScreenPoint(v, gr::Point{-7, 1079});
    EXPECT_EQ((std::pair{c.x, c.y}), (std::pair{-7, 1079}));
    const gr::Point p = gr::formClientPoint(v, gr::Point{526, 405});
    EXPECT_EQ((std::pair{p.x, p.y}), (std::pair{526, 405}));
    const gr::Point corner = gr::outerCorner(v, 5, std::nullopt);
    EXPECT_EQ((std::pair{corner.x, corner.y}), (std::pair{5, 300}));
    // A nonsensical scale is taken as 1.
    v.scale = 0.0;
    EXPECT_EQ(gr::formWindowRect(v).width, 542);
}

} // namespace
