// The card's page: heading, gear data, the inspection table ruled for the
// measured values, notes, the two drawings and the footer, as print
// commands on an A4 page.
#include <gearcalc/card.hpp>

#include <cmath>

namespace gearcalc::card {

namespace {

using F = CardFrame;
using T = card_text::Id;

constexpr double kTitleSize = 18.0;
constexpr double kDataSize = 10.0;
constexpr double kTableSize = 9.0;
constexpr double kNoteSize = 8.0;
constexpr int kDataColumns[4] = {150, 620, 1060, 1500};
constexpr int kCellPadX = 14, kCellPadY = 24;
constexpr int kNoteSpacing = 48;
constexpr int kArrow = 22; // arrowhead length, page units

class Page {
public:
    explicit Page(const CardTexts& texts) : texts_(texts) {}

    std::string_view t(T id) const { return texts_(id); }

    void text(int x, int y, double size, std::string s)
    {
        if (s.empty()) return;
        PrintCommand c;
        c.kind = PrintCommand::Kind::Text;
        c.font_size = size;
        c.x = x;
        c.y = y;
        c.text = std::move(s);
        out_.push_back(std::move(c));
    }
    void line(Polyline points, double pen)
    {
        if (points.size() < 2) return;
        PrintCommand c;
        c.kind = PrintCommand::Kind::Line;
        for (Point& point : points) point = Point{OnPageGrid(point.x), OnPageGrid(point.y)};
        c.points = std::move(points);
        c.pen_width = pen;
        out_.push_back(std::move(c));
    }
    void line(double x0, double y0, double x1, double y1, double pen) { line(Polyline{{x0, y0}, {x1, y1}}, pen); }
    void rectangle(double x0, double y0, double x1, double y1, double pen)
    {
        line(Polyline{{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}, {x0, y0}}, pen);
    }
    // A dimension line with arrowheads at both ends pointing outwards to
    // the extension lines.
    void dimension(Point a, Point b, double pen)
    {
        line(Polyline{a, b}, pen);
        const double length = std::hypot(b.x - a.x, b.y - a.y);
        if (length <= 0.0) return;
        const double ux = (b.x - a.x) / length, uy = (b.y - a.y) / length;
        const double arrow = std::min<double>(kArrow, length / 3.0);
        for (const auto& [tip, dir] : {std::pair{a, 1.0}, std::pair{b, -1.0}}) {
            const double bx = tip.x + dir * ux * arrow, by = tip.y + dir * uy * arrow;
            line(Polyline{{bx - uy * arrow * 0.35, by + ux * arrow * 0.35}, tip, {bx + uy * arrow * 0.35, by - ux * arrow * 0.35}},
                 pen);
        }
    }

    std::vector<PrintCommand> take() { return std::move(out_); }

private:
    const CardTexts& texts_;
    std::vector<PrintCommand> out_;
};

std::string joined(std::initializer_list<std::string_view> parts)
{
    std::string s;
    for (std::string_view p : parts) s += p;
    return s;
}

std::string orMissing(const std::optional<std::string>& value, std::string_view missing)
{
    return value && !value->empty() ? *value : std::string(missing);
}

std::string fourOrMissing(const std::optional<double>& value, std::string_view missing)
{
    return value ? inspection::FourDecimals(*value) : std::string(missing);
}

// A number of the ball series as its size is written: no trailing zeros.
std::string shortNumber(double x)
{
    std::string s = inspection::FourDecimals(x);
    while (!s.empty() && s.back() == '0') s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
    return s;
}

struct Row {
    std::string cells[6];
    bool heading = false; // a heading row: its text spans the row
};

void heading(Page& p, const CardData& card)
{
    p.text(F::kLeft, F::kTitleY, kTitleSize, std::string(p.t(T::kTitle)));
    if (!card.item.empty()) p.text(1400, F::kTitleY + 40, 12.0, joined({p.t(T::kItem), card.item}));

    const ReportValues& r = card.report;
    const std::string_view missing = p.t(T::kMissing);
    const std::string_view mm = p.t(T::kMillimetre);
    const std::string_view deg = p.t(T::kDegree);
    const std::string rows[3][4] = {
        {joined({p.t(T::kModule), orMissing(r.module, missing), mm}), joined({p.t(T::kTeeth), orMissing(r.teeth, missing)}),
         joined({p.t(T::kPressureAngle), orMissing(r.pressure_angle, missing), deg}),
         joined({p.t(T::kHelixAngle), orMissing(r.helix_angle, missing), deg})},
        {joined({p.t(T::kPitchDiameter), orMissing(r.pitch_diameter, missing), mm}),
         joined({p.t(T::kTipDiameter), orMissing(r.tip_diameter, missing), mm}),
         joined({p.t(T::kRootDiameter), orMissing(r.root_diameter, missing), mm}),
         joined({p.t(T::kBaseDiameter), orMissing(r.base_diameter, missing), mm})},
        {joined({p.t(T::kGrade), r.grade ? joined({*r.grade, p.t(T::kGradeSuffix)}) : std::string(p.t(T::kNone))}),
         std::string(), 
         joined({p.t(T::kSeries), card.deviation_series.empty() ? p.t(T::kNone) : std::string_view(card.deviation_series),
                 p.t(T::kSeriesJoin),
                 card.tolerance_series.empty() ? p.t(T::kNone) : std::string_view(card.tolerance_series)}),
         std::string()},
    };
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 4; ++j) p.text(kDataColumns[j], 300 + 70 * i, kDataSize, rows[i][j]);
}

std::vector<Row> tableRows(const Page& p, const CardData& card)
{
    const std::string missing(p.t(T::kMissing));
    const ReportValues& r = card.report;
    std::vector<Row> rows;
    rows.push_back(Row{{std::string(p.t(T::kColumnItem)), std::string(p.t(T::kColumnGauge)),
                        std::string(p.t(T::kColumnNominal)), std::string(p.t(T::kColumnUpper)),
                        std::string(p.t(T::kColumnLower)), std::string(p.t(T::kColumnMeasured))}});
    rows.push_back(Row{{joined({p.t(T::kSpanRow), orMissing(r.teeth_spanned, missing), p.t(T::kSpanRowEnd)}),
                        std::string(p.t(T::kSpanGauge)), orMissing(r.span, missing),
                        PlainNumber(r.maker_span.value_or("")) ? *r.maker_span : missing,
                        fourOrMissing(card.span_lower, missing), ""}});
    {
        Row ball{{std::string(p.t(T::kBallRow)), joined({p.t(T::kBallGauge), missing}), missing, missing, missing, ""}};
        if (card.sheet) {
            const inspection::Sheet& s = *card.sheet;
            ball.cells[1] = joined({p.t(T::kBallGauge), shortNumber(s.ball_diameter), p.t(T::kMillimetre)});
            ball.cells[2] = inspection::FourDecimals(s.nominal.over_balls);
            if (s.upper) ball.cells[3] = inspection::FourDecimals(s.upper->over_balls);
            if (s.lower) ball.cells[4] = inspection::FourDecimals(s.lower->over_balls);
        }
        rows.push_back(std::move(ball));
    }
    {
        const std::optional<ChordalThickness>& c = card.chordal;
        rows.push_back(Row{{joined({p.t(T::kChordalRow), c ? inspection::FourDecimals(c->height) : missing,
                                    p.t(T::kSpanRowEnd)}),
                            std::string(p.t(T::kChordalGauge)), c ? inspection::FourDecimals(c->thickness) : missing,
                            c ? fourOrMissing(c->thickness_upper, missing) : missing,
                            c ? fourOrMissing(c->thickness_lower, missing) : missing, ""}});
    }
    if (IsoClassApplies(card.grade)) {
        const int cls = card.iso ? card.iso->tolerance_class : *card.grade;
        rows.push_back(Row{{joined({p.t(T::kIsoHeading), std::to_string(cls), "（", p.t(T::kMicrometre), "）"}), "", "", "",
                            "", ""},
                           true});
        const IsoTolerances* iso = card.iso ? &*card.iso : nullptr;
        auto value = [&](const std::string IsoTolerances::*field) { return iso ? iso->*field : missing; };
        auto signedRow = [&](T name, T gauge, const std::string IsoTolerances::*field) {
            const std::string v = value(field);
            const bool known = iso != nullptr;
            rows.push_back(Row{{std::string(p.t(name)), std::string(p.t(gauge)), "0", known ? "+" + v : v,
                                known ? "−" + v : v, ""}});
        };
        auto totalRow = [&](T name, T gauge, const std::string IsoTolerances::*field) {
            rows.push_back(Row{{std::string(p.t(name)), std::string(p.t(gauge)), "0", value(field), iso ? "0" : missing, ""}});
        };
        signedRow(T::kIsoPitch, T::kPitchGauge, &IsoTolerances::fpT);
        totalRow(T::kIsoCumulative, T::kPitchGauge, &IsoTolerances::FpT);
        signedRow(T::kIsoProfileSlope, T::kProfileGauge, &IsoTolerances::fHaT);
        totalRow(T::kIsoProfileForm, T::kProfileGauge, &IsoTolerances::ffaT);
        totalRow(T::kIsoProfileTotal, T::kProfileGauge, &IsoTolerances::FaT);
        totalRow(T::kIsoRunout, T::kRunoutGauge, &IsoTolerances::FrT);
    }
    return rows;
}

// The table; answers where it ends.
int table(Page& p, const std::vector<Row>& rows)
{
    const int top = F::kTableTop;
    const int bottom = top + F::kRowHeight * static_cast<int>(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const int y = top + F::kRowHeight * static_cast<int>(i);
        if (i > 0) p.line(F::kLeft, y, F::kRight, y, i == 1 ? 2.5 : F::kThinPen);
        const Row& row = rows[i];
        if (row.heading) {
            p.text(F::kColumns[0] + kCellPadX, y + kCellPadY, kTableSize, row.cells[0]);
            continue;
        }
        for (int c = 0; c < 6; ++c) p.text(F::kColumns[c] + kCellPadX, y + kCellPadY, kTableSize, row.cells[c]);
    }
    // Column rules; a heading row is not divided.
    for (int c = 0; c < 7; ++c) {
        const bool frame = c == 0 || c == 6;
        int from = top;
        for (std::size_t i = 0; i <= rows.size(); ++i) {
            const bool split = i == rows.size() || (rows[i].heading && !frame);
            if (!split) continue;
            const int to = top + F::kRowHeight * static_cast<int>(i);
            if (to > from) p.line(F::kColumns[c], from, F::kColumns[c], to, frame ? 2.5 : F::kThinPen);
            from = to + F::kRowHeight;
        }
    }
    p.line(F::kLeft, top, F::kRight, top, 2.5);
    p.line(F::kLeft, bottom, F::kRight, bottom, 2.5);
    return bottom;
}

void notes(Page& p, const CardData& card, int y)
{
    auto note = [&](T id) {
        p.text(F::kLeft, y, kNoteSize, std::string(p.t(id)));
        y += kNoteSpacing;
    };
    if (IsoClassApplies(card.grade)) note(T::kIsoHelixNote);
    else note(T::kIsoNoClass);
    if (card.ball_problem) note(T::kBallMissing);
    if (card.outside_tables) note(T::kOutsideTables);
}

void drawings(Page& p, const CardData& card)
{
    constexpr int kGap = 60;
    const int mid = (F::kLeft + F::kRight) / 2;
    const int boxes[2][2] = {{F::kLeft, mid - kGap / 2}, {mid + kGap / 2, F::kRight}};
    const int top = F::kDrawingTop, bottom = F::kDrawingBottom;
    for (const auto& box : boxes) p.rectangle(box[0], top, box[1], bottom, F::kThinPen);
    p.text(boxes[0][0] + 20, top + 16, kNoteSize + 1, std::string(p.t(T::kBallView)));
    p.text(boxes[1][0] + 20, top + 16, kNoteSize + 1, std::string(p.t(T::kSpanView)));
    if (!card.sheet) return;
    const inspection::Sheet& s = *card.sheet;
    const inspection::Geometry& g = s.geometry;
    const double area_top = top + 150, area_bottom = bottom - 90;

    // The balls in two neighbouring tooth spaces.
    {
        const BallDrawing d = DrawBalls(g, s.nominal, boxes[0][0] + 40, area_top, boxes[0][1] - 40, area_bottom);
        for (const Polyline& line : d.outline) p.line(line, F::kPen);
        for (const Polyline& line : d.balls) p.line(line, F::kPen);
        for (const Polyline& line : d.tangents) p.line(line, F::kThinPen);
        // The ball's diameter across the right-hand ball.
        if (d.ball_centres.size() == 2) {
            const Point c = d.ball_centres[1];
            p.dimension(Point{c.x - d.ball_radius, c.y}, Point{c.x + d.ball_radius, c.y}, F::kThinPen);
        }
        p.text(boxes[0][0] + 20, top + 70, kNoteSize,
               joined({"M_dK = ", inspection::FourDecimals(s.nominal.over_balls), p.t(T::kMillimetre), "   D_M = ",
                       shortNumber(s.ball_diameter), p.t(T::kMillimetre)}));
        if (g.helical()) p.text(boxes[0][0] + 20, top + 110, kNoteSize - 1, std::string(p.t(T::kHelicalBallNote)));
        p.text(boxes[0][0] + 20, bottom - 60, kNoteSize, joined({p.t(T::kScale), ScaleText(d.scale)}));
    }
    // The span over k teeth.
    const std::optional<double> k = PlainNumber(card.report.teeth_spanned.value_or(""));
    if (k && *k >= 1 && *k < g.teeth && *k == std::floor(*k)) {
        const SpanDrawing d = DrawSpan(g, static_cast<int>(*k), boxes[1][0] + 40, area_top, boxes[1][1] - 40, area_bottom);
        for (const Polyline& line : d.outline) p.line(line, F::kPen);
        for (const Polyline& line : d.anvils) p.line(line, F::kPen);
        p.line(d.normal, F::kThinPen);
        if (d.dimension.size() == 2) {
            p.dimension(d.dimension[0], d.dimension[1], F::kThinPen);
            p.text(static_cast<int>((d.dimension[0].x + d.dimension[1].x) / 2.0) - 15,
                   static_cast<int>(d.dimension[0].y) - 45, kNoteSize, "W");
        }
        p.text(boxes[1][0] + 20, top + 70, kNoteSize,
               joined({"W = ", orMissing(card.report.span, p.t(T::kMissing)), p.t(T::kMillimetre), "   k = ",
                       *card.report.teeth_spanned}));
        if (g.helical()) p.text(boxes[1][0] + 20, top + 110, kNoteSize - 1, std::string(p.t(T::kHelicalViewNote)));
        p.text(boxes[1][0] + 20, bottom - 60, kNoteSize, joined({p.t(T::kScale), ScaleText(d.scale)}));
    }
}

void footer(Page& p, const CardData& card)
{
    p.line(F::kLeft, F::kFooterY - 20, F::kRight, F::kFooterY - 20, F::kThinPen);
    p.text(F::kLeft, F::kFooterY, kNoteSize, std::string(p.t(T::kVersion)));
    std::string files(p.t(T::kCatalogues));
    for (std::size_t i = 0; i < card.catalogues.size(); ++i) {
        if (i > 0) files += p.t(T::kCatalogueJoin);
        files += card.catalogues[i];
    }
    p.text(1000, F::kFooterY, kNoteSize, files);
}

} // namespace

std::vector<PrintCommand> LayoutCard(const CardData& card, const CardTexts& texts)
{
    Page p(texts);
    heading(p, card);
    const int end = table(p, tableRows(p, card));
    notes(p, card, end + 30);
    drawings(p, card);
    footer(p, card);
    return p.take();
}

} // namespace gearcalc::card
