// The smallest Win32 program with a window: the baseline for the start-up
// time of gearcalc.exe under Wine. Shows a titled window and runs its
// message loop until the window is closed.
#include <gearplat/windows.hpp>

namespace {

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_DESTROY) {
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcW(window, message, wparam, lparam);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show)
{
    WNDCLASSW wc{};
    wc.lpfnWndProc = windowProc;
    wc.hInstance = instance;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"MinimalWindow";
    ::RegisterClassW(&wc);
    HWND window = ::CreateWindowW(L"MinimalWindow", L"Minimal Win32 window", WS_OVERLAPPEDWINDOW, 5, 5, 542, 445,
                                  nullptr, nullptr, instance, nullptr);
    ::ShowWindow(window, show);
    MSG msg{};
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return 0;
}
