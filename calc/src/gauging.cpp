#include "gearcalc/gauging.hpp"

#include "bounded_root.hpp"
#include "decimal_rounding.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <numbers>
#include <optional>
#include <string>

namespace gearcalc::inspection {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kHalfPi = std::numbers::pi / 2.0;
constexpr int kFewestTeeth = 3;
constexpr int kMostTeeth = 100000;

double radians(double degrees)
{
    return degrees * kPi / 180.0;
}

// inv a = tan a − a. Below 1e-3 rad the difference would lose most of its
// digits to cancellation, so the series a³/3 + 2a⁵/15 + 17a⁷/315 stands in.
double involute(double a)
{
    if (std::fabs(a) < 1e-3) {
        const double a2 = a * a;
        return a * a2 * (1.0 / 3.0 + a2 * (2.0 / 15.0 + a2 * (17.0 / 315.0)));
    }
    return std::tan(a) - a;
}

std::string number(double x)
{
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, x);
    return std::string(buf, r.ptr);
}

// A diameter in a message: to 4 decimals like the report, or, for a gear so
// small that 4 decimals would show 0, to 6 significant digits.
std::string diameter(double x)
{
    const double rounded = RoundTo4(x);
    if (rounded != 0.0 || x == 0.0) return number(rounded);
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::general, 6);
    return std::string(buf, r.ptr);
}

// An angle a in (0, π/2) held together with its complement π/2 − a, so that
// an angle a hair's breadth below π/2 (a huge ball on a tiny gear) keeps its
// digits: cos a = sin(π/2 − a).
struct Angle {
    double a = 0.0;
    double complement = kHalfPi;
};

// The angle a in (0, π/2) with inv a = v, v > 0. inv is rising there, so the
// root is bracketed: inv a ≥ a³/3 puts it below ∛(3v). Up to v = 1 (a below
// about 1.13) the search runs on a itself; above, on the complement
// e = π/2 − a, where inv a = cot e + e − π/2 and the root lies between
// 1/(2(v + π/2)) and π/2 − 1. Nothing for v that is not finite, or so large
// (beyond 1e300) that the complement underflows.
std::optional<Angle> inverseInvolute(double v)
{
    if (!std::isfinite(v) || !(v > 0.0) || v > 1e300) return std::nullopt;
    if (v <= 1.0) {
        const auto a = BoundedRoot(
            [v](double x) {
                const double t = std::tan(x);
                return Slope{involute(x) - v, t * t};
            },
            0.0, std::min(std::cbrt(3.0 * v), 1.2));
        if (!a) return std::nullopt;
        return Angle{*a, kHalfPi - *a};
    }
    const auto e = BoundedRoot(
        [v](double x) {
            const double cot = 1.0 / std::tan(x);
            return Slope{cot + x - kHalfPi - v, -cot * cot};
        },
        0.5 / (v + kHalfPi), kHalfPi - 1.0);
    if (!e) return std::nullopt;
    return Angle{kHalfPi - *e, *e};
}

// The ideal ball's centre angle αMt: the ball touches the flanks on the
// pitch circle (αyt = αt). With tan αyt = tan αMt − D_M cos β_b / d_b and the
// centre equation, D_M / (d_b cos β_b) = (tan αMt − tan αt) / cos² β_b, so
// αMt + tan αMt · tan² β_b = αt + tan αt · tan² β_b + π / (2z). The left
// side is rising; the root lies between αt and αt + π/(2z) (the spur gear's
// αMt), which is bracketed by αt + π/z kept below π/2. Nothing when the gear
// leaves no room for it below π/2.
std::optional<double> idealCentreAngle(const Geometry& g)
{
    const double half_space = kPi / (2.0 * g.teeth);
    const double t2 = std::tan(g.beta_b) * std::tan(g.beta_b);
    if (t2 == 0.0) return g.alpha_t + half_space;
    const double tan_t = std::tan(g.alpha_t);
    const double hi = std::min(g.alpha_t + 2.0 * half_space, std::nextafter(kHalfPi, 0.0));
    return BoundedRoot(
        [&](double a) {
            const double t = std::tan(a);
            return Slope{(a - g.alpha_t - half_space) + (t - tan_t) * t2, 1.0 + t2 * (1.0 + t * t)};
        },
        g.alpha_t, hi);
}

} // namespace

Result<Geometry> DeriveGeometry(const Gear& gear)
{
    using R = Result<Geometry>;
    if (!std::isfinite(gear.normal_module) || gear.normal_module <= 0.0)
        return R::failure("the module must be a positive number, not " + number(gear.normal_module));
    if (!std::isfinite(gear.teeth) || gear.teeth != std::floor(gear.teeth) || gear.teeth < kFewestTeeth ||
        gear.teeth > kMostTeeth)
        return R::failure("the number of teeth must be a whole number from 3 to 100000, not " + number(gear.teeth));
    if (!std::isfinite(gear.pressure_angle) || gear.pressure_angle <= 0.0 || gear.pressure_angle >= 90.0)
        return R::failure("the pressure angle must lie between 0 and 90 degrees, not " + number(gear.pressure_angle));
    if (!std::isfinite(gear.helix_angle) || std::fabs(gear.helix_angle) >= 90.0)
        return R::failure("the helix angle must lie between -90 and 90 degrees, not " + number(gear.helix_angle));

    Geometry g;
    g.teeth = static_cast<int>(gear.teeth);
    g.normal_module = gear.normal_module;
    g.alpha_n = radians(gear.pressure_angle);
    g.beta = radians(std::fabs(gear.helix_angle));
    g.alpha_t = std::atan(std::tan(g.alpha_n) / std::cos(g.beta));
    g.beta_b = std::asin(std::sin(g.beta) * std::cos(g.alpha_n));
    g.pitch_diameter = g.teeth * g.normal_module / std::cos(g.beta);
    g.base_diameter = g.pitch_diameter * std::cos(g.alpha_t);
    g.tip_diameter = g.pitch_diameter + 2.0 * g.normal_module;
    if (!std::isfinite(g.tip_diameter) || !(g.base_diameter > 0.0))
        return R::failure("a gear of module " + number(gear.normal_module) + " mm and " + number(gear.teeth) +
                          " teeth is beyond the range of numbers");
    return g;
}

Result<BallPosition> OverBalls(const Geometry& g, double ball_diameter, double thickness_allowance)
{
    using R = Result<BallPosition>;
    if (!std::isfinite(ball_diameter) || ball_diameter <= 0.0)
        return R::failure("the ball diameter must be a positive number, not " + number(ball_diameter));
    if (!std::isfinite(thickness_allowance))
        return R::failure("the tooth-thickness allowance is not a number");
    const double mz = g.normal_module * g.teeth;
    // inv αMt = (the ball's share) + (the gear's share): the ball's share
    // s = D_M / (m_n z cos αn) grows without bound with the ball, the gear's
    // share c stays small. They are kept apart for the contact point below.
    const double ball_share = ball_diameter / (mz * std::cos(g.alpha_n));
    const double gear_share = involute(g.alpha_t) - kPi / (2.0 * g.teeth) + thickness_allowance / mz;
    const double inv_centre = gear_share + ball_share;
    const std::string ball = "a ball of " + number(ball_diameter) + " mm";
    if (std::isnan(inv_centre)) return R::failure("the dimension over " + ball + " cannot be computed for this gear");
    if (!(inv_centre > 0.0))
        return R::failure(ball + " is too small: it sinks below the base circle instead of resting on the flanks");
    const std::optional<Angle> centre = inverseInvolute(inv_centre);
    if (!centre)
        return R::failure(ball + " is far too large for this gear (module " + number(g.normal_module) +
                          " mm): it cannot rest in a tooth space");

    BallPosition p;
    p.ball_diameter = ball_diameter;
    p.alpha_mt = centre->a;
    p.centre_diameter = g.base_diameter / std::sin(centre->complement);
    // tan αyt = tan αMt − D_M cos β_b / d_b. With tan αMt = inv αMt + αMt and
    // D_M cos β_b / d_b = s cos² β_b this is c + αMt + s sin² β_b: the same
    // value without subtracting two huge numbers, so a huge ball is not
    // mistaken for one that sinks below the base circle.
    const double sin_b = std::sin(g.beta_b);
    const double tan_contact = gear_share + centre->a + ball_share * sin_b * sin_b;
    if (!(tan_contact > 0.0))
        return R::failure(ball + " is too small: it would touch the flanks below the base circle");
    p.contact_diameter = g.base_diameter * std::hypot(1.0, tan_contact);
    if (p.contact_diameter > g.tip_diameter)
        return R::failure(ball + " is too large: it would touch the teeth above the tip circle (at " +
                          diameter(p.contact_diameter) + " mm, tip circle " + diameter(g.tip_diameter) + " mm)");
    const double across = g.teeth % 2 == 0 ? p.centre_diameter : p.centre_diameter * std::cos(kHalfPi / g.teeth);
    p.over_balls = across + ball_diameter;
    p.radial = 0.5 * (p.centre_diameter + ball_diameter);
    if (!std::isfinite(p.over_balls) || !std::isfinite(p.radial))
        return R::failure("the dimension over " + ball + " is beyond the range of numbers");
    return p;
}

double IdealBallDiameter(const Geometry& g)
{
    const std::optional<double> a = idealCentreAngle(g);
    if (!a) return std::numeric_limits<double>::quiet_NaN();
    return g.base_diameter * (std::tan(*a) - std::tan(g.alpha_t)) / std::cos(g.beta_b);
}

SpanMeasurability SpanFits(const Geometry& g, double span, double face_width)
{
    SpanMeasurability s;
    const double contact_line = 1.2 + 0.018 * span;
    s.needed_face_width = span * std::sin(g.beta_b) + contact_line * std::cos(g.beta_b);
    s.measurable = face_width >= s.needed_face_width;
    return s;
}

namespace {

// |x| in ten-thousandths, rounded on its 15-significant-digit decimal form;
// nothing from 1e10 on, or when x is not finite.
std::optional<int64_t> tenThousandths(double x)
{
    return decimalUnits(x, 4);
}

} // namespace

double RoundTo4(double x)
{
    const std::optional<int64_t> kept = tenThousandths(x);
    if (!kept) return x;
    if (*kept == 0) return 0.0;
    const double y = fromDecimalUnits(*kept, 4);
    return x < 0.0 ? -y : y;
}

std::string FourDecimals(double x)
{
    const std::optional<int64_t> kept = tenThousandths(x);
    if (kept) {
        // The digits of kept with the point before the last four: the text
        // of RoundTo4(x) to 4 decimals, which reads back as kept below 1e10.
        char buf[32];
        char* o = buf;
        if (x < 0.0 && *kept != 0) *o++ = '-';
        o = std::to_chars(o, buf + sizeof buf, *kept / 10000).ptr;
        *o++ = '.';
        const auto fraction = static_cast<int>(*kept % 10000);
        for (int place = 1000; place > 0; place /= 10) *o++ = static_cast<char>('0' + fraction / place % 10);
        return std::string(buf, o);
    }
    const double rounded = RoundTo4(x);
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, rounded == 0.0 ? 0.0 : rounded, std::chars_format::fixed, 4);
    if (r.ec != std::errc()) return number(rounded); // beyond 60 digits: no gear is that large
    return std::string(buf, r.ptr);
}

} // namespace gearcalc::inspection
