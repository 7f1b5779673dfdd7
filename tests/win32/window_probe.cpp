// Answers questions about the windows of a running Windows program, for the
// end-to-end check under Wine (which drives the program with X input and
// so needs to know where the client area lies, and what a dialog says).
//   window_probe client TITLE   where the top-level window titled TITLE
//                               lies: its client area's screen position,
//                               then its outer left, top, width, height
//   window_probe dialog         the texts of the dialog box on screen
//   window_probe move TITLE X Y puts that window's outer corner at X, Y
//                               (as a drag by its title bar would)
// Waits up to ten seconds for the window; exit status 1 when it does not
// appear.
#include <gearplat/windows.hpp>

#include <gearplat/platform.hpp>
#include <gearplat/text_files.hpp>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

HWND waitFor(const wchar_t* window_class, const std::wstring& title)
{
    for (int i = 0; i < 100; ++i) {
        HWND found = ::FindWindowW(window_class, title.empty() ? nullptr : title.c_str());
        if (found != nullptr && ::IsWindowVisible(found)) return found;
        ::Sleep(100);
    }
    return nullptr;
}

BOOL CALLBACK collectText(HWND child, LPARAM data)
{
    wchar_t text[1024] = {};
    if (::GetWindowTextW(child, text, 1024) > 0) {
        auto& out = *reinterpret_cast<std::string*>(data);
        out += gearplat::fromWide(text).value_or("") + "\n";
    }
    return TRUE;
}

} // namespace

int main(int argc, char** argv)
{
    // Positions in real screen pixels, as X sees them, also when the
    // display is scaled: a process that is not DPI aware would get them
    // scaled back to 96 DPI.
    using SetAwarenessFn = BOOL(WINAPI*)(HANDLE);
    if (auto set = reinterpret_cast<SetAwarenessFn>(reinterpret_cast<void*>(
            ::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "SetProcessDpiAwarenessContext"))))
        set(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4))); // per monitor, version 2
    const std::vector<std::string> args = gearplat::utf8Arguments(argc, argv);
    gearplat::binaryStandardOutput();
    if (args.size() == 3 && args[1] == "client") {
        HWND window = waitFor(nullptr, gearplat::toWide(args[2]));
        if (window == nullptr) return 1;
        POINT origin{0, 0};
        ::ClientToScreen(window, &origin);
        RECT outer{};
        ::GetWindowRect(window, &outer);
        std::printf("%ld %ld %ld %ld %ld %ld\n", origin.x, origin.y, outer.left, outer.top, outer.right - outer.left,
                    outer.bottom - outer.top);
        return 0;
    }
    if (args.size() == 2 && args[1] == "dialog") {
        HWND dialog = waitFor(L"#32770", std::wstring());
        if (dialog == nullptr) return 1;
        std::string texts;
        ::EnumChildWindows(dialog, collectText, reinterpret_cast<LPARAM>(&texts));
        std::fputs(texts.c_str(), stdout);
        return 0;
    }
    if (args.size() == 5 && args[1] == "move") {
        HWND window = waitFor(nullptr, gearplat::toWide(args[2]));
        if (window == nullptr) return 1;
        const int x = std::atoi(args[3].c_str()), y = std::atoi(args[4].c_str());
        return ::SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE) ? 0 : 1;
    }
    std::fputs("usage: window_probe client TITLE | window_probe dialog | window_probe move TITLE X Y\n", stderr);
    return 2;
}
