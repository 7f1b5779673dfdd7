// The Win32 window system's state, shared by its source files: the main
// window and its controls, the font and brushes, the visual style and the
// printer the user chose.
#pragma once

#include <gearwin/win32_window_system.hpp>

#include <gearplat/windows.hpp>

#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace gr::win32 {

std::wstring wide(std::string_view utf8);
std::string utf8(std::wstring_view text);
// The whole text of a window, UTF-8.
std::string windowText(HWND window);

// Switches a thread to the common controls version 6 (the runtime's
// manifest) while it lives, when that context could be made.
class StyleContext {
public:
    explicit StyleContext(HANDLE context);
    ~StyleContext();
    StyleContext(const StyleContext&) = delete;
    StyleContext& operator=(const StyleContext&) = delete;

private:
    ULONG_PTR cookie_ = 0;
    bool active_ = false;
};

// The logo as a bitmap (32-bit, top-down), decoded from its JPEG bytes
// with the Windows Imaging Component; null when it cannot be read.
HBITMAP decodePicture(const std::vector<uint8_t>& bytes);

// The system's message font, the platform's default GUI font (the stock
// DEFAULT_GUI_FONT where the system does not say).
LOGFONTW messageFont();
// That font at its own size.
HFONT defaultGuiFont();

// The print job on a printer's device context, one page after another, as
// one document; false when the printer refused it.
bool printOnDevice(HDC printer, const PrintJob& job);
// The print job as enhanced metafiles on A4 paper, for printing to a file:
// the first page is `path`, page n is "<path without .emf>-<n>.emf".
bool printToMetafiles(const PrintJob& job, const std::string& path);

} // namespace gr::win32

namespace gr {

class Win32WindowSystem::Impl {
public:
    explicit Impl(void* module);
    ~Impl();

    HMODULE module = nullptr;   // holds the manifest resource
    HANDLE style_context = INVALID_HANDLE_VALUE;
    bool com_initialised = false;
    bool themed = false;

    FormModel* model = nullptr;
    EventSink* sink = nullptr;
    uint32_t self_identity = 0;
    HWND window = nullptr;
    bool in_loop = false;
    bool showing = false; // the program changes a control: its notifications are not the user's
    HFONT font = nullptr;
    std::unordered_map<uint32_t, HWND> controls;
    std::unordered_map<HWND, uint32_t> identities;
    std::unordered_map<uint32_t, HBITMAP> pictures;
    std::map<COLORREF, HBRUSH> brushes;
    HWND mouse_tracked = nullptr;
    HDC chosen_printer = nullptr; // from the print dialog, until the job is sent

    // --- window_system.cpp
    void build(FormModel& form_model, EventSink& event_sink);
    void destroyWindow();
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT handle(UINT message, WPARAM wparam, LPARAM lparam);
    HWND ownerWindow() const;

    // --- controls.cpp
    void createControl(ControlState& control, int id);
    void showText(const ControlState& control, HWND hwnd);
    void showChecked(const ControlState& control, HWND hwnd);
    void showSelection(const ControlState& control, HWND hwnd);
    void showChecks();
    void applyTheme(HWND hwnd) const;
    HBRUSH brush(COLORREF colour);
    // WM_CTLCOLOR*: colours of labels and edit boxes; null for the default.
    HBRUSH controlColours(HWND control, HDC dc);
    void drawPicture(const DRAWITEMSTRUCT& item);
    ControlState* stateOf(HWND hwnd) const;

    // --- input.cpp
    void command(HWND control, WORD notification);
    // The typing rules of every backend (gearhost/typing.hpp) on what is
    // typed and pasted into a single-line box.
    void filterInput(HWND edit, int32_t input_mode);
    // Keys, mouse moves and Enter before a message is dispatched; true
    // when the message was used up.
    bool preTranslate(MSG& msg);
    // Tab and Shift+Tab: the next or previous enabled tab stop.
    void moveFocus(bool backwards);
    void mouseMoved(Point at, int64_t modifiers);
    void mouseLeft();
    void frameMouseMoved(POINT screen);

    // --- context_menu.cpp
    // The result box's own context menu (see Win32WindowSystem::contextMenu).
    void ownContextMenu(HWND edit);
    std::vector<MenuLine> menuLines(HWND edit) const;
    void popupMenu(HWND edit, POINT at);
    void chooseMenuLine(HWND edit, unsigned id);
};

} // namespace gr
