// The card's drawing in true involute geometry: the transverse outline of
// the teeth, the measuring ball in its tooth spaces, the span's anvils,
// scaled to a box of the page.
#include <gearcalc/card.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <numbers>

namespace gearcalc::card {

namespace {

constexpr double kPi = std::numbers::pi;

double involute(double a)
{
    return std::tan(a) - a;
}

Point polar(double r, double phi)
{
    return Point{r * std::sin(phi), r * std::cos(phi)};
}

double distanceToSegment(Point a, Point b, Point p)
{
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double length2 = dx * dx + dy * dy;
    double t = length2 > 0.0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / length2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(a.x + t * dx - p.x, a.y + t * dy - p.y);
}

} // namespace

double RootRadius(const inspection::Geometry& g)
{
    return g.pitch_diameter / 2.0 - 1.25 * g.normal_module;
}

double HalfToothAngle(const inspection::Geometry& g, double r)
{
    const double rb = g.base_diameter / 2.0;
    const double alpha_r = std::acos(std::clamp(rb / std::max(r, rb), -1.0, 1.0));
    return kPi / (2.0 * g.teeth) + involute(g.alpha_t) - involute(alpha_r);
}

Polyline TransverseOutline(const inspection::Geometry& g, double phase, double from, double to)
{
    constexpr int kFlankPoints = 48, kArcPoints = 12;
    const double tau = 2.0 * kPi / g.teeth;
    const double ra = g.tip_diameter / 2.0, rb = g.base_diameter / 2.0, rf = RootRadius(g);
    const double r_start = std::max(rb, rf);
    const double psi_start = HalfToothAngle(g, r_start);
    const double psi_tip = std::max(HalfToothAngle(g, ra), 0.0);

    Polyline all;
    std::vector<double> angles; // the polar angle of each point, ascending
    auto put = [&](double r, double phi) {
        all.push_back(polar(r, phi));
        angles.push_back(phi);
    };
    const int first = static_cast<int>(std::floor((from - phase) / tau)) - 1;
    const int last = static_cast<int>(std::ceil((to - phase) / tau)) + 1;
    for (int j = first; j <= last; ++j) {
        const double c = phase + j * tau;
        // Left flank, root to tip; below the base circle a radial line.
        if (rf < rb) put(rf, c - psi_start);
        for (int i = 0; i <= kFlankPoints; ++i) {
            // Denser near the base circle, where the involute bends most.
            const double t = static_cast<double>(i) / kFlankPoints;
            const double r = r_start + (ra - r_start) * t * t;
            put(r, c - HalfToothAngle(g, r));
        }
        for (int i = 1; i < kArcPoints; ++i) put(ra, c - psi_tip + 2.0 * psi_tip * i / kArcPoints);
        for (int i = kFlankPoints; i >= 0; --i) {
            const double t = static_cast<double>(i) / kFlankPoints;
            const double r = r_start + (ra - r_start) * t * t;
            put(r, c + HalfToothAngle(g, r));
        }
        if (rf < rb) put(rf, c + psi_start);
        // Root arc to the next tooth.
        const double a0 = c + psi_start, a1 = c + tau - psi_start;
        for (int i = 1; i < kArcPoints; ++i) put(rf, a0 + (a1 - a0) * i / kArcPoints);
    }
    // A point meant to lie on a bound (the middle of a tip arc, c − ψ + ψ)
    // comes out a few units in the last place to either side of it: it is
    // kept whichever way its rounding went, so the outline keeps both its
    // ends and its symmetry on every system.
    const double slack = 1e-9 * tau;
    Polyline out;
    for (std::size_t i = 0; i < all.size(); ++i)
        if (angles[i] >= from - slack && angles[i] <= to + slack) out.push_back(all[i]);
    return out;
}

Polyline Circle(Point centre, double radius, int segments)
{
    Polyline circle;
    for (int i = 0; i <= segments; ++i) {
        const double a = 2.0 * kPi * i / segments;
        circle.push_back(Point{centre.x + radius * std::cos(a), centre.y + radius * std::sin(a)});
    }
    return circle;
}

double DistanceTo(const Polyline& line, Point p)
{
    double best = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i + 1 < line.size(); ++i) best = std::min(best, distanceToSegment(line[i], line[i + 1], p));
    if (line.size() == 1) best = std::hypot(line[0].x - p.x, line[0].y - p.y);
    return best;
}

double StandardScale(double fit)
{
    static constexpr double kScales[] = {100, 50, 20, 10, 5, 2, 1, 0.5, 0.2, 0.1, 0.05, 0.02, 0.01, 0.005, 0.002, 0.001};
    for (double s : kScales)
        if (s <= fit * (1.0 + 1e-12)) return s;
    return fit;
}

std::string ScaleText(double scale)
{
    char buf[48];
    if (scale >= 1.0) {
        if (scale == std::round(scale)) std::snprintf(buf, sizeof buf, "%.0f : 1", scale);
        else std::snprintf(buf, sizeof buf, "%.3g : 1", scale);
    } else {
        const double n = 1.0 / scale;
        if (std::fabs(n - std::round(n)) < 1e-9) std::snprintf(buf, sizeof buf, "1 : %.0f", std::round(n));
        else std::snprintf(buf, sizeof buf, "1 : %.3g", n);
    }
    return buf;
}

Fit FitInto(const std::vector<Polyline>& parts, double left, double top, double right, double bottom)
{
    double x0 = std::numeric_limits<double>::infinity(), y0 = x0, x1 = -x0, y1 = -x0;
    for (const Polyline& line : parts)
        for (const Point& p : line) {
            x0 = std::min(x0, p.x);
            x1 = std::max(x1, p.x);
            y0 = std::min(y0, p.y);
            y1 = std::max(y1, p.y);
        }
    Fit fit;
    if (!(x1 > x0) || !(y1 > y0)) return fit;
    // Page units are tenths of a millimetre: 10 per paper millimetre.
    const double fits = std::min((right - left) / ((x1 - x0) * 10.0), (bottom - top) / ((y1 - y0) * 10.0));
    fit.scale = StandardScale(fits);
    const double k = fit.scale * 10.0;
    fit.origin_x = (left + right) / 2.0 - (x0 + x1) / 2.0 * k;
    fit.origin_y = (top + bottom) / 2.0 + (y0 + y1) / 2.0 * k;
    return fit;
}

Polyline Fit::page(const Polyline& line) const
{
    Polyline out;
    out.reserve(line.size());
    for (const Point& p : line) out.push_back(page(p));
    return out;
}

BallDrawing DrawBalls(const inspection::Geometry& g, const inspection::BallPosition& ball, double left, double top,
                      double right, double bottom)
{
    const double tau = 2.0 * kPi / g.teeth;
    const double radius = ball.ball_diameter / 2.0;
    const double rm = ball.centre_diameter / 2.0;
    std::vector<Polyline> gear{TransverseOutline(g, 0.0, -tau, tau)};
    std::vector<Point> centres{polar(rm, -tau / 2.0), polar(rm, tau / 2.0)};
    std::vector<Polyline> circles;
    for (const Point& c : centres) circles.push_back(Circle(c, radius));
    std::vector<Polyline> tangents;
    for (double phi : {-tau / 2.0, tau / 2.0}) {
        // The measuring plane touching the ball's outer side.
        const Point top_point = polar(rm + radius, phi);
        const Point along{std::cos(phi), -std::sin(phi)};
        tangents.push_back({Point{top_point.x - 0.9 * radius * along.x, top_point.y - 0.9 * radius * along.y},
                            Point{top_point.x + 0.9 * radius * along.x, top_point.y + 0.9 * radius * along.y}});
    }
    std::vector<Polyline> all = gear;
    all.insert(all.end(), circles.begin(), circles.end());
    all.insert(all.end(), tangents.begin(), tangents.end());
    const Fit fit = FitInto(all, left, top, right, bottom);

    BallDrawing d;
    d.scale = fit.scale;
    for (const Polyline& line : gear) d.outline.push_back(fit.page(line));
    for (const Polyline& line : circles) d.balls.push_back(fit.page(line));
    for (const Polyline& line : tangents) d.tangents.push_back(fit.page(line));
    for (const Point& c : centres) d.ball_centres.push_back(fit.page(c));
    d.ball_radius = radius * fit.scale * 10.0;
    return d;
}

SpanDrawing DrawSpan(const inspection::Geometry& g, int k, double left, double top, double right, double bottom)
{
    SpanDrawing d;
    if (k < 1) return d;
    const double tau = 2.0 * kPi / g.teeth;
    const double rb = g.base_diameter / 2.0, ra = g.tip_diameter / 2.0, rf = RootRadius(g);
    // The k teeth stand symmetric about the y axis; the anvils touch the
    // outer flanks where their common normal, the line y = r_b, is tangent
    // to the base circle at (0, r_b).
    const double half_span = rb * ((k - 1) / 2.0 * tau + HalfToothAngle(g, rb));
    const double window = (k + 1) / 2.0 * tau;
    std::vector<Polyline> gear{TransverseOutline(g, (k % 2 == 0) ? tau / 2.0 : 0.0, -window, window)};
    const double h = ra - rf;
    const double dim_y = ra + 0.6 * h;
    std::vector<Polyline> anvils{{Point{-half_span, rb - 0.35 * h}, Point{-half_span, dim_y + 0.25 * h}},
                                 {Point{half_span, rb - 0.35 * h}, Point{half_span, dim_y + 0.25 * h}}};
    const Polyline normal{Point{-half_span, rb}, Point{half_span, rb}};
    std::vector<Polyline> all = gear;
    all.insert(all.end(), anvils.begin(), anvils.end());
    const Fit fit = FitInto(all, left, top, right, bottom);
    d.scale = fit.scale;
    for (const Polyline& line : gear) d.outline.push_back(fit.page(line));
    for (const Polyline& line : anvils) d.anvils.push_back(fit.page(line));
    d.normal = fit.page(normal);
    d.dimension = fit.page(Polyline{Point{-half_span, dim_y}, Point{half_span, dim_y}});
    d.contacts = {fit.page(Point{-half_span, rb}), fit.page(Point{half_span, rb})};
    d.transverse_span = 2.0 * half_span;
    return d;
}

} // namespace gearcalc::card
