// Chordal tooth thickness, ISO 1328-1:2013 tolerances and the backlash of a
// pair; the formulas and their sources are listed in tooth_checks.hpp.
#include "gearcalc/tooth_checks.hpp"

#include "decimal_rounding.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <optional>
#include <string>
#include <string_view>

namespace gearcalc::inspection {

namespace {

constexpr double kPi = std::numbers::pi;

std::string number(double x)
{
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, x);
    return std::string(buf, r.ptr);
}

// ---- chordal tooth ----

// The virtual spur gear of the normal section: z_n and d_n.
struct VirtualGear {
    double teeth = 0.0;
    double diameter = 0.0;
};

VirtualGear virtualGear(const Geometry& g)
{
    const double cb = std::cos(g.beta_b);
    VirtualGear v;
    v.teeth = g.teeth / (cb * cb * std::cos(g.beta));
    v.diameter = g.normal_module * v.teeth;
    return v;
}

Result<Chordal> chordAt(const Geometry& g, const VirtualGear& v, double allowance)
{
    using R = Result<Chordal>;
    if (!std::isfinite(allowance)) return R::failure("the tooth-thickness allowance is not a number");
    const double nominal = g.normal_module * kPi / 2.0;
    const double thickness = nominal + allowance;
    // The arc thickness must stay between nothing and the whole normal
    // pitch (a tooth without a space).
    if (!(thickness > 0.0))
        return R::failure("the tooth-thickness allowance " + number(allowance) + " mm leaves no tooth (the tooth is " +
                          number(RoundTo4(nominal)) + " mm thick)");
    if (!(thickness < 2.0 * nominal))
        return R::failure("the tooth-thickness allowance " + number(allowance) +
                          " mm leaves no tooth space (the normal pitch is " + number(RoundTo4(2.0 * nominal)) +
                          " mm)");
    const double psi = thickness / v.diameter;
    const double half_sin = std::sin(psi / 2.0);
    Chordal c;
    c.thickness = v.diameter * std::sin(psi);
    // 1 − cos ψ = 2 sin²(ψ/2), without the cancellation of a small ψ.
    c.height = g.normal_module + v.diameter * half_sin * half_sin;
    return c;
}

// ---- tolerances ----

// x rounded to `places` decimals, halves up, decided on the
// 15-significant-digit decimal form of x (x ≥ 0).
double roundDecimal(double x, int places)
{
    if (!std::isfinite(x) || x <= 0.0) return x;
    const std::optional<int64_t> kept = decimalUnits(x, places);
    if (!kept) return x;
    return *kept == 0 ? 0.0 : fromDecimalUnits(*kept, places);
}

std::string outside(std::string_view what, double value, std::string_view range)
{
    return std::string(what) + " " + number(value) + " lies outside the range of ISO 1328-1:2013 (" +
           std::string(range) + ")";
}

// ---- pair ----

bool same(double a, double b)
{
    return std::fabs(a - b) <= 1e-9 * std::max(std::fabs(a), std::fabs(b));
}

} // namespace

Result<Chordal> ChordalAt(const Gear& gear, double thickness_allowance)
{
    const Result<Geometry> g = DeriveGeometry(gear);
    if (!g) return Result<Chordal>::failure(g.problem());
    return chordAt(g.value(), virtualGear(g.value()), thickness_allowance);
}

Result<ChordalTooth> ChordalToothThickness(const Gear& gear, std::optional<double> upper_allowance,
                                           std::optional<double> tolerance)
{
    using R = Result<ChordalTooth>;
    const Result<Geometry> g = DeriveGeometry(gear);
    if (!g) return R::failure(g.problem());
    const VirtualGear v = virtualGear(g.value());
    ChordalTooth t;
    t.virtual_teeth = v.teeth;
    t.virtual_diameter = v.diameter;
    const Result<Chordal> nominal = chordAt(g.value(), v, 0.0);
    if (!nominal) return R::failure(nominal.problem());
    t.nominal = nominal.value();
    // As in the report: the lower allowance is A − T, A = 0 without A.
    const double a = upper_allowance.value_or(0.0);
    if (upper_allowance) {
        const Result<Chordal> upper = chordAt(g.value(), v, a);
        if (!upper) return R::failure(upper.problem() + " at the upper allowance");
        t.upper = upper.value();
    }
    if (tolerance) {
        const Result<Chordal> lower = chordAt(g.value(), v, a - *tolerance);
        if (!lower) return R::failure(lower.problem() + " at the lower allowance");
        t.lower = lower.value();
    }
    return t;
}

Tolerance RoundTolerance(double um)
{
    Tolerance t;
    t.exact = um;
    if (um > 10.0) {
        t.rounded = roundDecimal(um, 0);
        t.decimals = 0;
    } else if (um >= 5.0) {
        // To 0.5 µm: twice the value (exact in binary) to a whole number.
        t.rounded = roundDecimal(2.0 * um, 0) / 2.0;
        t.decimals = 1;
    } else {
        t.rounded = roundDecimal(um, 1);
        t.decimals = 1;
    }
    return t;
}

std::string ToleranceText(const Tolerance& t)
{
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, t.rounded, std::chars_format::fixed, t.decimals);
    if (r.ec != std::errc()) return number(t.rounded);
    return std::string(buf, r.ptr);
}

Result<IsoTolerances> Iso1328Tolerances(const Gear& gear, int tolerance_class, std::optional<double> face_width)
{
    using R = Result<IsoTolerances>;
    if (tolerance_class < kFirstIsoClass || tolerance_class > kLastIsoClass)
        return R::failure("the tolerance class " + std::to_string(tolerance_class) +
                          " is not one of ISO 1328-1:2013's classes 1 to 11");
    const Result<Geometry> geometry = DeriveGeometry(gear);
    if (!geometry) return R::failure(geometry.problem());
    const Geometry& g = geometry.value();
    const double d = g.pitch_diameter, m = g.normal_module;
    if (g.teeth < 5 || g.teeth > 1000) return R::failure(outside("the number of teeth", g.teeth, "5 to 1000"));
    if (d < 5.0 || d > 15000.0) return R::failure(outside("the reference diameter", d, "5 to 15000 mm"));
    if (m < 0.5 || m > 70.0) return R::failure(outside("the module", m, "0.5 to 70 mm"));
    if (std::fabs(gear.helix_angle) > 45.0)
        return R::failure(outside("the helix angle", std::fabs(gear.helix_angle), "up to 45 degrees"));
    if (face_width && !(*face_width >= kIsoLeastFaceWidth && *face_width <= kIsoLargestFaceWidth))
        return R::failure(outside("the face width", *face_width, "4 to 1200 mm"));

    const double s = std::pow(2.0, (tolerance_class - 5) / 2.0);
    const double sd = std::sqrt(d);
    IsoTolerances t;
    t.tolerance_class = tolerance_class;
    const double fp = (0.001 * d + 0.4 * m + 5.0) * s;
    const double Fp = (0.002 * d + 0.55 * sd + 0.7 * m + 12.0) * s;
    const double fHa = (0.4 * m + 0.001 * d + 4.0) * s;
    const double ffa = (0.55 * m + 5.0) * s;
    t.fpT = RoundTolerance(fp);
    t.FpT = RoundTolerance(Fp);
    t.fHaT = RoundTolerance(fHa);
    t.ffaT = RoundTolerance(ffa);
    t.FaT = RoundTolerance(std::hypot(fHa, ffa));
    t.FrT = RoundTolerance(0.9 * Fp);
    if (face_width) {
        const double sb = std::sqrt(*face_width);
        const double fHb = (0.05 * sd + 0.35 * sb + 4.0) * s;
        const double ffb = (0.07 * sd + 0.45 * sb + 4.0) * s;
        t.fHbT = RoundTolerance(fHb);
        t.ffbT = RoundTolerance(ffb);
        t.FbT = RoundTolerance(std::hypot(fHb, ffb));
    }
    return t;
}

Result<Backlash> PairBacklash(const PairGear& first, const PairGear& mate, const CentreDistanceAllowances& allowances)
{
    using R = Result<Backlash>;
    const Result<Geometry> g1 = DeriveGeometry(first.gear);
    if (!g1) return R::failure(g1.problem());
    const Result<Geometry> g2 = DeriveGeometry(mate.gear);
    if (!g2) return R::failure("the mate: " + g2.problem());
    if (!same(first.gear.normal_module, mate.gear.normal_module))
        return R::failure("the mate's module " + number(mate.gear.normal_module) + " differs from the gear's " +
                          number(first.gear.normal_module) + ": meshing gears have the same module");
    if (!same(first.gear.pressure_angle, mate.gear.pressure_angle))
        return R::failure("the mate's pressure angle " + number(mate.gear.pressure_angle) +
                          " differs from the gear's " + number(first.gear.pressure_angle) +
                          ": meshing gears have the same pressure angle");
    if (!same(std::fabs(first.gear.helix_angle), std::fabs(mate.gear.helix_angle)))
        return R::failure("the mate's helix angle " + number(mate.gear.helix_angle) + " differs from the gear's " +
                          number(first.gear.helix_angle) +
                          ": meshing gears have the same helix angle (of opposite hand)");
    for (const PairGear* p : {&first, &mate}) {
        const char* which = p == &first ? "the gear's" : "the mate's";
        if (!std::isfinite(p->upper_allowance))
            return R::failure(std::string(which) + " upper tooth-thickness allowance is not a number");
        if (!std::isfinite(p->tolerance) || p->tolerance <= 0.0)
            return R::failure(std::string(which) + " tooth-thickness tolerance must be a positive number, not " +
                              number(p->tolerance));
    }
    if (!std::isfinite(allowances.upper) || !std::isfinite(allowances.lower))
        return R::failure("the centre-distance allowances must be numbers");
    if (allowances.upper < allowances.lower)
        return R::failure("the upper centre-distance allowance " + number(allowances.upper) +
                          " mm lies below the lower " + number(allowances.lower) + " mm");

    const Geometry& a = g1.value();
    const double cos_beta = std::cos(a.beta);
    const double tan_at = std::tan(a.alpha_t);
    const double to_normal = std::cos(a.alpha_n) * cos_beta;
    Backlash b;
    b.first_pitch_diameter = a.pitch_diameter;
    b.mate_pitch_diameter = g2->pitch_diameter;
    b.centre_distance = (a.pitch_diameter + g2->pitch_diameter) / 2.0;
    b.jt_min = -(first.upper_allowance + mate.upper_allowance) / cos_beta + 2.0 * allowances.lower * tan_at;
    b.jt_max = -((first.upper_allowance - first.tolerance) + (mate.upper_allowance - mate.tolerance)) / cos_beta +
               2.0 * allowances.upper * tan_at;
    b.jn_min = b.jt_min * to_normal;
    b.jn_max = b.jt_max * to_normal;
    // Below a nanometre is rounding noise, not a jam.
    b.interference = b.jt_min < -1e-9;
    return b;
}

} // namespace gearcalc::inspection
