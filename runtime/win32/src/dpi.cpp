// The display scale of the Win32 window system: the DPI of a window or a
// monitor, frames and the message font at a DPI, and the face the window
// and the printer use. The per-monitor DPI functions exist only on newer
// Windows (8.1, 10 1607); they are looked up at run time, so the runtime
// still starts on older systems and on Wine versions without them, where
// the screen's one DPI holds for every window.
#include "win32_impl.hpp"

#include <algorithm>
#include <array>

namespace gr::win32 {

namespace {

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
using SystemParametersInfoForDpiFn = BOOL(WINAPI*)(UINT, UINT, void*, UINT, UINT);
using SetThreadDpiAwarenessContextFn = HANDLE(WINAPI*)(HANDLE);

// DPI_AWARENESS_CONTEXT values (windef.h), which older headers lack.
const HANDLE kPerMonitorAwareV2 = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4));
const HANDLE kPerMonitorAware = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-3));
constexpr int kMonitorEffectiveDpi = 0; // MDT_EFFECTIVE_DPI

struct DpiFunctions {
    GetDpiForWindowFn forWindow = nullptr;
    GetDpiForMonitorFn forMonitor = nullptr;
    AdjustWindowRectExForDpiFn adjust = nullptr;
    SystemParametersInfoForDpiFn parameters = nullptr;
    SetThreadDpiAwarenessContextFn threadAwareness = nullptr;
};

template <class Fn>
Fn lookUp(HMODULE module, const char* name)
{
    if (module == nullptr) return nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

const DpiFunctions& functions()
{
    static const DpiFunctions found = [] {
        DpiFunctions f;
        HMODULE user = ::GetModuleHandleW(L"user32.dll");
        f.forWindow = lookUp<GetDpiForWindowFn>(user, "GetDpiForWindow");
        f.adjust = lookUp<AdjustWindowRectExForDpiFn>(user, "AdjustWindowRectExForDpi");
        f.parameters = lookUp<SystemParametersInfoForDpiFn>(user, "SystemParametersInfoForDpi");
        f.threadAwareness = lookUp<SetThreadDpiAwarenessContextFn>(user, "SetThreadDpiAwarenessContext");
        // Only asked for where GetDpiForWindow is missing (Windows 8.1):
        // loading shcore costs time at every start.
        if (f.forWindow == nullptr) {
            HMODULE shcore = ::LoadLibraryExW(L"shcore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
            f.forMonitor = lookUp<GetDpiForMonitorFn>(shcore, "GetDpiForMonitor");
        }
        return f;
    }();
    return found;
}

UINT usable(UINT dpi)
{
    return dpi >= 48 && dpi <= 960 ? dpi : systemDpi();
}

bool faceInstalled(const wchar_t* face)
{
    LOGFONTW wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(wanted.lfFaceName, face, LF_FACESIZE);
    bool found = false;
    HDC dc = ::GetDC(nullptr);
    ::EnumFontFamiliesExW(
        dc, &wanted,
        [](const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM data) -> int {
            *reinterpret_cast<bool*>(data) = true;
            return 0;
        },
        reinterpret_cast<LPARAM>(&found), 0);
    ::ReleaseDC(nullptr, dc);
    return found;
}

} // namespace

int scaled(int value, UINT dpi)
{
    return ::MulDiv(value, static_cast<int>(dpi), static_cast<int>(kBaseDpi));
}

RECT scaledRect(int left, int top, int width, int height, UINT dpi)
{
    // Edges, not sizes, are scaled: neighbours that touch at 96 DPI touch
    // at every scale.
    return RECT{scaled(left, dpi), scaled(top, dpi), scaled(left + width, dpi), scaled(top + height, dpi)};
}

UINT systemDpi()
{
    HDC screen = ::GetDC(nullptr);
    const int dpi = screen != nullptr ? ::GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen != nullptr) ::ReleaseDC(nullptr, screen);
    return dpi >= 48 && dpi <= 960 ? static_cast<UINT>(dpi) : kBaseDpi;
}

UINT dpiOfWindow(HWND window)
{
    if (window != nullptr && functions().forWindow != nullptr) return usable(functions().forWindow(window));
    RECT place{};
    if (window != nullptr && ::GetWindowRect(window, &place)) return dpiAt(place);
    return systemDpi();
}

UINT dpiAt(const RECT& place)
{
    if (functions().forMonitor != nullptr) {
        UINT x = 0, y = 0;
        HMONITOR monitor = ::MonitorFromRect(&place, MONITOR_DEFAULTTONEAREST);
        if (SUCCEEDED(functions().forMonitor(monitor, kMonitorEffectiveDpi, &x, &y))) return usable(y);
    }
    return systemDpi();
}

RECT frameAround(RECT client, DWORD style, DWORD ex_style, UINT dpi)
{
    if (functions().adjust != nullptr && functions().adjust(&client, style, FALSE, ex_style, dpi)) return client;
    // Without the function the frame has the screen's one DPI.
    RECT frame{0, 0, 0, 0};
    ::AdjustWindowRectEx(&frame, style, FALSE, ex_style);
    const UINT screen = systemDpi();
    return RECT{client.left + ::MulDiv(frame.left, dpi, screen), client.top + ::MulDiv(frame.top, dpi, screen),
                client.right + ::MulDiv(frame.right, dpi, screen), client.bottom + ::MulDiv(frame.bottom, dpi, screen)};
}

LOGFONTW messageFont(UINT dpi)
{
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (functions().parameters != nullptr &&
        functions().parameters(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi))
        return metrics.lfMessageFont;
    LOGFONTW face{};
    if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) face = metrics.lfMessageFont;
    else ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof face, &face);
    // The system answers for its own DPI.
    face.lfHeight = ::MulDiv(face.lfHeight, static_cast<int>(dpi), static_cast<int>(systemDpi()));
    return face;
}

std::wstring windowFace()
{
    // A Chinese face, so Chinese text shows in Chinese glyph forms also
    // on a system whose own font links Japanese ones; the message font's
    // face where neither is installed.
    static const std::wstring face = [] {
        for (const wchar_t* candidate : {L"Microsoft YaHei UI", L"SimSun"})
            if (faceInstalled(candidate)) return std::wstring(candidate);
        return std::wstring(messageFont(kBaseDpi).lfFaceName);
    }();
    return face;
}

HFONT windowFont(UINT dpi)
{
    LOGFONTW face = messageFont(dpi);
    const std::wstring name = windowFace();
    lstrcpynW(face.lfFaceName, name.c_str(), LF_FACESIZE);
    face.lfCharSet = DEFAULT_CHARSET;
    face.lfWidth = 0;
    return ::CreateFontIndirectW(&face);
}

DpiAwareThread::DpiAwareThread()
{
    // The executable's manifest makes the process per-monitor aware; a
    // host without one (a test program) gets the same behaviour for the
    // windows this thread creates.
    if (functions().threadAwareness == nullptr) return;
    previous_ = functions().threadAwareness(kPerMonitorAwareV2);
    if (previous_ == nullptr) previous_ = functions().threadAwareness(kPerMonitorAware);
}

DpiAwareThread::~DpiAwareThread()
{
    if (previous_ != nullptr) functions().threadAwareness(previous_);
}

} // namespace gr::win32
