#include <gearhost/headless.hpp>

#include <gearhost/host.hpp>

namespace gr {

void HeadlessWindowSystem::build(FormModel& model, EventSink&)
{
    const form::Window* description = model.description();
    if (description != nullptr && !description->elements.empty()) {
        const form::Element& w = description->elements.front();
        rect_ = Rect{w.left, w.top, w.width, w.height};
    }
    open_ = true;
}

DesktopView HeadlessWindowSystem::view() const
{
    // The height of the lone screen does not matter to anything the window
    // does; it is a common one.
    constexpr int kScreenHeight = 1080;
    DesktopView v;
    v.monitors = monitors_.empty() ? std::vector<Rect>{Rect{0, 0, screen_width_, kScreenHeight}} : monitors_;
    v.scale = scale_;
    v.window = rect_;
    v.insets = insets_;
    v.client = Size{rect_.width - 2 * kBorder, rect_.height - kTitleBar - kBorder};
    return v;
}

int HeadlessWindowSystem::screenWidth() const
{
    return formLength(view(), monitors_.empty() ? screen_width_ : monitors_.front().width);
}

void HeadlessWindowSystem::placeWindow(std::optional<int> left, std::optional<int> top)
{
    const Point corner = outerCorner(view(), left, top);
    rect_.left = corner.x;
    rect_.top = corner.y;
}

int HeadlessWindowSystem::runMessageLoop()
{
    // Nothing can happen in a headless window without a caller driving it,
    // so the loop ends at once; the window stays as it is.
    return 0;
}

std::unique_ptr<WindowSystem> makeHeadlessWindowSystem()
{
    return std::make_unique<HeadlessWindowSystem>();
}

} // namespace gr
