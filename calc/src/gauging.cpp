#include "gearcalc/gauging.hpp"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <numbers>
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

double involute(double a)
{
    return std::tan(a) - a;
}

std::string number(double x)
{
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, x);
    return std::string(buf, r.ptr);
}

// The angle a in (0, π/2) with inv a = v, v > 0. inv is convex and rising
// there, so Newton's method started to the right of the root moves
// monotonically onto it; inv a ≥ a³/3 gives such a start.
double inverseInvolute(double v)
{
    double a = std::cbrt(3.0 * v);
    if (!(a < kHalfPi)) a = 1.0;
    while (involute(a) < v) a = 0.5 * (a + kHalfPi);
    for (int i = 0; i < 100; ++i) {
        const double t = std::tan(a);
        const double step = (t - a - v) / (t * t);
        // From the right every step is positive until rounding takes over.
        if (!(step > 0.0)) break;
        a -= step;
        if (step <= 1e-15 * a) break;
    }
    return a;
}

// The ideal ball's centre angle αMt: the ball touches the flanks on the
// pitch circle (αyt = αt). With tan αyt = tan αMt − D_M cos β_b / d_b and the
// centre equation, D_M / (d_b cos β_b) = (tan αMt − tan αt) / cos² β_b, so
// αMt + tan αMt · tan² β_b = αt + tan αt · tan² β_b + π / (2z). The left
// side is convex and rising; Newton from the right, starting at
// αt + π/(2z), converges monotonically. For a spur gear αMt = αt + π/(2z).
double idealCentreAngle(const Geometry& g)
{
    const double t2 = std::tan(g.beta_b) * std::tan(g.beta_b);
    const double target = g.alpha_t + std::tan(g.alpha_t) * t2 + kPi / (2.0 * g.teeth);
    double a = g.alpha_t + kPi / (2.0 * g.teeth);
    for (int i = 0; i < 100 && t2 > 0.0; ++i) {
        const double t = std::tan(a);
        const double step = (a + t * t2 - target) / (1.0 + t2 * (1.0 + t * t));
        if (!(step > 0.0)) break;
        a -= step;
        if (step <= 1e-15 * a) break;
    }
    return a;
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
    const double inv_centre = involute(g.alpha_t) + ball_diameter / (mz * std::cos(g.alpha_n)) -
                              kPi / (2.0 * g.teeth) + thickness_allowance / mz;
    const std::string ball = "a ball of " + number(ball_diameter) + " mm";
    if (!(inv_centre > 0.0))
        return R::failure(ball + " is too small: it sinks below the base circle instead of resting on the flanks");

    BallPosition p;
    p.ball_diameter = ball_diameter;
    p.alpha_mt = inverseInvolute(inv_centre);
    p.centre_diameter = g.base_diameter / std::cos(p.alpha_mt);
    const double tan_contact = std::tan(p.alpha_mt) - ball_diameter * std::cos(g.beta_b) / g.base_diameter;
    if (!(tan_contact > 0.0))
        return R::failure(ball + " is too small: it would touch the flanks below the base circle");
    p.contact_diameter = g.base_diameter * std::sqrt(1.0 + tan_contact * tan_contact);
    if (p.contact_diameter > g.tip_diameter)
        return R::failure(ball + " is too large: it would touch the teeth above the tip circle (at " +
                          number(RoundTo4(p.contact_diameter)) + " mm, tip circle " +
                          number(RoundTo4(g.tip_diameter)) + " mm)");
    const double across = g.teeth % 2 == 0 ? p.centre_diameter : p.centre_diameter * std::cos(kHalfPi / g.teeth);
    p.over_balls = across + ball_diameter;
    p.radial = 0.5 * (p.centre_diameter + ball_diameter);
    return p;
}

double IdealBallDiameter(const Geometry& g)
{
    const double a = idealCentreAngle(g);
    return g.base_diameter * (std::tan(a) - std::tan(g.alpha_t)) / std::cos(g.beta_b);
}

SpanMeasurability SpanFits(const Geometry& g, double span, double face_width)
{
    SpanMeasurability s;
    const double contact_line = 1.2 + 0.018 * span;
    s.needed_face_width = span * std::sin(g.beta_b) + contact_line * std::cos(g.beta_b);
    s.measurable = face_width >= s.needed_face_width;
    return s;
}

double RoundTo4(double x)
{
    if (!std::isfinite(x)) return x;
    // Rounded on the 15-significant-digit decimal form, so a value that
    // prints as a half (for example 2.00005) rounds away from zero even
    // when its binary form lies just below the half.
    char buf[40];
    const auto r = std::to_chars(buf, buf + sizeof buf, std::fabs(x), std::chars_format::scientific, 14);
    const std::string_view text(buf, static_cast<std::size_t>(r.ptr - buf));
    const std::size_t e = text.find('e');
    int64_t mantissa = 0;
    for (char c : text.substr(0, e))
        if (c != '.') mantissa = mantissa * 10 + (c - '0');
    const int exponent = std::atoi(std::string(text.substr(e + 1)).c_str());
    const int drop = 14 - exponent - 4; // decimal places beyond the fourth
    if (drop <= 0) return x;
    if (drop > 15) return 0.0;
    int64_t unit = 1;
    for (int i = 0; i < drop; ++i) unit *= 10;
    int64_t kept = mantissa / unit;
    if ((mantissa % unit) * 2 >= unit) ++kept;
    if (kept == 0) return 0.0;
    const std::string scaled = std::to_string(kept) + "e-4";
    double y = 0.0;
    std::from_chars(scaled.data(), scaled.data() + scaled.size(), y);
    return x < 0.0 ? -y : y;
}

std::string FourDecimals(double x)
{
    const double rounded = RoundTo4(x);
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, rounded == 0.0 ? 0.0 : rounded, std::chars_format::fixed, 4);
    if (r.ec != std::errc()) return number(rounded); // beyond 60 digits: no gear is that large
    return std::string(buf, r.ptr);
}

} // namespace gearcalc::inspection
