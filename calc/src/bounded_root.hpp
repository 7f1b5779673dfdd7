// The one root finder of the test dimensions. Every equation they solve
// (the ball centre's pressure angle, the ideal ball's centre angle) goes
// through it, so no input, however absurd (a ball of 1e20 mm, a module of
// 1e-300 mm, a value that overflows to infinity), can make an iteration run
// for ever: the root is kept in a bracket, every step either is a Newton
// step inside the bracket or halves it, the number of steps is capped, and
// a value that is not finite ends the search without a result.
#pragma once

#include <cmath>
#include <limits>
#include <optional>

namespace gearcalc::inspection {

// The most function evaluations one search may take. Halving alone narrows
// any bracket of doubles below one unit in the last place within about 2100
// steps at the very worst (from the largest to the smallest double); the
// brackets here are angles under π/2, where 64 halvings are enough and the
// Newton steps usually end the search within ten.
inline constexpr int kMostRootSteps = 200;

// A value of f and its derivative at one point.
struct Slope {
    double value = 0.0;
    double derivative = 0.0;
};

// The x in [lo, hi] where f(x) = 0, f continuous with values of opposite
// signs at the two ends (a sign change, or a zero at an end). `f(x)` gives a
// Slope. Nothing when the ends do not bracket a root, a value is not finite,
// or the search has not settled within kMostRootSteps.
template <typename F>
std::optional<double> BoundedRoot(F&& f, double lo, double hi)
{
    if (!(std::isfinite(lo) && std::isfinite(hi) && lo < hi)) return std::nullopt;
    const Slope at_lo = f(lo);
    const Slope at_hi = f(hi);
    if (!std::isfinite(at_lo.value) || !std::isfinite(at_hi.value)) return std::nullopt;
    if (at_lo.value == 0.0) return lo;
    if (at_hi.value == 0.0) return hi;
    if ((at_lo.value < 0.0) == (at_hi.value < 0.0)) return std::nullopt;

    // Keep `below` where f < 0 and `above` where f > 0.
    double below = at_lo.value < 0.0 ? lo : hi;
    double above = at_lo.value < 0.0 ? hi : lo;
    double x = 0.5 * (lo + hi);
    double last_step = hi - lo;
    double step = last_step;
    for (int i = 0; i < kMostRootSteps; ++i) {
        const Slope s = f(x);
        if (!std::isfinite(s.value)) return std::nullopt;
        if (s.value == 0.0) return x;
        if (s.value < 0.0)
            below = x;
        else
            above = x;
        const double left = below < above ? below : above;
        const double right = below < above ? above : below;
        // A Newton step if it stays inside the bracket and shrinks at least
        // as fast as halving did two steps before; else halve the bracket.
        double next = x - s.value / s.derivative;
        const bool newton = std::isfinite(next) && next > left && next < right &&
                            std::fabs(next - x) * 2.0 <= std::fabs(last_step);
        last_step = step;
        if (!newton) next = left + 0.5 * (right - left);
        step = next - x;
        // Settled: the step has shrunk to rounding, or the bracket holds no
        // double between its ends.
        const double tolerance = 4.0 * std::numeric_limits<double>::epsilon() * std::fabs(next);
        if (std::fabs(step) <= tolerance || next <= left || next >= right) return next;
        x = next;
    }
    return std::nullopt;
}

} // namespace gearcalc::inspection
