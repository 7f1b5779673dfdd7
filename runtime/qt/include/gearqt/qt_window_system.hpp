// The Qt Widgets window system: the real window of the program. It mirrors a
// FormModel on screen and feeds the user's edits and clicks back into it.
// This header needs no Qt headers, so the launcher can include it as is.
#pragma once

#include <gearhost/window_system.hpp>

#include <memory>

class QMenu;
class QWidget;

namespace gr {

class QtWindowSystem : public WindowSystem {
public:
    // Creates the QApplication when the process has none yet; `argc` and
    // `argv` must outlive this object (QApplication keeps them).
    QtWindowSystem(int& argc, char** argv);
    ~QtWindowSystem() override;
    QtWindowSystem(const QtWindowSystem&) = delete;
    QtWindowSystem& operator=(const QtWindowSystem&) = delete;

    void build(FormModel& model, EventSink& sink) override;
    void refresh(const ControlState& control, int32_t property) override;
    void appended(const ControlState& control, std::string_view added) override;

    Rect windowRect() const override;
    Size clientSize() const override;
    void placeWindow(std::optional<int> left, std::optional<int> top) override;
    int screenWidth() const override;
    Point cursor() const override;
    MonitorView windowMonitor() const override;

    int runMessageLoop() override;
    void closeMainWindow() override;
    bool windowOpen() const override;

    void setVisualStyle(bool themed) override;

    int showMessage(const MessageRequest& request) override;
    PrintAnswer askPrint(const std::string& document_name) override;
    bool submitPrintJob(const PrintJob& job) override;
    void beep() override;

    // Beeps for refused input since the window system was made.
    int beeps() const;

    // The main window and the widget shown for a control (null for the
    // printer and for unknown identities); the window's own identity gives
    // the main window.
    QWidget* mainWindow() const;
    QWidget* widgetFor(uint32_t identity) const;
    // The context menu the user would open on the control now (the
    // caller owns it); null for a control without one. Triggering one of
    // the program's entries runs its routine once control returns to the
    // event loop.
    std::unique_ptr<QMenu> contextMenu(uint32_t identity) const;

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

std::unique_ptr<WindowSystem> makeQtWindowSystem(int& argc, char** argv);

} // namespace gr
