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

Size HeadlessWindowSystem::clientSize() const
{
    return Size{rect_.width - 2 * kBorder, rect_.height - kTitleBar - kBorder};
}

void HeadlessWindowSystem::placeWindow(std::optional<int> left, std::optional<int> top)
{
    if (left) rect_.left = *left;
    if (top) rect_.top = *top;
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
