// The Win32 window at the display scale of the Wine prefix it runs in
// (HKCU\Control Panel\Desktop\LogPixels; tests/win32/dpi_wine.sh runs these
// at 120, 144 and 192 DPI): the window, every control, the font and the
// logo scaled by DPI / 96, no caption clipped, a move to a monitor of
// another scale, and the keyboard's way back into the window.
//   GEARCALC_EXPECT_DPI  the DPI the prefix was made with; checked, so a
//                        prefix that did not take its setting fails
//   GEARCALC_DPI_DUMP    a file to write the typed report and the printed
//                        page's text positions to, for comparing scales
#include "win32_fixture.hpp"

#include <geartest/scratch_folder.hpp>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace gearcalc::win32test {
namespace {

using namespace geartest;

int scaledBy(int value, UINT dpi)
{
    return ::MulDiv(value, static_cast<int>(dpi), 96);
}

// The window's outer rectangle in device pixels, as the system has it (the
// program sees it in the form's units, the same at every scale).
gr::Rect outerPixels(HWND window)
{
    RECT r{};
    ::GetWindowRect(window, &r);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

// A control's rectangle in the main window's client coordinates.
RECT clientRect(HWND window, HWND control)
{
    RECT r{};
    ::GetWindowRect(control, &r);
    ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::wstring wide(const std::string& utf8)
{
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

// The width and height of `text` in the font a control draws with.
SIZE textExtent(HWND control, const std::string& text)
{
    HDC dc = ::GetDC(control);
    const HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0)));
    const std::wstring w = wide(text);
    SIZE extent{};
    ::GetTextExtentPoint32W(dc, w.c_str(), static_cast<int>(w.size()), &extent);
    ::SelectObject(dc, old);
    ::ReleaseDC(control, dc);
    return extent;
}

LOGFONTW fontOf(HWND control)
{
    LOGFONTW face{};
    ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0)), sizeof face, &face);
    return face;
}

// The height of the system's message font at a DPI.
LONG messageFontHeight(UINT dpi)
{
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (!::SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi)) return 0;
    return metrics.lfMessageFont.lfHeight;
}

class Win32Dpi : public Win32Window {
protected:
    UINT dpi() const { return ::GetDpiForWindow(window()); }

    // Every control with a face: its place and size are the form's at the
    // window's DPI; a caption may have widened its box, never narrowed it.
    std::string misplacedControls(UINT at) const
    {
        std::string out;
        for (const gr::ControlState& c : win_->host->model().controls()) {
            HWND hwnd = control(c.identity);
            if (hwnd == nullptr || hwnd == window()) continue;
            const gr::form::Element& e = *c.element;
            const RECT r = clientRect(window(), hwnd);
            const bool combo = c.kind == gr::form::kComboBox; // its height is the font's
            const bool ok = r.left == scaledBy(e.left, at) && r.top == scaledBy(e.top, at) &&
                            r.right >= scaledBy(e.left + e.width, at) &&
                            (combo || r.bottom == scaledBy(e.top + e.height, at));
            if (!ok)
                out += e.name + " at " + std::to_string(r.left) + "," + std::to_string(r.top) + " to " +
                       std::to_string(r.right) + "," + std::to_string(r.bottom) + "\n";
        }
        return out;
    }
};

TEST_F(Win32Dpi, ThePrefixGivesTheExpectedDpi)
{
    const char* expected = std::getenv("GEARCALC_EXPECT_DPI");
    if (expected == nullptr) GTEST_SKIP() << "no DPI expected";
    EXPECT_EQ(dpi(), static_cast<UINT>(std::atoi(expected)));
}

TEST_F(Win32Dpi, WindowAndControlsAreTheFormsScaledByTheDpi)
{
    const UINT at = dpi();
    const gr::Rect outer = outerPixels(window());
    // The outer size is the form's 542 × 445 scaled; a frame that grows
    // faster than the DPI may add a few pixels so the client area still
    // holds the scaled controls.
    EXPECT_GE(outer.width, scaledBy(542, at));
    EXPECT_LE(outer.width, scaledBy(542, at) + scaledBy(4, at));
    EXPECT_GE(outer.height, scaledBy(445, at));
    EXPECT_LE(outer.height, scaledBy(445, at) + scaledBy(4, at));
    EXPECT_EQ(misplacedControls(at), "");
    // The last row (the buttons) and the right column (the result box)
    // lie inside the client area.
    RECT client{};
    ::GetClientRect(window(), &client);
    for (uint32_t identity : {id::退出按钮, id::结果编辑框, id::隐藏选择框}) {
        const RECT r = clientRect(window(), control(identity));
        EXPECT_LE(r.right, client.right) << identity;
        EXPECT_LE(r.bottom, client.bottom) << identity;
    }
}

TEST_F(Win32Dpi, NoCaptionIsClippedAndEveryBoxHoldsItsLine)
{
    // The glyph box and gap a check box or radio button draws before its
    // caption (13 pixels and a few at 96 DPI).
    const int box = scaledBy(13 + 4, dpi());
    for (const gr::ControlState& c : win_->host->model().controls()) {
        HWND hwnd = control(c.identity);
        if (hwnd == nullptr) continue;
        RECT r{};
        ::GetClientRect(hwnd, &r);
        const bool multiline = c.kind == gr::form::kEditBox && c.element->multiline;
        switch (c.kind) {
        case gr::form::kLabel:
        case gr::form::kCheckBox:
        case gr::form::kRadioButton:
        case gr::form::kButton: {
            if (c.text.empty()) break; // the bare box left of the decimal-degree box
            const SIZE text = textExtent(hwnd, c.text);
            const int room = r.right - (c.kind == gr::form::kCheckBox || c.kind == gr::form::kRadioButton ? box : 0);
            EXPECT_LE(text.cx, room) << c.element->name << " \"" << c.text << "\"";
            EXPECT_LE(text.cy, r.bottom) << c.element->name;
            break;
        }
        case gr::form::kEditBox:
            if (!multiline) {
                EXPECT_LE(textExtent(hwnd, "0").cy, r.bottom) << c.element->name;
            }
            break;
        default: break;
        }
    }
}

TEST_F(Win32Dpi, TheFontIsTheChineseFaceAtTheMessageFontsSize)
{
    const LONG height = messageFontHeight(dpi());
    ASSERT_NE(height, 0);
    for (uint32_t identity : {id::模数标签, id::模数编辑框, id::计算按钮, id::结果编辑框}) {
        const LOGFONTW face = fontOf(control(identity));
        EXPECT_STREQ(face.lfFaceName, L"Microsoft YaHei UI") << identity;
        EXPECT_EQ(face.lfHeight, height) << identity;
    }
}

TEST_F(Win32Dpi, MovingToAMonitorOfAnotherScaleRescalesEverything)
{
    const UINT start = dpi();
    const gr::Rect before = outerPixels(window());
    const LONG start_font = fontOf(control(id::模数标签)).lfHeight;
    const std::vector<std::pair<UINT, UINT>> moves = {{start * 2, start}, {start + start / 2, start}};
    for (const auto& [other, back] : moves) {
        // What the system sends when the window is dragged onto a monitor
        // of another scale: the new DPI and the rectangle it suggests.
        RECT suggested{40, 30, 40 + scaledBy(542, other), 30 + scaledBy(445, other)};
        ::SendMessageW(window(), WM_DPICHANGED, MAKEWPARAM(other, other), reinterpret_cast<LPARAM>(&suggested));
        const gr::Rect moved = outerPixels(window());
        EXPECT_EQ((std::pair{moved.left, moved.top}), (std::pair{40, 30})) << other;
        EXPECT_GE(moved.width, scaledBy(542, other)) << other;
        EXPECT_EQ(misplacedControls(other), "") << other;
        EXPECT_EQ(fontOf(control(id::模数标签)).lfHeight, messageFontHeight(other)) << other;

        RECT home{before.left, before.top, before.left + before.width, before.top + before.height};
        ::SendMessageW(window(), WM_DPICHANGED, MAKEWPARAM(back, back), reinterpret_cast<LPARAM>(&home));
        const gr::Rect again = outerPixels(window());
        EXPECT_EQ((std::vector{again.left, again.top, again.width, again.height}),
                  (std::vector{before.left, before.top, before.width, before.height}));
        EXPECT_EQ(misplacedControls(back), "");
        EXPECT_EQ(fontOf(control(id::模数标签)).lfHeight, start_font);
    }
    EXPECT_EQ(compareWindow(directSpur()), "") << "a new scale changes no state";
}

TEST_F(Win32Dpi, TheLogoIsDrawnAtTheDpi)
{
    HWND box = control(id::图片框1);
    RECT r{};
    ::GetClientRect(box, &r);
    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, r.right, r.bottom);
    ::ReleaseDC(nullptr, screen);
    const HGDIOBJ old = ::SelectObject(dc, bitmap);
    DRAWITEMSTRUCT item{};
    item.CtlType = ODT_STATIC;
    item.hwndItem = box;
    item.hDC = dc;
    item.rcItem = r;
    ::SendMessageW(window(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&item));
    // The bounds of what differs from the window's colour: the 100 × 97
    // picture at the DPI, in the middle of its box.
    const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
    RECT drawn{r.right, r.bottom, -1, -1};
    for (int y = 0; y < r.bottom; ++y)
        for (int x = 0; x < r.right; ++x)
            if (::GetPixel(dc, x, y) != face) {
                drawn.left = std::min<LONG>(drawn.left, x);
                drawn.top = std::min<LONG>(drawn.top, y);
                drawn.right = std::max<LONG>(drawn.right, x + 1);
                drawn.bottom = std::max<LONG>(drawn.bottom, y + 1);
            }
    ::SelectObject(dc, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(dc);
    // A logo's own edge may be near the window's colour: a pixel or two.
    EXPECT_NEAR(drawn.right - drawn.left, scaledBy(100, dpi()), 3);
    EXPECT_NEAR(drawn.bottom - drawn.top, scaledBy(97, dpi()), 3);
    EXPECT_NEAR(drawn.left, r.right - drawn.right, 3) << "centred";
}

TEST_F(Win32Dpi, TypedReportAndPrintedPageAreTheSameAtEveryScale)
{
    const std::string report = reportWithModule2Teeth20();
    ASSERT_EQ(report, twin_->report());
    const std::filesystem::path folder = makeScratchFolder("gearcalc-dpi");
    const std::u8string name = (folder / "page.emf").u8string();
    win_->host->dialogs().queuePrintAnswer(gr::PrintAnswer{true, std::string(name.begin(), name.end())});
    click(id::打印按钮);
    // Where each text lands on the page, in tenths of a millimetre.
    std::vector<std::string> placed;
    HENHMETAFILE emf = ::GetEnhMetaFileW((folder / "page.emf").wstring().c_str());
    ASSERT_NE(emf, nullptr);
    ::EnumEnhMetaFile(
        nullptr, emf,
        [](HDC, HANDLETABLE*, const ENHMETARECORD* record, int, LPARAM data) -> int {
            if (record->iType == EMR_EXTTEXTOUTW) {
                const auto* out = reinterpret_cast<const EMREXTTEXTOUTW*>(record);
                reinterpret_cast<std::vector<std::string>*>(data)->push_back(
                    std::to_string(out->emrtext.ptlReference.x) + "," + std::to_string(out->emrtext.ptlReference.y));
            }
            return 1;
        },
        &placed, nullptr);
    ::DeleteEnhMetaFile(emf);
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    ASSERT_GT(placed.size(), 10u);
    if (const char* dump = std::getenv("GEARCALC_DPI_DUMP")) {
        std::ofstream out(dump, std::ios::binary);
        out << report << "\n--- page\n";
        for (const std::string& at : placed) out << at << "\n";
    }
}

// --- The keyboard's way back ------------------------------------------------------

TEST_F(Win32Dpi, FocusReturnsToTheLastBoxWhenTheWindowIsActivatedAgain)
{
    focus(id::齿数编辑框);
    ::SetActiveWindow(window());
    pump();
    focus(id::齿数编辑框);
    // Another window takes the keyboard (Alt+Tab, a message box), then
    // the user comes back.
    HWND other = ::CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                                   nullptr, nullptr);
    ASSERT_NE(other, nullptr);
    ::SetActiveWindow(other);
    pump();
    EXPECT_NE(focused(), id::齿数编辑框);
    ::SetActiveWindow(window());
    pump();
    EXPECT_EQ(focused(), id::齿数编辑框);
    ::DestroyWindow(other);
}

// The messages the main window receives while a test watches.
std::vector<std::pair<WPARAM, HWND>> g_ui_state_changes;

LRESULT CALLBACK watchUiState(int code, WPARAM wparam, LPARAM lparam)
{
    const auto* message = reinterpret_cast<const CWPSTRUCT*>(lparam);
    if (code == HC_ACTION && message->message == WM_CHANGEUISTATE)
        g_ui_state_changes.emplace_back(message->wParam, message->hwnd);
    return ::CallNextHookEx(nullptr, code, wparam, lparam);
}

TEST_F(Win32Dpi, TabShowsTheFocusRectangle)
{
    focus(id::模数编辑框);
    g_ui_state_changes.clear();
    HHOOK hook = ::SetWindowsHookExW(WH_CALLWNDPROC, watchUiState, nullptr, ::GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    key(VK_TAB);
    ::UnhookWindowsHookEx(hook);
    // The window is told that the keyboard is in use, as the dialog
    // manager tells it when it moves the focus itself.
    const std::pair<WPARAM, HWND> shown{MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), window()};
    EXPECT_NE(std::find(g_ui_state_changes.begin(), g_ui_state_changes.end(), shown), g_ui_state_changes.end());
    EXPECT_FALSE(::SendMessageW(control(id::齿数编辑框), WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS);
}

TEST_F(Win32Dpi, APasteWithoutTextLeavesTheBoxAsItIs)
{
    focus(id::模数编辑框);
    type("2.5");
    HWND box = control(id::模数编辑框);
    const auto paste = [&](const wchar_t* text) {
        ASSERT_TRUE(::OpenClipboard(window()));
        ::EmptyClipboard();
        if (text != nullptr) {
            const std::size_t bytes = (std::wcslen(text) + 1) * sizeof(wchar_t);
            HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
            std::memcpy(::GlobalLock(block), text, bytes);
            ::GlobalUnlock(block);
            ::SetClipboardData(CF_UNICODETEXT, block);
        }
        ::CloseClipboard();
        ::SendMessageW(box, EM_SETSEL, 0, -1);
        ::SendMessageW(box, WM_PASTE, 0, 0);
        pump();
    };
    paste(nullptr);
    EXPECT_EQ(shownText(box), "2.5") << "an empty clipboard deletes nothing";
    paste(L"");
    EXPECT_EQ(shownText(box), "2.5") << "nor does an empty text";
    paste(L"3");
    EXPECT_EQ(shownText(box), "3") << "a text replaces the selection";
    EXPECT_EQ(win_->control(id::模数编辑框).text, "3");
}

TEST_F(Win32Dpi, TheWindowShowsOnlyAfterTheStartUpHandlerHasRun)
{
    auto screen = gr::makeWin32WindowSystem(nullptr);
    auto* second = static_cast<gr::Win32WindowSystem*>(screen.get());
    Program program(std::move(screen));
    ASSERT_TRUE(program.created);
    HWND hwnd = static_cast<HWND>(second->mainWindow());
    EXPECT_FALSE(::IsWindowVisible(hwnd)) << "not shown in the classic look";
    EXPECT_TRUE(second->themed()) << "the start-up handler has run";
    EXPECT_TRUE(second->windowOpen());
    second->pumpMessages();
    EXPECT_TRUE(::IsWindowVisible(hwnd));
}

} // namespace
} // namespace gearcalc::win32test
