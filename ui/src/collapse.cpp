#include <gearui/collapse.hpp>

namespace gearcalc {

namespace {

constexpr int kZone = 40;
constexpr double kSlack = 1e-7;

// a > b in doubles, where a difference of at most 1e-7 is not "greater".
bool greater(double a, double b)
{
    return a - b > kSlack;
}

} // namespace

std::optional<Placement> collapseStep(const CollapseInput& in)
{
    if (in.left < kZone) {
        // The horizontal limit is the window's width, not its right end, so
        // that a collapsed window (right end at x = 4) also counts as left.
        const bool leaving = greater(in.cursor_y, static_cast<double>(in.top) + in.height - 8) ||
                             greater(in.cursor_x, static_cast<double>(in.width) - 8);
        if (leaving) return Placement{4 - in.width, std::nullopt};
        if (in.x < in.client_width) return Placement{5, std::nullopt};
        return std::nullopt;
    }
    if (in.top < kZone) {
        const bool leaving = in.x == 0 || in.x == in.client_width || in.y == in.client_height;
        if (leaving) return Placement{std::nullopt, 5 - in.height};
        if (in.y < in.client_height) return Placement{std::nullopt, 0};
        return std::nullopt;
    }
    if (greater(in.left, static_cast<double>(in.screen_width) - in.width - kZone)) {
        const bool leaving = in.x == 0 || in.y == in.client_height;
        if (leaving) return Placement{in.screen_width - 5, std::nullopt};
        if (in.y > 0) return Placement{in.screen_width - in.width, std::nullopt};
        return std::nullopt;
    }
    return std::nullopt;
}

} // namespace gearcalc
