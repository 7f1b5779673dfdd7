// The Win32 window system's dealings with the world: the logo, the message
// box through the dialog seam, printing through GDI (recorded as enhanced
// metafiles and read back), the screen-edge collapse with real window
// positions and the cursor, and the exit button.
#include "win32_fixture.hpp"

#include <gearcalc/calculation.hpp>
#include <geardrive/user_actions.hpp>

#include <geartest/scratch_folder.hpp>

#include <filesystem>
#include <vector>

namespace gearcalc::win32test {
namespace {

using namespace geartest;

struct PrintedText {
    POINTL at{};
    std::string text;
};

std::string utf8(const wchar_t* text, std::size_t length)
{
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), out.data(), n, nullptr, nullptr);
    return out;
}

// Every text a metafile draws, with where it is drawn (logical units: tenths
// of a millimetre, y negative downwards).
std::vector<PrintedText> metafileTexts(const std::filesystem::path& file)
{
    std::vector<PrintedText> texts;
    HENHMETAFILE emf = ::GetEnhMetaFileW(file.wstring().c_str());
    if (emf == nullptr) return texts;
    ::EnumEnhMetaFile(
        nullptr, emf,
        [](HDC, HANDLETABLE*, const ENHMETARECORD* record, int, LPARAM data) -> int {
            if (record->iType == EMR_EXTTEXTOUTW) {
                const auto* out = reinterpret_cast<const EMREXTTEXTOUTW*>(record);
                const auto* chars = reinterpret_cast<const wchar_t*>(reinterpret_cast<const BYTE*>(record) +
                                                                     out->emrtext.offString);
                reinterpret_cast<std::vector<PrintedText>*>(data)->push_back(
                    PrintedText{out->emrtext.ptlReference, utf8(chars, out->emrtext.nChars)});
            }
            return 1;
        },
        &texts, nullptr);
    ::DeleteEnhMetaFile(emf);
    return texts;
}

std::vector<std::string> lines(const std::string& report)
{
    std::vector<std::string> out(1);
    for (char c : report) {
        if (c == '\r') continue;
        if (c == '\n') out.emplace_back();
        else out.back() += c;
    }
    return out;
}

TEST_F(Win32Window, TheLogoIsDrawnInItsBox)
{
    HWND box = control(id::图片框1);
    ASSERT_NE(box, nullptr);
    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 112, 112);
    ::ReleaseDC(nullptr, screen);
    const HGDIOBJ old = ::SelectObject(dc, bitmap);
    DRAWITEMSTRUCT item{};
    item.CtlType = ODT_STATIC;
    item.hwndItem = box;
    item.hDC = dc;
    item.rcItem = RECT{0, 0, 112, 112};
    ::SendMessageW(window(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&item));
    // The 100 × 97 picture sits in the middle; the corners keep the
    // window's colour.
    const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
    int picture_pixels = 0;
    for (int y = 8; y < 104; y += 4)
        for (int x = 8; x < 104; x += 4) picture_pixels += ::GetPixel(dc, x, y) != face;
    EXPECT_GT(picture_pixels, 200) << "a decoded logo, not an empty box";
    EXPECT_EQ(::GetPixel(dc, 1, 1), face);
    ::SelectObject(dc, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(dc);
}

TEST_F(Win32Window, UnknownItemShowsTheMessageAndKeepsTheReport)
{
    const std::string before = reportWithModule2Teeth20();
    click(id::货号选择框);
    focus(id::货号编辑框);
    type("NOPE");
    key(VK_RETURN);
    ASSERT_EQ(win_->host->dialogs().messages().size(), 1u);
    EXPECT_EQ(win_->host->dialogs().messages()[0].text, "ZKD-KSTAL公司目前没有此类齿轮！");
    EXPECT_EQ(win_->host->dialogs().messages()[0].style, 0x40);
    EXPECT_EQ(win_->report(), before);
    EXPECT_EQ(shownText(control(id::结果编辑框)), before);
}

TEST_F(Win32Window, PrintingPlacesTitleAndReportOnThePage)
{
    const std::string report = reportWithModule2Teeth20();
    const std::filesystem::path folder = makeScratchFolder("gearcalc-print");
    const std::filesystem::path first = folder / "first.emf", second = folder / "second.emf";
    for (const auto& file : {first, second}) {
        const std::u8string name = file.u8string();
        win_->host->dialogs().queuePrintAnswer(gr::PrintAnswer{true, std::string(name.begin(), name.end())});
    }
    click(id::打印按钮);
    click(id::打印按钮);
    EXPECT_EQ(win_->host->dialogs().printDialogs(), 2);
    EXPECT_TRUE(win_->host->dialogs().messages().empty());
    for (const auto& file : {first, second}) {
        const std::vector<PrintedText> texts = metafileTexts(file);
        ASSERT_FALSE(texts.empty()) << file.string();
        EXPECT_EQ(texts[0].text, "ZKD-KESTAL 齿轮参数计算");
        EXPECT_EQ(texts[0].at.x, 700);
        EXPECT_EQ(texts[0].at.y, -180);
        // The report's lines below one another from (200, 300) on, the
        // empty ones leaving their space.
        std::vector<std::string> printed;
        for (std::size_t i = 1; i < texts.size(); ++i) {
            EXPECT_EQ(texts[i].at.x, 200) << texts[i].text;
            printed.push_back(texts[i].text);
        }
        ASSERT_GE(texts.size(), 2u);
        EXPECT_EQ(texts[1].at.y, -300);
        std::vector<std::string> expected;
        for (const std::string& line : lines(report))
            if (!line.empty()) expected.push_back(line);
        EXPECT_EQ(printed, expected);
        for (std::size_t i = 2; i < texts.size(); ++i) EXPECT_LT(texts[i].at.y, texts[i - 1].at.y);
    }
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
}

TEST_F(Win32Window, CancelledPrintWritesNothing)
{
    reportWithModule2Teeth20();
    const std::filesystem::path folder = makeScratchFolder("gearcalc-print");
    const std::u8string name = (folder / "cancelled.emf").u8string();
    win_->host->dialogs().queuePrintAnswer(gr::PrintAnswer{false, std::string(name.begin(), name.end())});
    click(id::打印按钮);
    EXPECT_FALSE(std::filesystem::exists(folder / "cancelled.emf"));
    EXPECT_TRUE(win_->host->printedJobs().empty());
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
}

// --- The result box's own context menu and the inspection card ---------------------

TEST_F(Win32Window, ResultBoxMenuIsChineseAndPrintsTheCardAsTheHeadlessRuntimeDoes)
{
    std::vector<gr::Win32WindowSystem::MenuLine> lines = screen_->contextMenu(id::结果编辑框);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].text, "复制(&C)");
    EXPECT_EQ(lines[1].text, "全选(&A)");
    EXPECT_EQ(lines[2].id, 0u); // the separator
    EXPECT_EQ(lines[3].text, "打印检测卡(&K)…");
    EXPECT_FALSE(lines[3].enabled);
    EXPECT_FALSE(screen_->chooseContextMenu(id::结果编辑框, lines[3].id));
    EXPECT_TRUE(screen_->contextMenu(id::模数编辑框).empty());

    reportWithModule2Teeth20();
    lines = screen_->contextMenu(id::结果编辑框);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_TRUE(lines[3].enabled);
    EXPECT_FALSE(lines[0].enabled); // nothing selected to copy yet
    ASSERT_TRUE(screen_->chooseContextMenu(id::结果编辑框, lines[1].id));
    EXPECT_TRUE(screen_->contextMenu(id::结果编辑框)[0].enabled);

    const std::filesystem::path folder = makeScratchFolder("gearcalc-card");
    const std::u8string name = (folder / "card.emf").u8string();
    win_->host->dialogs().queuePrintAnswer(gr::PrintAnswer{true, std::string(name.begin(), name.end())});
    ASSERT_TRUE(screen_->chooseContextMenu(id::结果编辑框, lines[3].id));
    twin_->host->dialogs().queuePrintAnswer(gr::PrintAnswer{true, {}});
    ASSERT_TRUE(gr::UserActions(*twin_->host).chooseMenuCommand(id::结果编辑框, kCardCommand));
    ASSERT_EQ(win_->host->printedJobs().size(), 1u);
    ASSERT_EQ(twin_->host->printedJobs().size(), 1u);
    const gr::PrintJob& job = win_->host->printedJobs()[0];
    const gr::PrintJob& twin = twin_->host->printedJobs()[0];
    ASSERT_EQ(job.items.size(), twin.items.size());
    for (std::size_t i = 0; i < job.items.size(); ++i) {
        EXPECT_EQ(job.items[i].text, twin.items[i].text) << i;
        EXPECT_EQ(job.items[i].x, twin.items[i].x) << i;
        EXPECT_EQ(job.items[i].y, twin.items[i].y) << i;
        EXPECT_EQ(job.items[i].font_size, twin.items[i].font_size) << i;
        EXPECT_EQ(job.items[i].points, twin.items[i].points) << i;
        EXPECT_EQ(job.items[i].pen_width, twin.items[i].pen_width) << i;
    }
    const std::vector<PrintedText> texts = metafileTexts(folder / "card.emf");
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts[0].text, "ZKD-KESTAL 齿轮检测卡");
    EXPECT_EQ(texts[0].at.x, 150);
    EXPECT_EQ(texts[0].at.y, -140);
    EXPECT_TRUE(win_->host->dialogs().messages().empty());
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
}

// --- The window --------------------------------------------------------------------

TEST_F(Win32Window, WindowHasTheFormsPlaceAndSize)
{
    const gr::Rect r = screen_->windowRect();
    EXPECT_EQ((std::pair{r.left, r.top}), (std::pair{5, 5}));
    EXPECT_EQ((std::pair{r.width, r.height}), (std::pair{542, 445}));
    RECT client{};
    ::GetClientRect(window(), &client);
    EXPECT_EQ(screen_->clientSize().width, client.right);
    EXPECT_EQ(screen_->screenWidth(), ::GetSystemMetrics(SM_CXSCREEN));
}

TEST_F(Win32Window, OneMonitorIsTheWholeScreenWithEveryEdgeOpen)
{
    const gr::MonitorView m = screen_->windowMonitor();
    EXPECT_EQ((std::vector{m.area.left, m.area.top, m.area.width, m.area.height}),
              (std::vector{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)}));
    EXPECT_EQ(m.open_edges, gr::kAllEdges);
    // No invisible frame here (Wine): the window's place is its rectangle,
    // and placing it moves that rectangle.
    screen_->placeWindow(-100, 30);
    RECT outer{};
    ::GetWindowRect(window(), &outer);
    EXPECT_EQ((std::pair{outer.left, outer.top}), (std::pair{-100L, 30L}));
    const gr::Rect r = screen_->windowRect();
    EXPECT_EQ((std::vector{r.left, r.top, r.width, r.height}),
              (std::vector<int>{outer.left, outer.top, outer.right - outer.left, outer.bottom - outer.top}));
}

TEST_F(Win32Window, MouseMovesCollapseAndBringBackTheWindow)
{
    const gr::Rect start = screen_->windowRect();
    screen_->placeWindow(20, 100);
    ::SetCursorPos(60, 140);
    ::PostMessageW(window(), WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
    pump();
    EXPECT_EQ(screen_->windowRect().left, 20) << "not ticked: the window stays";

    click(id::隐藏选择框);
    ::PostMessageW(window(), WM_MOUSEMOVE, 0, MAKELPARAM(12, 10));
    pump();
    EXPECT_EQ(screen_->windowRect().left, 5);
    EXPECT_EQ(screen_->windowRect().top, 100);

    // Leaving below the window: only a 4-pixel strip stays.
    ::SetCursorPos(60, 100 + start.height + 20);
    ::PostMessageW(window(), WM_MOUSELEAVE, 0, 0);
    pump();
    EXPECT_EQ(screen_->windowRect().left, 4 - start.width);

    // Over the strip of frame that shows: back at the edge.
    const gr::Rect tucked = screen_->windowRect();
    ::SetCursorPos(tucked.left + tucked.width - 2, 300);
    ::PostMessageW(window(), WM_NCMOUSEMOVE, HTRIGHT, MAKELPARAM(tucked.left + tucked.width - 2, 300));
    pump();
    EXPECT_EQ(screen_->windowRect().left, 5);
}

TEST_F(Win32Window, MovesOverAControlReachTheWindowInClientCoordinates)
{
    click(id::隐藏选择框);
    screen_->placeWindow(200, 20);
    ::SetCursorPos(300, 80);
    // Over the result box, whose own coordinates start at (288, 32).
    ::PostMessageW(control(id::结果编辑框), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    pump();
    EXPECT_EQ(screen_->windowRect().top, 0) << "a move inside at the top edge snaps to it";
}

TEST_F(Win32Window, ExitButtonClosesTheWindow)
{
    EXPECT_TRUE(screen_->windowOpen());
    click(id::退出按钮);
    EXPECT_FALSE(screen_->windowOpen());
}

} // namespace
} // namespace gearcalc::win32test
