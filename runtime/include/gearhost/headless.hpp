// The headless window system: the window exists only as its model and a
// rectangle on a virtual screen. Used by the tests and the command line.
#pragma once

#include <gearhost/window_system.hpp>

namespace gr {

class HeadlessWindowSystem final : public WindowSystem {
public:
    // Frame thickness of the virtual window: client area = outer size
    // minus the borders and the title bar.
    static constexpr int kBorder = 8;
    static constexpr int kTitleBar = 31;

    void build(FormModel& model, EventSink& sink) override;
    void refresh(const ControlState&, int32_t) override {}
    void appended(const ControlState&, std::string_view) override {}

    Rect windowRect() const override { return rect_; }
    Size clientSize() const override;
    void placeWindow(std::optional<int> left, std::optional<int> top) override;
    int screenWidth() const override { return screen_width_; }
    Point cursor() const override { return cursor_; }

    int runMessageLoop() override;
    void closeMainWindow() override { open_ = false; }
    bool windowOpen() const override { return open_; }
    void setVisualStyle(bool) override {}

    int showMessage(const MessageRequest&) override { return 1; }
    PrintAnswer askPrint(const std::string&) override { return PrintAnswer{true, {}}; }
    bool submitPrintJob(const PrintJob&) override { return true; }
    void beep() override { ++beeps_; }

    // The virtual screen.
    void setScreenWidth(int width) { screen_width_ = width; }
    void setCursor(Point p) { cursor_ = p; }
    void setWindowRect(Rect r) { rect_ = r; }
    // Beeps for refused input so far.
    int beeps() const { return beeps_; }

private:
    Rect rect_;
    int screen_width_ = 1920;
    Point cursor_;
    bool open_ = false;
    int beeps_ = 0;
};

} // namespace gr
