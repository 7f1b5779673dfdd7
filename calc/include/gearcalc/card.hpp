// The inspection card: one A4 page with everything the inspection room
// measures on a calculated gear (span, dimension over balls, chordal tooth
// thickness, ISO 1328-1:2013 tolerances), a table ruled for the measured
// values, and a drawing to scale of both measurements in true involute
// geometry. Pure code: it reads the report's text, computes, and lays the
// page out as print commands (texts, lines) in the printer's units; the
// program sends them through the runtime, the command line to a PDF.
#pragma once

#include <gearcalc/gauging.hpp>
#include <gearprog/texts.hpp>

#include <cmath>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace gearcalc::card {

// ---- The report's values --------------------------------------------------

// The labels that start the report's lines, as the program holds them (its
// constants, with or without the leading line break).
struct ReportLabels {
    std::string_view module, teeth, pressure_angle, helix_angle, degree;
    std::string_view pitch_diameter, tip_diameter, root_diameter, base_diameter;
    std::string_view span, teeth_spanned, grade, grade_suffix, no_grade;
    std::string_view upper_deviation, maker_span, lower_deviation, tolerance, maker_lower_deviation;
};

// A report's values as its lines show them; absent when the report has no
// such line.
struct ReportValues {
    std::optional<std::string> module, teeth, pressure_angle, helix_angle;
    std::optional<std::string> pitch_diameter, tip_diameter, root_diameter, base_diameter;
    std::optional<std::string> span, teeth_spanned;
    std::optional<std::string> grade; // without its suffix; absent for "无"
    std::optional<std::string> upper_deviation, maker_span, lower_deviation, tolerance;
    std::optional<std::string> maker_lower_deviation; // the text after ":-"
};

// Reads the values from the report text (CR LF or LF line breaks): each is
// the rest of the first line that starts with its label, less the suffix
// the report puts after it.
ReportValues ReadReport(std::string_view report, const ReportLabels& labels);

// The whole text as a number, or nothing (no leading or trailing extras).
std::optional<double> PlainNumber(std::string_view text);

// ---- What the card shows ---------------------------------------------------

// Chordal tooth thickness s̄ at the chordal height h̄ (mm), nominal and at
// the allowance limits. Filled by the chordal-thickness computation of the
// test dimensions; absent until it is available, and the card then shows
// "—" in its row.
struct ChordalThickness {
    double thickness = 0.0, height = 0.0;             // A = 0
    std::optional<double> thickness_upper, height_upper; // at A
    std::optional<double> thickness_lower, height_lower; // at A − T
};

// ISO 1328-1:2013 tolerances of one class, in µm, as the tolerance
// computation prints them ("9.0", "29"). Absent: the rows show "—".
struct IsoTolerances {
    int tolerance_class = 0;
    std::string fpT, FpT, fHaT, ffaT, FaT, FrT;
};

struct CardData {
    std::string item; // the maker's item number; empty when not from the catalogue
    ReportValues report;
    std::string deviation_series, tolerance_series; // "e", "25"; empty when none
    std::optional<int> grade;                       // the DIN 3967 grade as a number
    // The dimension over balls from the report's values, as the command
    // line's test dimensions compute it.
    std::optional<inspection::Sheet> sheet;
    bool ball_problem = false;      // the dimension over balls could not be computed
    bool outside_tables = false;    // the pitch diameter lies outside the allowance tables
    std::optional<double> span_lower; // the maker's span less its lower deviation
    // Hook points of the chordal thickness and the ISO tolerances: filled
    // where those computations are called (see FillInspectionExtras).
    std::optional<ChordalThickness> chordal;
    std::optional<IsoTolerances> iso;
    std::vector<std::string> catalogues; // the catalogue files' names
};

// Everything the card shows that follows from the report: the gear, the
// span limits and the dimension over balls. `item`, the series names and
// the catalogues are the caller's.
CardData FromReport(const ReportValues& report);

// Fills the chordal thickness and the ISO tolerances of `card` from its
// gear and allowances, where the computations exist; leaves them absent
// otherwise. The one place those computations are joined to the card.
void FillInspectionExtras(CardData& card);

// Whether the card lists ISO 1328-1:2013 tolerances for this grade: the
// standard's classes are 1 to 11.
bool IsoClassApplies(std::optional<int> grade);

// ---- Involute geometry of the drawing (mm, gear centre at the origin, y
// up; angles φ from the +y axis towards +x) --------------------------------

struct Point {
    double x = 0.0, y = 0.0;
};
using Polyline = std::vector<Point>;

// Half the transverse tooth thickness angle at radius r (r_b ≤ r), for the
// nominal tooth thickness of a gear without profile shift.
double HalfToothAngle(const inspection::Geometry& g, double r);

// The transverse outline of the teeth whose centres lie at
// φ = phase + j·2π/z, between the angles `from` and `to`: root circle
// arcs, involute flanks from the base circle (or the root circle, if it is
// larger) to the tip circle, radial lines below the base circle, tip arcs.
Polyline TransverseOutline(const inspection::Geometry& g, double phase, double from, double to);

// A circle as a closed polyline of `segments` chords.
Polyline Circle(Point centre, double radius, int segments = 180);

// The distance from `p` to the nearest point of `line`.
double DistanceTo(const Polyline& line, Point p);

// The root radius the report gives: d/2 − 1.25 m_n.
double RootRadius(const inspection::Geometry& g);

// ---- The page ---------------------------------------------------------------

// One command of the printed page, in the printer's units: tenths of a
// millimetre from the page's top-left corner, font sizes in points, pen
// widths in tenths of a millimetre.
struct PrintCommand {
    enum class Kind { Text, Line };
    Kind kind = Kind::Text;
    double font_size = 10.0;
    int x = 0, y = 0;
    std::string text;
    std::vector<Point> points; // page coordinates
    double pen_width = 0.0;
};

// A4 portrait, tenths of a millimetre.
inline constexpr double kPageWidth = 2100.0;
inline constexpr double kPageHeight = 2970.0;

// The card's texts by name: the program's constants.
using CardTexts = std::function<std::string_view(card_text::Id)>;

// Where the parts of the card lie, for the layout and its tests.
struct CardFrame {
    static constexpr int kLeft = 150, kRight = 1950;
    static constexpr int kTitleY = 140;
    static constexpr int kTableTop = 560;
    static constexpr int kRowHeight = 86;
    static constexpr int kColumns[7] = {150, 610, 950, 1200, 1450, 1700, 1950}; // column edges
    static constexpr int kDrawingTop = 1820, kDrawingBottom = 2700;
    static constexpr int kFooterY = 2790;
    // Line widths of technical drawings: thick for outlines, thin for
    // dimension lines and rules.
    static constexpr double kPen = 5.0;
    static constexpr double kThinPen = 2.5;
};

// The whole card as print commands.
std::vector<PrintCommand> LayoutCard(const CardData& card, const CardTexts& texts);

// Page coordinates of the drawing are kept on a grid of a thousandth of
// their unit (0.1 µm), far finer than any printer draws: the page is then
// the same on every system, whatever the last bits its maths library gives
// for a sine or an arc cosine.
inline double OnPageGrid(double v)
{
    return std::round(v * 1000.0) / 1000.0;
}

// A drawing's placement on the page: a standard scale, and the page point
// of the gear's centre (on the page grid).
struct Fit {
    double scale = 1.0; // paper mm per gear mm
    double origin_x = 0.0, origin_y = 0.0;
    Point page(Point p) const
    {
        return Point{OnPageGrid(origin_x + p.x * scale * 10.0), OnPageGrid(origin_y - p.y * scale * 10.0)};
    }
    Polyline page(const Polyline& line) const;
};
// The largest standard scale at which `parts` fit the box [left, right] ×
// [top, bottom] (page units), centred in it.
Fit FitInto(const std::vector<Polyline>& parts, double left, double top, double right, double bottom);

// Two neighbouring tooth spaces with the measuring ball in each, and the
// measuring planes touching the balls, in page coordinates.
struct BallDrawing {
    std::vector<Polyline> outline;  // the teeth
    std::vector<Polyline> balls;    // one circle per tooth space
    std::vector<Polyline> tangents; // the measuring planes on the balls' outer sides
    std::vector<Point> ball_centres;
    double ball_radius = 0.0;       // page units
    double scale = 0.0;             // paper mm per gear mm
};
BallDrawing DrawBalls(const inspection::Geometry& g, const inspection::BallPosition& ball, double left, double top,
                      double right, double bottom);

// The span over k teeth: the teeth, the anvils' tangent planes, their
// common normal (tangent to the base circle) and the dimension line.
struct SpanDrawing {
    std::vector<Polyline> outline;
    std::vector<Polyline> anvils;
    Polyline normal, dimension;
    std::vector<Point> contacts;  // where the anvils touch the flanks
    double transverse_span = 0.0; // mm, between the planes in the transverse section
    double scale = 0.0;
};
SpanDrawing DrawSpan(const inspection::Geometry& g, int k, double left, double top, double right, double bottom);

// The scale for a drawing: the largest of 1:1, 2:1, 5:1, 10:1 … and 1:2,
// 1:5 … that is not above `fit`.
double StandardScale(double fit);
// "5 : 1", "1 : 2".
std::string ScaleText(double scale);

} // namespace gearcalc::card
