#include <gearhost/input_rules.hpp>

#include <gearrt/form.hpp>

#include <algorithm>

namespace gr {

bool acceptsInput(int32_t input_mode, std::string_view text)
{
    if (input_mode != form::kIntegerInput && input_mode != form::kDecimalInput) return true;
    if (!text.empty() && text.front() == '-') text.remove_prefix(1);
    bool point = false;
    for (char c : text) {
        if (c >= '0' && c <= '9') continue;
        if (c == '.' && input_mode == form::kDecimalInput && !point) {
            point = true;
            continue;
        }
        return false;
    }
    return true;
}

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
