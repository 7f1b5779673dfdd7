#include <gearhost/desktop.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace gr {

namespace {

// The widest invisible frame taken for one: Windows 10/11 draw about 7
// pixels at 100 % and grow them with the scale; anything much wider is an
// answer in other units (a window that is not DPI-aware on a scaled
// monitor gets the visible frame in physical pixels).
constexpr int kMaxInset = 64;

int64_t right(const Rect& r) { return int64_t{r.left} + r.width; }
int64_t bottom(const Rect& r) { return int64_t{r.top} + r.height; }
bool empty(const Rect& r) { return r.width <= 0 || r.height <= 0; }

int64_t overlap(int64_t a0, int64_t a1, int64_t b0, int64_t b1)
{
    return std::max<int64_t>(0, std::min(a1, b1) - std::max(a0, b0));
}

// Distance between two rectangles along one axis (0 when they overlap).
int64_t gap(int64_t a0, int64_t a1, int64_t b0, int64_t b1)
{
    if (a1 <= b0) return b0 - a1;
    if (b1 <= a0) return a0 - b1;
    return 0;
}

// Whether three ranges (an edge's, the window's and a neighbour's extent
// along it) share a stretch.
bool shareStretch(int64_t e0, int64_t e1, int64_t w0, int64_t w1, int64_t n0, int64_t n1)
{
    return std::min({e1, w1, n1}) > std::max({e0, w0, n0});
}

double usableScale(double scale)
{
    return std::isfinite(scale) && scale > 0.0 ? scale : 1.0;
}

int clampToInt(double v)
{
    constexpr double lo = std::numeric_limits<int>::min(), hi = std::numeric_limits<int>::max();
    return static_cast<int>(std::clamp(std::round(v), lo, hi));
}

// Form units about an origin, and back.
int toForm(int pixels, int origin, double scale)
{
    return clampToInt(origin + (static_cast<double>(pixels) - origin) / scale);
}
int toPixels(int form, int origin, double scale)
{
    return clampToInt(origin + (static_cast<double>(form) - origin) * scale);
}

Rect visibleFrame(const DesktopView& view)
{
    const Insets& in = view.insets;
    return Rect{view.window.left + in.left, view.window.top + in.top, view.window.width - in.left - in.right,
                view.window.height - in.top - in.bottom};
}

int monitorIndex(const DesktopView& view)
{
    if (view.monitor >= 0 && static_cast<std::size_t>(view.monitor) < view.monitors.size()) return view.monitor;
    return monitorOf(view.monitors, visibleFrame(view));
}

Point origin(const DesktopView& view)
{
    const int i = monitorIndex(view);
    if (i < 0) return Point{};
    const Rect& m = view.monitors[static_cast<std::size_t>(i)];
    return Point{m.left, m.top};
}

int64_t floorDiv(int64_t a, int64_t b)
{
    const int64_t q = a / b;
    return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

} // namespace

int monitorOf(const std::vector<Rect>& monitors, const Rect& window)
{
    int best = -1;
    int64_t best_area = 0;
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        const Rect& m = monitors[i];
        const int64_t area = overlap(m.left, right(m), window.left, right(window)) *
                             overlap(m.top, bottom(m), window.top, bottom(window));
        if (area > best_area) {
            best = static_cast<int>(i);
            best_area = area;
        }
    }
    if (best >= 0) return best;
    // Off every monitor: the nearest one.
    int64_t best_distance = std::numeric_limits<int64_t>::max();
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        const Rect& m = monitors[i];
        const int64_t dx = gap(m.left, right(m), window.left, right(window));
        const int64_t dy = gap(m.top, bottom(m), window.top, bottom(window));
        const int64_t distance = dx * dx + dy * dy;
        if (distance < best_distance) {
            best = static_cast<int>(i);
            best_distance = distance;
        }
    }
    return best;
}

unsigned openEdges(const std::vector<Rect>& monitors, std::size_t index, const Rect& window)
{
    if (index >= monitors.size()) return kAllEdges;
    const Rect& m = monitors[index];
    const int64_t l = m.left, t = m.top, r = right(m), b = bottom(m);
    const int64_t wl = window.left, wt = window.top, wr = right(window), wb = bottom(window);
    unsigned open = kAllEdges;
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        const Rect& n = monitors[i];
        if (i == index || empty(n)) continue;
        const int64_t nl = n.left, nt = n.top, nr = right(n), nb = bottom(n);
        // A neighbour continues an edge when it holds the column (row) of
        // pixels just beyond it alongside the window.
        const bool rows = shareStretch(t, b, wt, wb, nt, nb);
        const bool columns = shareStretch(l, r, wl, wr, nl, nr);
        if (rows && nl <= l - 1 && l - 1 < nr) open &= ~kEdgeLeft;
        if (rows && nl <= r && r < nr) open &= ~kEdgeRight;
        if (columns && nt <= t - 1 && t - 1 < nb) open &= ~kEdgeTop;
        if (columns && nt <= b && b < nb) open &= ~kEdgeBottom;
    }
    return open;
}

Insets frameInsets(const Rect& window, const Rect& visible)
{
    const Insets in{visible.left - window.left, visible.top - window.top,
                    static_cast<int>(right(window) - right(visible)), static_cast<int>(bottom(window) - bottom(visible))};
    const auto plausible = [](int v) { return v >= 0 && v <= kMaxInset; };
    if (empty(visible) || !plausible(in.left) || !plausible(in.top) || !plausible(in.right) || !plausible(in.bottom))
        return Insets{};
    return in;
}

Rect formWindowRect(const DesktopView& view)
{
    const double s = usableScale(view.scale);
    const Point o = origin(view);
    const Rect v = visibleFrame(view);
    return Rect{toForm(v.left, o.x, s), toForm(v.top, o.y, s), clampToInt(v.width / s), clampToInt(v.height / s)};
}

MonitorView formMonitor(const DesktopView& view)
{
    const int i = monitorIndex(view);
    if (i < 0) return MonitorView{};
    const double s = usableScale(view.scale);
    const Rect& m = view.monitors[static_cast<std::size_t>(i)];
    return MonitorView{Rect{m.left, m.top, clampToInt(m.width / s), clampToInt(m.height / s)},
                       openEdges(view.monitors, static_cast<std::size_t>(i), visibleFrame(view))};
}

Point formScreenPoint(const DesktopView& view, Point screen)
{
    const double s = usableScale(view.scale);
    const Point o = origin(view);
    return Point{toForm(screen.x, o.x, s), toForm(screen.y, o.y, s)};
}

int formLength(const DesktopView& view, int pixels)
{
    return clampToInt(pixels / usableScale(view.scale));
}

Size formClientSize(const DesktopView& view)
{
    return Size{formLength(view, view.client.width), formLength(view, view.client.height)};
}

Point formClientPoint(const DesktopView& view, Point local)
{
    const Size form = formClientSize(view);
    const auto axis = [](int p, int pixels, int units) {
        if (pixels <= 0 || units <= 0) return p;
        return static_cast<int>(floorDiv(int64_t{p} * units, pixels));
    };
    return Point{axis(local.x, view.client.width, form.width), axis(local.y, view.client.height, form.height)};
}

Point outerCorner(const DesktopView& view, std::optional<int> left, std::optional<int> top)
{
    const double s = usableScale(view.scale);
    const Point o = origin(view);
    const Rect v = visibleFrame(view);
    const int visible_left = left ? toPixels(*left, o.x, s) : v.left;
    const int visible_top = top ? toPixels(*top, o.y, s) : v.top;
    return Point{visible_left - view.insets.left, visible_top - view.insets.top};
}

} // namespace gr
