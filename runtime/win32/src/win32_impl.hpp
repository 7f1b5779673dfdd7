// The Win32 window system's state, shared by its source files: the main
// window and its controls, the font and brushes, the visual style and the
// printer the user chose.
#pragma once

#include <gearwin/win32_window_system.hpp>

#include <gearhost/desktop.hpp>

#include <gearplat/windows.hpp>

#include <commdlg.h>

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
// with the Windows Imaging Component (COM must be initialised on the
// thread); null when it cannot be read.
HBITMAP decodePicture(const std::vector<uint8_t>& bytes);

// COM's start and end on this thread. The COM libraries are loaded only
// when first asked for (the logo's first drawing), not with the runtime:
// loading them costs start-up time before the window shows.
bool startCom();
void endCom();

// The standard print dialog (comdlg32, loaded when first needed, for the
// same reason); false when it is cancelled or cannot be shown.
BOOL printDialog(PRINTDLGW& dialog);

// --- dpi.cpp: the display scale. The form is laid out for 96 DPI; every
// rectangle, font and picture is scaled by the window's DPI / 96.
constexpr UINT kBaseDpi = 96;
int scaled(int value, UINT dpi);
RECT scaledRect(int left, int top, int width, int height, UINT dpi);
// The screen's DPI (the system DPI for a DPI-aware process).
UINT systemDpi();
// The DPI of the monitor a window is on, and of the monitor that holds
// most of `place`; the system DPI where the system cannot say.
UINT dpiOfWindow(HWND window);
UINT dpiAt(const RECT& place);
// The outer rectangle of a window whose client area is `client`, with the
// frame of that style at `dpi`.
RECT frameAround(RECT client, DWORD style, DWORD ex_style, UINT dpi);
// The system's message font at `dpi` (the stock DEFAULT_GUI_FONT where the
// system does not say).
LOGFONTW messageFont(UINT dpi);
// The face of the window's and the printer's text: "Microsoft YaHei UI",
// else "SimSun", else the message font's.
std::wstring windowFace();
// The window's font: that face at the message font's size for `dpi`.
HFONT windowFont(UINT dpi);

// While it lives, windows this thread creates are per-monitor DPI aware
// (version 2 where the system has it), whatever the executable declares.
class DpiAwareThread {
public:
    DpiAwareThread();
    ~DpiAwareThread();
    DpiAwareThread(const DpiAwareThread&) = delete;
    DpiAwareThread& operator=(const DpiAwareThread&) = delete;

private:
    HANDLE previous_ = nullptr;
};

// The desktop as `window` sees it (monitors.cpp): the monitors, the one the
// window is on, its scale and its visible frame, in physical pixels.
DesktopView desktopOf(HWND window);

// The print job on a printer's device context, one page after another, as
// one document: printed, cancelled by the user (a printer that asks for a
// file name, such as a PDF or XPS printer, whose prompt was cancelled), or
// refused by the printer.
enum class PrintOutcome { printed, cancelled, failed };
PrintOutcome printOnDevice(HDC printer, const PrintJob& job);
// The print job as enhanced metafiles on A4 paper, for printing to a file:
// the first page is `path`, page n is "<path without .emf>-<n>.emf".
bool printToMetafiles(const PrintJob& job, const std::string& path);

} // namespace gr::win32

namespace gr {

class Win32WindowSystem::Impl {
public:
    explicit Impl(void* module);
    ~Impl();

    win32::DpiAwareThread dpi_aware; // first: the windows below are created aware
    HMODULE module = nullptr;   // holds the manifest resource
    HANDLE style_context = INVALID_HANDLE_VALUE;
    bool com_initialised = false;
    bool com_tried = false;
    bool themed = false;

    FormModel* model = nullptr;
    EventSink* sink = nullptr;
    uint32_t self_identity = 0;
    HWND window = nullptr;
    DWORD window_style = 0, window_ex_style = 0;
    UINT dpi = win32::kBaseDpi; // of the monitor the window is on
    bool shown = false;         // shown once the start-up handler has run
    bool in_loop = false;
    bool showing = false; // the program changes a control: its notifications are not the user's
    HFONT font = nullptr;
    std::unordered_map<uint32_t, HWND> controls;
    std::unordered_map<HWND, uint32_t> identities;
    std::unordered_map<uint32_t, HBITMAP> pictures; // decoded when first drawn
    std::map<COLORREF, HBRUSH> brushes;
    HWND mouse_tracked = nullptr;
    HWND last_focus = nullptr;    // the control to give the focus back to
    HDC chosen_printer = nullptr; // from the print dialog, until the job is sent
    // The printer, paper and orientation last chosen in the print dialog,
    // offered again by the next one.
    HGLOBAL printer_mode = nullptr, printer_names = nullptr;

    // --- window_system.cpp
    void build(FormModel& form_model, EventSink& event_sink);
    void destroyWindow();
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT handle(UINT message, WPARAM wparam, LPARAM lparam);
    HWND ownerWindow() const;
    // Shows the window that build made, once.
    void show();
    // The outer size of the window at `dpi`.
    SIZE windowSize(UINT at_dpi) const;
    // Moves to the DPI of another monitor: fonts, controls and logo.
    void changeDpi(UINT new_dpi, const RECT* suggested);
    void rememberFocus();
    bool restoreFocus();
    void ensureCom();

    // --- controls.cpp
    void createControl(ControlState& control, int id);
    // Every control's place and size at the window's DPI, with its font;
    // captions that would be clipped get the room free to their right.
    void layOut();
    RECT controlRect(const ControlState& control) const;
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
