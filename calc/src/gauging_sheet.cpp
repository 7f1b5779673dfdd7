// The inspection data of one gear: the ball, the dimension over it at the
// nominal tooth thickness and at both allowances, the maker's form of it, and
// whether the span can be measured on the given face width.
#include "gearcalc/gauging.hpp"

#include <cmath>

namespace gearcalc::inspection {

namespace {

std::string withAllowance(const std::string& problem, const char* which)
{
    return problem + " at the " + which;
}

} // namespace

Result<Sheet> Inspect(const Gear& gear, const Request& request)
{
    using R = Result<Sheet>;
    const Result<Geometry> geometry = DeriveGeometry(gear);
    if (!geometry) return R::failure(geometry.problem());

    Sheet sheet;
    sheet.geometry = geometry.value();
    sheet.ideal_ball_diameter = IdealBallDiameter(sheet.geometry);
    if (request.ball_diameter) {
        sheet.ball_diameter = *request.ball_diameter;
    } else {
        const Result<double> chosen = NextSeriesBall(sheet.ideal_ball_diameter);
        if (!chosen) return R::failure(chosen.problem());
        sheet.ball_diameter = chosen.value();
        sheet.ball_chosen = true;
    }

    const Result<BallPosition> nominal = OverBalls(sheet.geometry, sheet.ball_diameter, 0.0);
    if (!nominal) return R::failure(nominal.problem());
    sheet.nominal = nominal.value();

    // As in the report, the lower allowance is A − T, with A = 0 when no
    // deviation series is chosen.
    const double a = request.upper_allowance.value_or(0.0);
    if (request.upper_allowance) {
        const Result<BallPosition> upper = OverBalls(sheet.geometry, sheet.ball_diameter, a);
        if (!upper) return R::failure(withAllowance(upper.problem(), "upper allowance"));
        sheet.upper = upper.value();
        sheet.maker_over_balls = RoundTo4(upper->over_balls);
    }
    if (request.tolerance) {
        const Result<BallPosition> lower = OverBalls(sheet.geometry, sheet.ball_diameter, a - *request.tolerance);
        if (!lower) return R::failure(withAllowance(lower.problem(), "lower allowance"));
        sheet.lower = lower.value();
        const double at_a = sheet.upper ? sheet.upper->over_balls : sheet.nominal.over_balls;
        sheet.maker_lower_deviation = RoundTo4(at_a - lower->over_balls);
    }
    sheet.pins_apply = !sheet.geometry.helical();
    if (request.face_width && request.span) {
        if (!std::isfinite(*request.face_width) || *request.face_width <= 0.0)
            return R::failure("the face width must be a positive number");
        sheet.span = SpanFits(sheet.geometry, *request.span, *request.face_width);
    }
    return sheet;
}

} // namespace gearcalc::inspection
