// The Win32 window system: the real window of the program on Windows,
// built from plain Win32 and common controls. Like the other backends it
// mirrors a FormModel on screen and feeds the user's edits and clicks back
// into it, so property semantics stay those of the model.
// This header needs no Windows headers; handles are passed as void*.
#pragma once

#include <gearhost/window_system.hpp>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace gr {

class Win32WindowSystem final : public WindowSystem {
public:
    // `module` is the module whose resources hold the common-controls
    // manifest (the runtime library); null: the executable.
    explicit Win32WindowSystem(void* module = nullptr);
    ~Win32WindowSystem() override;
    Win32WindowSystem(const Win32WindowSystem&) = delete;
    Win32WindowSystem& operator=(const Win32WindowSystem&) = delete;

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
    bool themed() const;

    int showMessage(const MessageRequest& request) override;
    PrintAnswer askPrint(const std::string& document_name) override;
    bool submitPrintJob(const PrintJob& job) override;

    // The main window (HWND) and the control shown for an identity (null
    // for the printer and unknown identities); the window's own identity
    // gives the main window.
    void* mainWindow() const;
    void* controlWindow(uint32_t identity) const;
    // Handles one message the way the message loop does (keys and mouse
    // moves reach the program, Tab moves the focus); for tests that post
    // input and pump it themselves. `msg` is a MSG*.
    void handleMessage(void* msg);
    // Runs every message waiting in the queue through handleMessage.
    void pumpMessages();

    // One line of a multi-line box's context menu: 复制 and 全选, then a
    // separator (id 0) and the program's entries on the control.
    struct MenuLine {
        std::string text; // UTF-8, '&' before the access key
        bool enabled = false;
        unsigned id = 0;
    };
    // The context menu the user would open on the control now; empty for
    // a control without one.
    std::vector<MenuLine> contextMenu(uint32_t identity) const;
    // Chooses the line `id` as the user would; false when the menu has no
    // such line or it is greyed.
    bool chooseContextMenu(uint32_t identity, unsigned id);

    class Impl;

private:
    std::unique_ptr<Impl> impl_;
};

std::unique_ptr<WindowSystem> makeWin32WindowSystem(void* module = nullptr);

} // namespace gr
