// Printing with GDI: the standard print dialog, and the job's pages drawn
// on a printer, or recorded as enhanced metafiles when printing to a file.
// Both go through the same page layout as on every platform, in the
// mapping mode whose unit is a tenth of a millimetre, the program's unit.
#include "win32_impl.hpp"

#include <gearhost/page_layout.hpp>

#include <commdlg.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>

namespace gr {

namespace {

constexpr double kTenthsPerPoint = 254.0 / 72.0;
// A4, in tenths of a millimetre.
constexpr double kA4Width = 2100.0, kA4Height = 2970.0;

// The window's face at a size in points, in tenths of a millimetre (the
// logical unit of the page).
class PrintFonts {
public:
    explicit PrintFonts(HDC dc) : dc_(dc), face_(pageFace()) {}
    ~PrintFonts()
    {
        ::SelectObject(dc_, ::GetStockObject(SYSTEM_FONT));
        for (auto& [size, font] : fonts_) ::DeleteObject(font);
    }
    PrintFonts(const PrintFonts&) = delete;
    PrintFonts& operator=(const PrintFonts&) = delete;

    void select(double point_size)
    {
        auto it = fonts_.find(point_size);
        if (it == fonts_.end()) {
            LOGFONTW face = face_;
            face.lfHeight = -static_cast<LONG>(std::lround((point_size > 0.0 ? point_size : 12.0) * kTenthsPerPoint));
            face.lfWidth = 0;
            face.lfQuality = DEFAULT_QUALITY;
            it = fonts_.emplace(point_size, ::CreateFontIndirectW(&face)).first;
        }
        ::SelectObject(dc_, it->second);
    }

private:
    static LOGFONTW pageFace()
    {
        LOGFONTW face = win32::messageFont(win32::kBaseDpi);
        const std::wstring name = win32::windowFace();
        lstrcpynW(face.lfFaceName, name.c_str(), LF_FACESIZE);
        face.lfCharSet = DEFAULT_CHARSET;
        return face;
    }

    HDC dc_;
    LOGFONTW face_;
    std::map<double, HFONT> fonts_;
};

class GdiMeasure final : public TextMeasure {
public:
    GdiMeasure(HDC dc, PrintFonts& fonts) : dc_(dc), fonts_(fonts) {}

    double lineSpacing(double font_size) override
    {
        fonts_.select(font_size);
        TEXTMETRICW metrics{};
        ::GetTextMetricsW(dc_, &metrics);
        return metrics.tmHeight + metrics.tmExternalLeading;
    }

    std::vector<double> prefixWidths(std::string_view line, double font_size) override
    {
        fonts_.select(font_size);
        const std::wstring text = win32::wide(line);
        std::vector<INT> ends(text.size() + 1, 0);
        SIZE total{};
        ::GetTextExtentExPointW(dc_, text.c_str(), static_cast<int>(text.size()), 0, nullptr, ends.data(), &total);
        // One width per code point: a surrogate pair ends at its second unit.
        std::vector<double> widths;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size()) continue;
            widths.push_back(ends[i]);
        }
        return widths;
    }

private:
    HDC dc_;
    PrintFonts& fonts_;
};

// Logical unit: a tenth of a millimetre, with (0, 0) at the paper's corner
// (`offset`: where the printable area begins, in device pixels).
void useTenthsOfMillimetres(HDC dc, POINT offset)
{
    ::SetMapMode(dc, MM_LOMETRIC);
    ::SetViewportOrgEx(dc, -offset.x, -offset.y, nullptr);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextAlign(dc, TA_TOP | TA_LEFT | TA_NOUPDATECP);
    ::SetTextColor(dc, RGB(0, 0, 0));
}

// The page's lines, drawn in hundredths of a millimetre (MM_HIMETRIC, the
// same origin) so a drawing keeps the program's fractions of a tenth; the
// mapping goes back to tenths afterwards.
void paintStrokes(HDC dc, const Page& page)
{
    if (page.strokes.empty()) return;
    ::SetMapMode(dc, MM_HIMETRIC);
    for (const PlacedStroke& stroke : page.strokes) {
        LOGBRUSH brush{BS_SOLID, RGB(0, 0, 0), 0};
        const DWORD width = static_cast<DWORD>(std::lround(std::max(stroke.pen_width, 0.0) * 10.0));
        HPEN pen = width > 0 ? ::ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_ROUND | PS_JOIN_ROUND, width, &brush, 0,
                                              nullptr)
                             : ::CreatePen(PS_SOLID, 0, RGB(0, 0, 0));
        if (pen == nullptr) continue;
        HGDIOBJ old = ::SelectObject(dc, pen);
        std::vector<POINT> points;
        points.reserve(stroke.points.size());
        // MM_HIMETRIC counts y upwards.
        for (const PagePoint& p : stroke.points)
            points.push_back(POINT{static_cast<LONG>(std::lround(p.x * 10.0)), -static_cast<LONG>(std::lround(p.y * 10.0))});
        ::Polyline(dc, points.data(), static_cast<int>(points.size()));
        ::SelectObject(dc, old);
        ::DeleteObject(pen);
    }
    ::SetMapMode(dc, MM_LOMETRIC);
}

void paintPage(HDC dc, const Page& page, PrintFonts& fonts)
{
    paintStrokes(dc, page);
    for (const PlacedLine& line : page.lines) {
        fonts.select(line.font_size);
        const std::wstring text = win32::wide(line.text);
        // MM_LOMETRIC counts y upwards.
        ::TextOutW(dc, static_cast<int>(std::lround(line.x)), -static_cast<int>(std::lround(line.y)), text.c_str(),
                   static_cast<int>(text.size()));
    }
}

std::string pagePath(const std::string& first, std::size_t page)
{
    if (page == 0) return first;
    std::string stem = first;
    if (stem.size() >= 4 && _stricmp(stem.c_str() + stem.size() - 4, ".emf") == 0) stem.resize(stem.size() - 4);
    return stem + "-" + std::to_string(page + 1) + ".emf";
}

} // namespace

namespace win32 {

BOOL printDialog(PRINTDLGW& dialog)
{
    using PrintDlgFn = BOOL(WINAPI*)(PRINTDLGW*);
    static const PrintDlgFn show = [] {
        HMODULE module = ::LoadLibraryExW(L"comdlg32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        if (module == nullptr) module = ::LoadLibraryW(L"comdlg32.dll");
        return module == nullptr ? nullptr
                                 : reinterpret_cast<PrintDlgFn>(reinterpret_cast<void*>(::GetProcAddress(module, "PrintDlgW")));
    }();
    return show != nullptr ? show(&dialog) : FALSE;
}

PrintOutcome printOnDevice(HDC printer, const PrintJob& job)
{
    const double dpi_x = ::GetDeviceCaps(printer, LOGPIXELSX), dpi_y = ::GetDeviceCaps(printer, LOGPIXELSY);
    if (dpi_x <= 0 || dpi_y <= 0) return PrintOutcome::failed;
    const POINT offset{::GetDeviceCaps(printer, PHYSICALOFFSETX), ::GetDeviceCaps(printer, PHYSICALOFFSETY)};
    const double width = ::GetDeviceCaps(printer, PHYSICALWIDTH) * 254.0 / dpi_x;
    const double height = ::GetDeviceCaps(printer, PHYSICALHEIGHT) * 254.0 / dpi_y;

    const std::wstring name = wide(job.document_name);
    DOCINFOW doc{};
    doc.cbSize = sizeof doc;
    doc.lpszDocName = name.c_str();
    if (::StartDocW(printer, &doc) <= 0)
        // A printer that writes a file (PDF, XPS) asks for its name here.
        return ::GetLastError() == ERROR_CANCELLED ? PrintOutcome::cancelled : PrintOutcome::failed;
    useTenthsOfMillimetres(printer, offset);
    PrintFonts fonts(printer);
    GdiMeasure measure(printer, fonts);
    bool ok = true;
    for (const Page& page : layoutPages(job, width, height, measure)) {
        // A driver may reset the device context at each page.
        if (::StartPage(printer) <= 0) {
            ok = false;
            break;
        }
        useTenthsOfMillimetres(printer, offset);
        paintPage(printer, page, fonts);
        if (::EndPage(printer) <= 0) {
            ok = false;
            break;
        }
    }
    if (ok) ok = ::EndDoc(printer) > 0;
    else ::AbortDoc(printer);
    return ok ? PrintOutcome::printed : PrintOutcome::failed;
}

bool printToMetafiles(const PrintJob& job, const std::string& path)
{
    // The frame of each page, in hundredths of a millimetre.
    const RECT frame{0, 0, static_cast<LONG>(kA4Width * 10), static_cast<LONG>(kA4Height * 10)};
    std::wstring description = L"gearcalc";
    description += L'\0';
    description += wide(job.document_name);
    description += L'\0';

    // Measured with one device pixel for each tenth of a millimetre, so
    // the page's layout is the same whatever the screen's DPI (in
    // MM_LOMETRIC on the screen, fonts and widths would be rounded to
    // whole screen pixels).
    HDC screen = ::CreateCompatibleDC(nullptr);
    if (screen == nullptr) return false;
    ::SetMapMode(screen, MM_TEXT);
    std::vector<Page> pages;
    {
        PrintFonts fonts(screen);
        GdiMeasure measure(screen, fonts);
        pages = layoutPages(job, kA4Width, kA4Height, measure);
    }
    ::DeleteDC(screen);

    for (std::size_t i = 0; i < pages.size(); ++i) {
        HDC dc = ::CreateEnhMetaFileW(nullptr, wide(pagePath(path, i)).c_str(), &frame, description.c_str());
        if (dc == nullptr) return false;
        useTenthsOfMillimetres(dc, POINT{0, 0});
        {
            PrintFonts fonts(dc);
            paintPage(dc, pages[i], fonts);
        }
        HENHMETAFILE done = ::CloseEnhMetaFile(dc);
        if (done == nullptr) return false;
        ::DeleteEnhMetaFile(done);
    }
    return true;
}

} // namespace win32

PrintAnswer Win32WindowSystem::askPrint(const std::string&)
{
    PRINTDLGW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = impl_->ownerWindow();
    dialog.Flags = PD_RETURNDC | PD_NOPAGENUMS | PD_NOSELECTION | PD_USEDEVMODECOPIESANDCOLLATE;
    dialog.nCopies = 1;
    // The printer, paper and orientation of the last print of this run.
    dialog.hDevMode = impl_->printer_mode;
    dialog.hDevNames = impl_->printer_names;
    const win32::StyleContext active(impl_->themed ? impl_->style_context : INVALID_HANDLE_VALUE);
    PrintAnswer answer;
    answer.accepted = win32::printDialog(dialog) != FALSE && dialog.hDC != nullptr;
    // The dialog may have replaced the handles it was given (and freed
    // those); what it returns is kept, also after a cancel.
    impl_->printer_mode = dialog.hDevMode;
    impl_->printer_names = dialog.hDevNames;
    if (impl_->chosen_printer != nullptr) ::DeleteDC(impl_->chosen_printer);
    impl_->chosen_printer = answer.accepted ? dialog.hDC : nullptr;
    if (!answer.accepted && dialog.hDC != nullptr) ::DeleteDC(dialog.hDC);
    return answer;
}

bool Win32WindowSystem::submitPrintJob(const PrintJob& job)
{
    if (!job.pdf_path.empty()) return win32::printToMetafiles(job, job.pdf_path);
    HDC printer = impl_->chosen_printer;
    impl_->chosen_printer = nullptr;
    if (printer == nullptr) {
        // No dialog was shown (its answer was given in advance): the
        // default printer.
        PRINTDLGW dialog{};
        dialog.lStructSize = sizeof dialog;
        dialog.Flags = PD_RETURNDEFAULT | PD_RETURNDC;
        if (win32::printDialog(dialog)) printer = dialog.hDC;
        if (dialog.hDevMode != nullptr) ::GlobalFree(dialog.hDevMode);
        if (dialog.hDevNames != nullptr) ::GlobalFree(dialog.hDevNames);
    }
    if (printer == nullptr) return false;
    const win32::PrintOutcome outcome = win32::printOnDevice(printer, job);
    ::DeleteDC(printer);
    // Cancelling the file-name prompt is the user's choice, like cancelling
    // the print dialog: nothing is printed and there is no failure to show.
    return outcome != win32::PrintOutcome::failed;
}

} // namespace gr
