// The headless window system: the window exists only as its model and a
// rectangle on a virtual desktop. Used by the tests and the command line.
// The desktop is one screen at the origin unless monitors are given; its
// pixels are form units unless a scale is given, and then the window is
// reported and placed as the real window systems do (gearhost/desktop.hpp).
#pragma once

#include <gearhost/desktop.hpp>
#include <gearhost/window_system.hpp>

#include <vector>

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

    Rect windowRect() const override { return formWindowRect(view()); }
    Size clientSize() const override { return formClientSize(view()); }
    void placeWindow(std::optional<int> left, std::optional<int> top) override;
    int screenWidth() const override;
    Point cursor() const override { return formScreenPoint(view(), cursor_); }
    MonitorView windowMonitor() const override { return formMonitor(view()); }

    int runMessageLoop() override;
    void closeMainWindow() override { open_ = false; }
    bool windowOpen() const override { return open_; }
    void setVisualStyle(bool) override {}

    int showMessage(const MessageRequest&) override { return 1; }
    PrintAnswer askPrint(const std::string&) override { return PrintAnswer{true, {}}; }
    bool submitPrintJob(const PrintJob&) override { return true; }
    void beep() override { ++beeps_; }

    // The virtual desktop, in its own pixels.
    void setScreenWidth(int width) { screen_width_ = width; }
    void setCursor(Point p) { cursor_ = p; }
    void setWindowRect(Rect r) { rect_ = r; } // the outer rectangle
    Rect outerRect() const { return rect_; }
    // Monitors (the first is the main one); none: one screen of the screen
    // width at the origin.
    void setMonitors(std::vector<Rect> monitors) { monitors_ = std::move(monitors); }
    void setScale(double scale) { scale_ = scale; }
    void setFrameInsets(Insets insets) { insets_ = insets; }
    DesktopView view() const;
    // Beeps for refused input so far.
    int beeps() const { return beeps_; }

private:
    Rect rect_;
    int screen_width_ = 1920;
    std::vector<Rect> monitors_;
    double scale_ = 1.0;
    Insets insets_;
    Point cursor_;
    bool open_ = false;
    int beeps_ = 0;
};

} // namespace gr
