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
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    com_initialised = SUCCEEDED(com);
    style_context = createStyleContext(module);
    const win32::StyleContext active(style_context);
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&classes);
}

Win32WindowSystem::Impl::~Impl()
{
    destroyWindow();
    if (chosen_printer != nullptr) ::DeleteDC(chosen_printer);
    if (style_context != INVALID_HANDLE_VALUE) ::ReleaseActCtx(style_context);
    if (com_initialised) ::CoUninitialize();
}

void Win32WindowSystem::Impl::destroyWindow()
{
    if (window != nullptr) ::DestroyWindow(window);
    window = nullptr;
    controls.clear();
    identities.clear();
    for (auto& [identity, bitmap] : pictures) ::DeleteObject(bitmap);
    pictures.clear();
    for (auto& [colour, b] : brushes) ::DeleteObject(b);
    brushes.clear();
    if (font != nullptr) ::DeleteObject(font);
    font = nullptr;
    mouse_tracked = nullptr;
}

HWND Win32WindowSystem::Impl::ownerWindow() const
{
    return window != nullptr && ::IsWindowVisible(window) ? window : nullptr;
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

    RECT place{5, 5, 5 + 640, 5 + 480};
    if (self.element != nullptr)
        place = RECT{self.element->left, self.element->top, self.element->left + std::max(1, self.element->width),
                     self.element->top + std::max(1, self.element->height)};
    // A fixed frame: the controls are placed for this size and never move.
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
    const win32::StyleContext active(style_context);
    window = ::CreateWindowExW(WS_EX_CONTROLPARENT, kWindowClass, win32::wide(self.text).c_str(), style, place.left,
                               place.top, place.right - place.left, place.bottom - place.top, nullptr, nullptr,
                               codeModule(), this);
    if (window == nullptr) return;

    font = win32::defaultGuiFont();
    // Children in model order: their Z order is the Tab order.
    for (std::size_t i = 1; i < states.size(); ++i) createControl(states[i], kFirstControlId + static_cast<int>(i));
    ::EnableWindow(window, self.disabled ? FALSE : TRUE);
    ::ShowWindow(window, SW_SHOWNORMAL);
    ::UpdateWindow(window);
    // The keyboard starts in the first control the Tab key reaches.
    if (HWND first = ::GetNextDlgTabItem(window, nullptr, FALSE)) ::SetFocus(first);
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
    return impl_->window != nullptr && ::IsWindow(impl_->window) && ::IsWindowVisible(impl_->window);
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
