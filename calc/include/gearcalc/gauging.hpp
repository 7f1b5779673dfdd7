// Test dimensions of the tooth thickness beyond the span: the dimension over
// two balls (or pins), the radial single-ball dimension, the choice of the
// measuring ball, and whether a helical gear is wide enough for the span
// measurement. External spur and helical gears without profile shift, as the
// report computes them. Plain arithmetic on doubles: no runtime, no Qt.
//
// Where the formulas come from:
// - DIN ISO 21771:2014 (cylindrical gears, geometry): transverse pressure
//   angle tan αt = tan αn / cos β, base diameter d_b = d · cos αt, base helix
//   angle sin β_b = sin β · cos αn, tip diameter d_a = d + 2 m_n (x = 0,
//   addendum m_n, as the report's tip line).
// - DIN 21773:2014 §8 to §11 (formerly DIN 3960:1987 §3.8, dimension over
//   balls and pins): the ball centre lies on the circle d_M = d_b / cos αMt
//   with, for x = 0,
//       inv αMt = inv αt + D_M / (m_n · z · cos αn) − π / (2z) + E_sn / (m_n · z);
//   the diametral two-ball dimension is M_dK = d_M + D_M for an even number
//   of teeth and M_dK = d_M · cos(90°/z) + D_M for an odd one (both balls in
//   one transverse plane); the radial single-ball dimension is
//   M_rK = (d_M + D_M) / 2, which is M_dK / 2 for an even number of teeth.
//   Pins (cylinders) give the same dimension on a spur gear only; on a
//   helical gear they touch differently, so only balls apply.
// - The contact point: the ball's normal to the flank lies in the plane
//   tangent to the base cylinder, so the contact circle d_y has
//   tan αyt = tan αMt − D_M · cos β_b / d_b. The ball is usable only when
//   d_b < d_y ≤ d_a.
// - DIN 21773:2014 Eq. (26), (27) and DIN 3977:1981 §6 (measuring balls and
//   rollers): the ideal ball touches the flanks on the V-circle, which is the
//   pitch circle when x = 0; the ball used is the next larger size of the
//   series of DIN 3977 Table 1 (measuringBallSeries(), see calc/SOURCES.md).
// - DIN 21773:2014 Eq. (15), (16): the span over k teeth of a helical gear
//   can be measured only on a face width of at least
//       b_min = W_k · sin β_b + b_M · cos β_b,   b_M = 1.2 mm + 0.018 · W_k,
//   b_M being the length of contact line the measuring anvils need.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <utility>

namespace gearcalc::inspection {

// A value, or the reason why there is none, in words a user can act on.
template <typename T>
class Result {
public:
    Result(T value) : value_(std::move(value)) {}
    static Result failure(std::string why)
    {
        Result r;
        r.problem_ = std::move(why);
        return r;
    }
    explicit operator bool() const { return value_.has_value(); }
    const T& value() const { return *value_; }
    const T* operator->() const { return &*value_; }
    const std::string& problem() const { return problem_; }

private:
    Result() = default;
    std::optional<T> value_;
    std::string problem_;
};

// The gear as the report takes it: normal module and pressure angle, helix
// angle 0 for a spur gear. Angles in degrees.
struct Gear {
    double normal_module = 0.0;  // m_n, mm
    double teeth = 0.0;          // z, a whole number
    double pressure_angle = 0.0; // αn, degrees
    double helix_angle = 0.0;    // β, degrees; its sign (hand) does not matter
};

// The circles and angles the test dimensions are built from. Angles in
// radians, lengths in mm.
struct Geometry {
    int teeth = 0;
    double normal_module = 0.0;
    double alpha_n = 0.0;          // normal pressure angle
    double beta = 0.0;             // helix angle, |β|
    double alpha_t = 0.0;          // transverse pressure angle
    double beta_b = 0.0;           // base helix angle
    double pitch_diameter = 0.0;   // d = z m_n / cos β
    double base_diameter = 0.0;    // d_b = d cos αt
    double tip_diameter = 0.0;     // d_a = d + 2 m_n
    bool helical() const { return beta != 0.0; }
};

// Checks the gear and derives its circles. Fails for a module that is not
// positive, a tooth count that is not a whole number from 3 to 100000, a
// pressure angle outside 0° < αn < 90°, a helix angle of 90° or more, or
// circles beyond the range of doubles.
Result<Geometry> DeriveGeometry(const Gear& gear);

// Where a ball of diameter D_M rests in a tooth space whose teeth are thinned
// by the allowance E_sn (mm, negative makes them thinner).
struct BallPosition {
    double ball_diameter = 0.0;    // D_M
    double alpha_mt = 0.0;         // transverse pressure angle at the ball centre
    double centre_diameter = 0.0;  // d_M, the circle through the ball centres
    double contact_diameter = 0.0; // d_y, where the ball touches the flanks
    double over_balls = 0.0;       // M_dK
    double radial = 0.0;           // M_rK
};

// The ball's position and the dimensions over it. Fails when D_M is not a
// positive number, or when the ball would not touch both flanks between the
// base circle and the tip circle (too small: it sinks to the base circle; too
// large: it rests on the tips; far too large: its position cannot be
// computed at all). Always returns: every iteration inside is bounded.
Result<BallPosition> OverBalls(const Geometry& gear, double ball_diameter, double thickness_allowance);

// The ball diameter that touches the flanks exactly on the pitch circle (the
// V-circle of a gear without profile shift), for the nominal tooth thickness.
// NaN when the gear leaves no room for such a ball.
double IdealBallDiameter(const Geometry& gear);

// The published series of measuring ball and pin diameters, mm, ascending.
std::span<const double> MeasuringBallSeries();

// The smallest series size that is not smaller than `diameter` (sizes within
// a relative 1e-9 count as equal). Fails above the largest size.
Result<double> NextSeriesBall(double diameter);

// Whether the span over k teeth can be measured on the face width b.
struct SpanMeasurability {
    double needed_face_width = 0.0; // b_min of DIN 21773 Eq. (15)
    bool measurable = false;        // b ≥ b_min
};
SpanMeasurability SpanFits(const Geometry& gear, double span, double face_width);

// The complete inspection data of one gear.
struct Request {
    std::optional<double> ball_diameter;  // given by the user; else chosen from the series
    std::optional<double> upper_allowance; // A, mm (from the allowance table)
    std::optional<double> tolerance;       // T, mm (from the tolerance table)
    std::optional<double> face_width;      // b, mm
    std::optional<double> span;            // W_k, mm (nominal, as the report gives it)
};

struct Sheet {
    Geometry geometry;
    double ball_diameter = 0.0;
    bool ball_chosen = false;        // true: from the series, false: as given
    double ideal_ball_diameter = 0.0;
    BallPosition nominal;            // E_sn = 0
    std::optional<BallPosition> upper; // at E_sn = A
    std::optional<BallPosition> lower; // at E_sn = A − T (A = 0 without a deviation series)
    bool pins_apply = false;         // spur gear: pins give the same dimension
    // The maker's form, rounded to 4 decimals like the span values: the
    // dimension at A and its lower deviation (M_dK(A) − M_dK(A − T)).
    std::optional<double> maker_over_balls;
    std::optional<double> maker_lower_deviation;
    std::optional<SpanMeasurability> span;
};

// Everything at once; fails with the first problem met (the gear, the ball,
// or a ball that does not touch the flanks at one of the allowances).
Result<Sheet> Inspect(const Gear& gear, const Request& request);

// x rounded to 4 decimal places, halves away from zero.
double RoundTo4(double x);

// x with exactly 4 decimals ("32.2380"), independent of the locale.
std::string FourDecimals(double x);

} // namespace gearcalc::inspection
