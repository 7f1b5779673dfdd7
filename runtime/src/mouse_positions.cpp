#include <gearhost/mouse_positions.hpp>

#include <algorithm>

namespace gr {

Point leavingPosition(Size client, Point local)
{
    return Point{std::clamp(local.x, 0, std::max(client.width, 0)), std::clamp(local.y, 0, std::max(client.height, 0))};
}

std::optional<Point> framePosition(Size client, Point local)
{
    if (local.y < 0 || client.width <= 0 || client.height <= 0) return std::nullopt;
    return Point{std::min(local.x, client.width - 1), std::min(local.y, client.height - 1)};
}

} // namespace gr
