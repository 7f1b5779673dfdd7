// The main window of the Win32 window system: its window class, geometry,
// the message loop, the visual style and the message box.
#include "win32_impl.hpp"

#include <gearplat/platform.hpp>

#include <commctrl.h>
#include <objbase.h>
#include <uxtheme.h>

#include <algorithm>

namespace gr {

namespace win32 {

std::wstring wide(std::string_view text)
{
    return gearplat::toWide(text);
}

std::string utf8(std::wstring_view text)
{
    return gearplat::fromWide(text).value_or(std::string());
}

std::string windowText(HWND window)
{
    const int length = ::GetWindowTextLengthW(window);
    if (length <= 0) return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int got = ::GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(std::max(got, 0)));
    return utf8(text);
}

StyleContext::StyleContext(HANDLE context)
{
    if (context != INVALID_HANDLE_VALUE) active_ = ::ActivateActCtx(context, &cookie_) != FALSE;
}

StyleContext::~StyleContext()
{
    if (active_) ::DeactivateActCtx(0, cookie_);
}

} // namespace win32

namespace {

constexpr wchar_t kWindowClass[] = L"GearcalcMainWindow";
// The resource that names common controls version 6 (winuser.h's
// ISOLATIONAWARE_MANIFEST_RESOURCE_ID).
constexpr WORD kManifestResource = 2;
// Control IDs start here; lower IDs (IDOK, IDCANCEL) are the dialog
// manager's.
constexpr int kFirstControlId = 100;
// Posted by build: show the window now.
constexpr UINT kShowMessage = WM_APP + 1;

HINSTANCE codeModule()
{
    HMODULE module = nullptr;
    ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         reinterpret_cast<LPCWSTR>(&codeModule), &module);
    return module;
}

bool registerWindowClass()
{
    static const bool registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = Win32WindowSystem::Impl::windowProc;
        wc.hInstance = codeModule();
        wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        // The executable's icon (the product's), when it has one.
        wc.hIcon = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
        wc.lpszClassName = kWindowClass;
        return ::RegisterClassExW(&wc) != 0;
    }();
    return registered;
}

HANDLE createStyleContext(HMODULE module)
{
    wchar_t path[MAX_PATH] = {};
    if (::GetModuleFileNameW(module, path, MAX_PATH) == 0) return INVALID_HANDLE_VALUE;
    ACTCTXW context{};
    context.cbSize = sizeof context;
    context.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID | ACTCTX_FLAG_HMODULE_VALID;
    context.lpSource = path;
    context.hModule = module;
    context.lpResourceName = MAKEINTRESOURCEW(kManifestResource);
    return ::CreateActCtxW(&context);
}

} // namespace

Win32WindowSystem::Impl::Impl(void* owner)
{
    module = owner != nullptr ? static_cast<HMODULE>(owner) : ::GetModuleHandleW(nullptr);
    style_context = createStyleContext(module);
    const win32::StyleContext active(style_context);
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&classes);
}

Win32WindowSystem::Impl::~Impl()
{
    destroyWindow();
    if (chosen_printer != nullptr) ::DeleteDC(chosen_printer);
    if (printer_mode != nullptr) ::GlobalFree(printer_mode);
    if (printer_names != nullptr) ::GlobalFree(printer_names);
    if (style_context != INVALID_HANDLE_VALUE) ::ReleaseActCtx(style_context);
    if (com_initialised) win32::endCom();
}

void Win32WindowSystem::Impl::ensureCom()
{
    // Only the logo needs COM (its decoder); it is started when the logo
    // is first drawn, not before the window shows.
    if (com_tried) return;
    com_tried = true;
    com_initialised = win32::startCom();
}

void Win32WindowSystem::Impl::destroyWindow()
{
    if (window != nullptr) ::DestroyWindow(window);
    window = nullptr;
    controls.clear();
    identities.clear();
    for (auto& [identity, bitmap] : pictures)
        if (bitmap != nullptr) ::DeleteObject(bitmap);
    pictures.clear();
    for (auto& [colour, b] : brushes) ::DeleteObject(b);
    brushes.clear();
    if (font != nullptr) ::DeleteObject(font);
    font = nullptr;
    mouse_tracked = nullptr;
    last_focus = nullptr;
    shown = false;
}

HWND Win32WindowSystem::Impl::ownerWindow() const
{
    return window != nullptr && ::IsWindowVisible(window) ? window : nullptr;
}

SIZE Win32WindowSystem::Impl::windowSize(UINT at_dpi) const
{
    const ControlState& self = model->controls().front();
    const SIZE outer{self.element != nullptr ? std::max(1, self.element->width) : 640,
                     self.element != nullptr ? std::max(1, self.element->height) : 480};
    // The form gives the outer size at 96 DPI; its client area is what the
    // controls are placed in, and it grows with the DPI. Where the frame
    // grows less than the DPI, the window is the form's size scaled; where
    // more, the client area still has the scaled size.
    const RECT frame96 = win32::frameAround(RECT{0, 0, 0, 0}, window_style, window_ex_style, win32::kBaseDpi);
    const int client_w = std::max(1, static_cast<int>(outer.cx - (frame96.right - frame96.left)));
    const int client_h = std::max(1, static_cast<int>(outer.cy - (frame96.bottom - frame96.top)));
    const RECT around = win32::frameAround(
        RECT{0, 0, win32::scaled(client_w, at_dpi), win32::scaled(client_h, at_dpi)}, window_style, window_ex_style, at_dpi);
    return SIZE{std::max<LONG>(win32::scaled(outer.cx, at_dpi), around.right - around.left),
                std::max<LONG>(win32::scaled(outer.cy, at_dpi), around.bottom - around.top)};
}

void Win32WindowSystem::Impl::build(FormModel& form_model, EventSink& event_sink)
{
    destroyWindow();
    model = &form_model;
    sink = &event_sink;
    auto& states = model->controls();
    if (states.empty() || !registerWindowClass()) return;
    const ControlState& self = states.front();
    self_identity = self.identity;

    POINT place{5, 5};
    if (self.element != nullptr) place = POINT{self.element->left, self.element->top};
    // A fixed frame: the controls are placed for this size and never move.
    window_style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
    window_ex_style = WS_EX_CONTROLPARENT;
    // The DPI of the monitor the window will appear on; checked again once
    // the window exists.
    dpi = win32::dpiAt(RECT{place.x, place.y, place.x + 1, place.y + 1});
    const SIZE size = windowSize(dpi);
    const win32::StyleContext active(style_context);
    window = ::CreateWindowExW(window_ex_style, kWindowClass, win32::wide(self.text).c_str(), window_style, place.x,
                               place.y, size.cx, size.cy, nullptr, nullptr, codeModule(), this);
    if (window == nullptr) return;
    // Sized again at the window's own DPI, and where the size limits the
    // system applies while creating a window (before this window system
    // sees its messages) cut it.
    dpi = win32::dpiOfWindow(window);
    const SIZE resized = windowSize(dpi);
    RECT made{};
    ::GetWindowRect(window, &made);
    if (made.right - made.left != resized.cx || made.bottom - made.top != resized.cy)
        ::SetWindowPos(window, nullptr, 0, 0, resized.cx, resized.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

    font = win32::windowFont(dpi);
    // Children in model order: their Z order is the Tab order.
    for (std::size_t i = 1; i < states.size(); ++i) createControl(states[i], kFirstControlId + static_cast<int>(i));
    layOut();
    ::EnableWindow(window, self.disabled ? FALSE : TRUE);
    // Shown when the start-up handler, which runs next, has given the
    // controls their look and state: the first message the loop takes.
    ::PostMessageW(window, kShowMessage, 0, 0);
}

void Win32WindowSystem::Impl::show()
{
    if (window == nullptr || shown) return;
    shown = true;
    ::ShowWindow(window, SW_SHOWNORMAL);
    ::UpdateWindow(window);
    // The keyboard starts in the first control the Tab key reaches.
    if (HWND first = ::GetNextDlgTabItem(window, nullptr, FALSE)) ::SetFocus(first);
}

void Win32WindowSystem::Impl::changeDpi(UINT new_dpi, const RECT* suggested)
{
    if (window == nullptr || new_dpi == 0) return;
    dpi = new_dpi;
    HFONT old_font = font;
    font = win32::windowFont(dpi);
    if (suggested != nullptr)
        ::SetWindowPos(window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                       suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    // A suggestion that leaves the client area too small for the scaled
    // controls (a frame that grows more than the DPI) is widened.
    const SIZE needed = windowSize(dpi);
    RECT now{};
    ::GetWindowRect(window, &now);
    if (now.right - now.left < needed.cx || now.bottom - now.top < needed.cy)
        ::SetWindowPos(window, nullptr, 0, 0, std::max<LONG>(now.right - now.left, needed.cx),
                       std::max<LONG>(now.bottom - now.top, needed.cy), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    layOut();
    if (old_font != nullptr) ::DeleteObject(old_font);
    ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

void Win32WindowSystem::Impl::rememberFocus()
{
    HWND now = ::GetFocus();
    while (now != nullptr && now != window && identities.count(now) == 0) now = ::GetParent(now);
    if (now != nullptr && now != window) last_focus = now;
}

bool Win32WindowSystem::Impl::restoreFocus()
{
    if (last_focus == nullptr || !::IsWindow(last_focus) || !::IsWindowEnabled(last_focus) ||
        !::IsWindowVisible(last_focus))
        return false;
    ::SetFocus(last_focus);
    return true;
}

LRESULT CALLBACK Win32WindowSystem::Impl::windowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
        static_cast<Impl*>(create->lpCreateParams)->window = hwnd;
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* impl = reinterpret_cast<Impl*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (impl == nullptr || (impl->window != nullptr && impl->window != hwnd))
        return ::DefWindowProcW(hwnd, message, wparam, lparam);
    return impl->handle(message, wparam, lparam);
}

LRESULT Win32WindowSystem::Impl::handle(UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_COMMAND:
        if (lparam != 0) command(reinterpret_cast<HWND>(lparam), HIWORD(wparam));
        return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
        if (HBRUSH b = controlColours(reinterpret_cast<HWND>(lparam), reinterpret_cast<HDC>(wparam)))
            return reinterpret_cast<LRESULT>(b);
        break;
    case WM_DRAWITEM:
        drawPicture(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
        return TRUE;
    case WM_NCMOUSEMOVE:
        frameMouseMoved(POINT{static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))});
        break;
    case kShowMessage:
        show();
        return 0;
    case WM_GETMINMAXINFO:
        // The system keeps a window within the screen's size plus its
        // frame; a scaled window larger than that keeps its size, so no
        // control is cut off (the user can still move it).
        if (model != nullptr && !model->controls().empty()) {
            auto* limits = reinterpret_cast<MINMAXINFO*>(lparam);
            const SIZE needed = windowSize(dpi);
            limits->ptMaxTrackSize.x = std::max(limits->ptMaxTrackSize.x, needed.cx);
            limits->ptMaxTrackSize.y = std::max(limits->ptMaxTrackSize.y, needed.cy);
            return 0;
        }
        break;
    case WM_DPICHANGED:
        changeDpi(HIWORD(wparam), reinterpret_cast<const RECT*>(lparam));
        return 0;
    case WM_ACTIVATE:
        // Alt+Tab away and back, or a message box closed: the keyboard
        // goes back to the box the user was in, not to the window.
        if (LOWORD(wparam) == WA_INACTIVE) {
            rememberFocus();
        } else if (HIWORD(wparam) == 0 && restoreFocus()) {
            return 0;
        }
        break;
    case WM_SETFOCUS:
        if (restoreFocus()) return 0;
        break;
    case WM_CLOSE:
        ::DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        if (in_loop) ::PostQuitMessage(0);
        break;
    case WM_NCDESTROY: {
        const HWND gone = window;
        window = nullptr;
        controls.clear();
        identities.clear();
        return ::DefWindowProcW(gone, message, wparam, lparam);
    }
    default:
        break;
    }
    return ::DefWindowProcW(window, message, wparam, lparam);
}

// --- Win32WindowSystem ------------------------------------------------------

Win32WindowSystem::Win32WindowSystem(void* module) : impl_(std::make_unique<Impl>(module)) {}

Win32WindowSystem::~Win32WindowSystem() = default;

void Win32WindowSystem::build(FormModel& model, EventSink& sink)
{
    impl_->build(model, sink);
}

void Win32WindowSystem::refresh(const ControlState& control, int32_t property)
{
    if (impl_->window == nullptr) return;
    const bool saved = impl_->showing;
    impl_->showing = true;
    if (control.identity == impl_->self_identity) {
        if (property == kPropText) ::SetWindowTextW(impl_->window, win32::wide(control.text).c_str());
        else if (property == kPropDisabled) ::EnableWindow(impl_->window, control.disabled ? FALSE : TRUE);
    } else if (HWND hwnd = static_cast<HWND>(controlWindow(control.identity))) {
        switch (property) {
        case kPropDisabled: ::EnableWindow(hwnd, control.disabled ? FALSE : TRUE); break;
        case kPropText: impl_->showText(control, hwnd); break;
        case kPropEditTextColour:
        case kPropLabelTextColour: ::InvalidateRect(hwnd, nullptr, TRUE); break;
        case kPropChecked: impl_->showChecked(control, hwnd); break;
        case kPropSelectedIndex: impl_->showSelection(control, hwnd); break;
        default: break; // the printer's font and the rest have nothing to show
        }
    }
    impl_->showing = saved;
}

void Win32WindowSystem::appended(const ControlState& control, std::string_view)
{
    // The model holds the whole text; showing all of it keeps a CR LF that
    // two appends split in one piece, and the view at the report's start.
    if (HWND hwnd = static_cast<HWND>(controlWindow(control.identity))) {
        const bool saved = impl_->showing;
        impl_->showing = true;
        impl_->showText(control, hwnd);
        impl_->showing = saved;
    }
}

// The window's place, the screen and the cursor as the program sees them:
// by the visible frame, in the form's units on the window's monitor.
Rect Win32WindowSystem::windowRect() const
{
    if (impl_->window == nullptr) return {};
    return formWindowRect(win32::desktopOf(impl_->window));
}

Size Win32WindowSystem::clientSize() const
{
    if (impl_->window == nullptr) return {};
    return formClientSize(win32::desktopOf(impl_->window));
}

void Win32WindowSystem::placeWindow(std::optional<int> left, std::optional<int> top)
{
    if (impl_->window == nullptr) return;
    const Point corner = outerCorner(win32::desktopOf(impl_->window), left, top);
    ::SetWindowPos(impl_->window, nullptr, corner.x, corner.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int Win32WindowSystem::screenWidth() const
{
    return formLength(win32::desktopOf(impl_->window), ::GetSystemMetrics(SM_CXSCREEN));
}

Point Win32WindowSystem::cursor() const
{
    POINT p{};
    ::GetCursorPos(&p);
    return formScreenPoint(win32::desktopOf(impl_->window), Point{p.x, p.y});
}

MonitorView Win32WindowSystem::windowMonitor() const
{
    return formMonitor(win32::desktopOf(impl_->window));
}

int Win32WindowSystem::runMessageLoop()
{
    impl_->show();
    if (!windowOpen()) return 0;
    impl_->in_loop = true;
    MSG msg{};
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) handleMessage(&msg);
    impl_->in_loop = false;
    return 0;
}

void Win32WindowSystem::handleMessage(void* message)
{
    MSG& msg = *static_cast<MSG*>(message);
    if (impl_->preTranslate(msg)) return;
    // The dialog manager moves the focus with Tab and the arrow keys.
    if (impl_->window != nullptr && ::IsDialogMessageW(impl_->window, &msg)) return;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
}

void Win32WindowSystem::pumpMessages()
{
    MSG msg{};
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) break;
        handleMessage(&msg);
    }
}

void Win32WindowSystem::closeMainWindow()
{
    if (impl_->window != nullptr) ::DestroyWindow(impl_->window);
}

bool Win32WindowSystem::windowOpen() const
{
    // A window built and about to be shown is open.
    return impl_->window != nullptr && ::IsWindow(impl_->window) && (!impl_->shown || ::IsWindowVisible(impl_->window));
}

void Win32WindowSystem::setVisualStyle(bool themed)
{
    if (impl_->themed == themed) return;
    impl_->themed = themed;
    for (const auto& [identity, hwnd] : impl_->controls) impl_->applyTheme(hwnd);
    if (impl_->window != nullptr) ::RedrawWindow(impl_->window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

bool Win32WindowSystem::themed() const
{
    return impl_->themed;
}

int Win32WindowSystem::showMessage(const MessageRequest& request)
{
    const std::string& caption = request.caption.empty() && impl_->window != nullptr
                                     ? win32::windowText(impl_->window)
                                     : request.caption;
    // The box has the look of the window: themed once the program asked
    // for the visual style.
    const win32::StyleContext active(impl_->themed ? impl_->style_context : INVALID_HANDLE_VALUE);
    const UINT style = static_cast<UINT>(request.style & 0xF0) | MB_OK | (impl_->ownerWindow() ? 0 : MB_TASKMODAL);
    ::MessageBoxW(impl_->ownerWindow(), win32::wide(request.text).c_str(), win32::wide(caption).c_str(), style);
    return 1;
}

void* Win32WindowSystem::mainWindow() const
{
    return impl_->window;
}

void* Win32WindowSystem::controlWindow(uint32_t identity) const
{
    if (impl_->window != nullptr && identity == impl_->self_identity) return impl_->window;
    const auto it = impl_->controls.find(identity);
    return it == impl_->controls.end() ? nullptr : it->second;
}

std::unique_ptr<WindowSystem> makeWin32WindowSystem(void* module)
{
    return std::make_unique<Win32WindowSystem>(module);
}

} // namespace gr
