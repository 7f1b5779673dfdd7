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

std::optional<Placement> collapseStep(const CollapseInput& in, const MonitorEdges& m)
{
    if (m.left_open && in.left - m.left < kZone) {
        // The horizontal limit is the window's width, not its right end, so
        // that a collapsed window (right end at x = 4) also counts as left.
        const bool leaving = greater(in.cursor_y, static_cast<double>(in.top) + in.height - 8) ||
                             greater(in.cursor_x, static_cast<double>(m.left) + in.width - 8);
        if (leaving) return Placement{m.left + 4 - in.width, std::nullopt};
        if (in.x < in.client_width) return Placement{m.left + 5, std::nullopt};
        return std::nullopt;
    }
    if (m.top_open && in.top - m.top < kZone) {
        const bool leaving = in.x == 0 || in.x == in.client_width || in.y == in.client_height;
        if (leaving) return Placement{std::nullopt, m.top + 5 - in.height};
        if (in.y < in.client_height) return Placement{std::nullopt, m.top};
        return std::nullopt;
    }
    if (m.right_open && greater(in.left, static_cast<double>(m.right) - in.width - kZone)) {
        const bool leaving = in.x == 0 || in.y == in.client_height;
        if (leaving) return Placement{m.right - 5, std::nullopt};
        if (in.y > 0) return Placement{m.right - in.width, std::nullopt};
        return std::nullopt;
    }
    return std::nullopt;
}

std::optional<Placement> collapseStep(const CollapseInput& in)
{
    return collapseStep(in, MonitorEdges{0, 0, in.screen_width, true, true, true});
}

} // namespace gearcalc
