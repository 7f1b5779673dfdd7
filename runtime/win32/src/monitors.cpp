// The desktop as the main window sees it: every monitor, the one the window
// is on, its DPI scale, and its visible frame (Windows 10/11 draw an
// invisible resize border around it). The arithmetic is the core's
// (gearhost/desktop.hpp); here only the system calls that fill it in.
#include "win32_impl.hpp"

#include <gearhost/desktop.hpp>

#include <string>
#include <vector>

namespace gr::win32 {

namespace {

// DwmGetWindowAttribute's attribute for the visible frame, in physical
// pixels.
constexpr DWORD kExtendedFrameBounds = 9;

using DwmGetWindowAttributeFn = HRESULT(WINAPI*)(HWND, DWORD, PVOID, DWORD);
using GetDpiForWindowFn = UINT(WINAPI*)(HWND);

template <typename Fn>
Fn function(HMODULE module, const char* name)
{
    if (module == nullptr) return nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
}

// dwmapi.dll from the system folder, looked up once; null where it is
// missing (before Vista) or has no such function.
DwmGetWindowAttributeFn dwmGetWindowAttribute()
{
    static const DwmGetWindowAttributeFn fn = [] {
        wchar_t folder[MAX_PATH];
        const UINT n = ::GetSystemDirectoryW(folder, MAX_PATH);
        if (n == 0 || n >= MAX_PATH) return DwmGetWindowAttributeFn{};
        const std::wstring path = std::wstring(folder, n) + L"\\dwmapi.dll";
        return function<DwmGetWindowAttributeFn>(::LoadLibraryW(path.c_str()), "DwmGetWindowAttribute");
    }();
    return fn;
}

// Windows 10 (1607) and later: the DPI the window is drawn at.
UINT windowDpi(HWND window)
{
    static const GetDpiForWindowFn fn = function<GetDpiForWindowFn>(::GetModuleHandleW(L"user32.dll"), "GetDpiForWindow");
    if (fn != nullptr) {
        if (const UINT dpi = fn(window)) return dpi;
    }
    // Older systems have one DPI for the whole desktop.
    UINT dpi = 96;
    if (HDC screen = ::GetDC(nullptr)) {
        const int d = ::GetDeviceCaps(screen, LOGPIXELSX);
        if (d > 0) dpi = static_cast<UINT>(d);
        ::ReleaseDC(nullptr, screen);
    }
    return dpi;
}

struct Monitors {
    std::vector<Rect> rects;
    std::vector<HMONITOR> handles;
};

BOOL CALLBACK addMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data)
{
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!::GetMonitorInfoW(monitor, &info)) return TRUE;
    auto* all = reinterpret_cast<Monitors*>(data);
    const RECT& r = info.rcMonitor;
    all->rects.push_back(Rect{r.left, r.top, r.right - r.left, r.bottom - r.top});
    all->handles.push_back(monitor);
    return TRUE;
}

Rect rectOf(const RECT& r)
{
    return Rect{r.left, r.top, r.right - r.left, r.bottom - r.top};
}

} // namespace

DesktopView desktopOf(HWND window)
{
    DesktopView view;
    Monitors all;
    ::EnumDisplayMonitors(nullptr, nullptr, addMonitor, reinterpret_cast<LPARAM>(&all));
    view.monitors = all.rects;
    if (view.monitors.empty())
        view.monitors.push_back(Rect{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)});
    if (window == nullptr) return view;

    RECT outer{}, client{};
    if (::GetWindowRect(window, &outer)) view.window = rectOf(outer);
    if (::GetClientRect(window, &client)) view.client = Size{client.right - client.left, client.bottom - client.top};
    // The visible frame; where the call fails (Wine, older Windows, no
    // desktop composition) the outer rectangle is the frame.
    if (DwmGetWindowAttributeFn dwm = dwmGetWindowAttribute()) {
        RECT visible{};
        if (dwm(window, kExtendedFrameBounds, &visible, sizeof visible) == S_OK)
            view.insets = frameInsets(view.window, rectOf(visible));
    }
    // The monitor Windows counts the window on (the one that decides its DPI).
    const HMONITOR mine = ::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST);
    for (std::size_t i = 0; i < all.handles.size(); ++i)
        if (all.handles[i] == mine) view.monitor = static_cast<int>(i);
    view.scale = windowDpi(window) / 96.0;
    return view;
}

} // namespace gr::win32
