#include "win32_fixture.hpp"

#include <string_view>

namespace gearcalc::win32test {

using namespace geartest;

void Win32Window::SetUp()
{
    auto screen = gr::makeWin32WindowSystem(nullptr);
    screen_ = static_cast<gr::Win32WindowSystem*>(screen.get());
    win_ = std::make_unique<Program>(std::move(screen));
    twin_ = std::make_unique<Program>(gr::makeHeadlessWindowSystem());
    ASSERT_TRUE(win_->created && twin_->created);
    ASSERT_NE(window(), nullptr);
    pump();
}

void Win32Window::TearDown()
{
    if (win_) {
        EXPECT_EQ(win_->host->outstandingAllocations(), 0L);
    }
    win_.reset();
    twin_.reset();
    screen_ = nullptr;
}

std::string Win32Window::shownText(HWND hwnd)
{
    const int length = ::GetWindowTextLengthW(hwnd);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(hwnd, text.data(), length + 1)));
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), utf8.data(), n, nullptr, nullptr);
    return utf8;
}

COLORREF Win32Window::textColour(uint32_t identity) const
{
    HWND hwnd = control(identity);
    HDC dc = ::GetDC(hwnd);
    ::SetTextColor(dc, RGB(1, 2, 3));
    ::SendMessageW(window(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd));
    const COLORREF colour = ::GetTextColor(dc);
    ::ReleaseDC(hwnd, dc);
    return colour;
}

State Win32Window::shownState() const
{
    State s;
    for (const gr::ControlState& c : win_->host->model().controls()) {
        if (!hasFace(c)) continue;
        HWND hwnd = control(c.identity);
        if (hwnd == nullptr)
            s[c.element->name] = "(no control)";
        else if (c.kind == gr::form::kLabel)
            s[c.element->name] = hexColour(textColour(c.identity));
        else
            s[c.element->name] = ::IsWindowEnabled(hwnd) ? kOn : kOff;
    }
    return s;
}

Checks Win32Window::shownChecks() const
{
    Checks s;
    for (const gr::ControlState& c : win_->host->model().controls())
        if (c.kind == gr::form::kCheckBox || c.kind == gr::form::kRadioButton)
            s[c.element->name] = ::SendMessageW(control(c.identity), BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
    return s;
}

std::string Win32Window::compareWindow(const State& expected) const
{
    const Checks checks = modelChecks(twin_->host->model());
    const std::pair<const char*, std::string> differences[] = {
        {"Win32 model", diff(modelState(win_->host->model()), expected)},
        {"Win32 controls", diff(shownState(), expected)},
        {"headless model", diff(modelState(twin_->host->model()), expected)},
        {"Win32 model ticks", diff(modelChecks(win_->host->model()), checks)},
        {"Win32 control ticks", diff(shownChecks(), checks)},
    };
    std::string out;
    for (const auto& [where, difference] : differences)
        if (!difference.empty()) out += std::string(where) + ":\n" + difference;
    return out;
}

void Win32Window::click(uint32_t identity)
{
    HWND hwnd = control(identity);
    ASSERT_NE(hwnd, nullptr);
    if (::IsWindowEnabled(hwnd)) {
        RECT r{};
        ::GetClientRect(hwnd, &r);
        const LPARAM at = MAKELPARAM(r.right / 2, r.bottom / 2);
        ::PostMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
        ::PostMessageW(hwnd, WM_LBUTTONUP, 0, at);
        pump();
    }
    gr::UserActions(*twin_->host).click(identity);
}

void Win32Window::key(UINT virtual_key)
{
    HWND target = ::GetFocus();
    if (target == nullptr) target = window();
    const UINT scan = ::MapVirtualKeyW(virtual_key, MAPVK_VK_TO_VSC);
    ::PostMessageW(target, WM_KEYDOWN, virtual_key, 1 | (scan << 16));
    ::PostMessageW(target, WM_KEYUP, virtual_key, 1 | (scan << 16) | (3u << 30));
    pump();
}

void Win32Window::type(const std::string& ascii)
{
    for (char c : ascii) {
        // The key that makes the character, with Shift held where it needs
        // it; TranslateMessage in the window system's message handling
        // turns it into WM_CHAR.
        const SHORT vk = ::VkKeyScanW(static_cast<wchar_t>(c));
        const bool shift = (vk & 0x100) != 0;
        BYTE keys[256] = {};
        ::GetKeyboardState(keys);
        if (shift) keys[VK_SHIFT] = 0x80;
        ::SetKeyboardState(keys);
        key(static_cast<UINT>(vk & 0xFF));
        keys[VK_SHIFT] = 0;
        ::SetKeyboardState(keys);
    }
}

void Win32Window::focus(uint32_t identity)
{
    ::SetFocus(control(identity));
    pump();
}

uint32_t Win32Window::focused() const
{
    HWND now = ::GetFocus();
    for (const gr::ControlState& c : win_->host->model().controls())
        if (c.identity != 0 && control(c.identity) == now) return c.identity;
    return 0;
}

std::string Win32Window::reportWithModule2Teeth20()
{
    focus(id::模数编辑框);
    type("2");
    key(VK_TAB);
    type("20");
    key(VK_RETURN);
    gr::UserActions(*twin_->host).typeText(id::模数编辑框, "2");
    gr::UserActions(*twin_->host).typeText(id::齿数编辑框, "20");
    gr::UserActions(*twin_->host).pressKey(13);
    return win_->report();
}

} // namespace gearcalc::win32test
