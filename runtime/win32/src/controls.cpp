// The form's controls as Win32 controls, and how the model's state shows
// on them: texts, ticks, selections, colours and the logo.
#include "win32_impl.hpp"

#include <commctrl.h>
#include <uxtheme.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace gr {

namespace {

// The height of the list a drop-down combo box opens.
constexpr int kComboListHeight = 240;

DWORD alignmentStyle(int32_t alignment)
{
    switch (alignment) {
    case 1: return ES_CENTER;
    case 2: return ES_RIGHT;
    default: return ES_LEFT;
    }
}

int lineSpacing(HWND hwnd, HFONT font)
{
    HDC dc = ::GetDC(hwnd);
    const HGDIOBJ old = ::SelectObject(dc, font);
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(dc, &metrics);
    ::SelectObject(dc, old);
    ::ReleaseDC(hwnd, dc);
    return metrics.tmHeight + metrics.tmExternalLeading;
}

struct ControlClass {
    const wchar_t* name = nullptr;
    DWORD style = 0;
    DWORD ex_style = 0;
    int extra_height = 0;
};

ControlClass classFor(const ControlState& control, int line_spacing)
{
    const form::Element& e = *control.element;
    switch (control.kind) {
    case form::kEditBox: {
        ControlClass c{WC_EDITW, ES_AUTOHSCROLL | alignmentStyle(e.alignment), WS_EX_CLIENTEDGE};
        if (e.multiline) {
            // The multi-line box shows results; the program writes it, the
            // user only reads, selects and copies.
            c.style = ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | alignmentStyle(e.alignment);
            if (e.scroll_bars & 2) c.style |= WS_VSCROLL;
            if (e.scroll_bars & 1) c.style |= WS_HSCROLL | ES_AUTOHSCROLL;
        } else if (e.input_mode == form::kReadOnlyInput) {
            c.style |= ES_READONLY;
        }
        return c;
    }
    case form::kLabel:
        // A caption a few pixels too wide for a one-line label is clipped
        // at its end; labels tall enough for two lines wrap.
        return ControlClass{WC_STATICW, static_cast<DWORD>(SS_NOPREFIX | (e.height >= 2 * line_spacing ? SS_LEFT : SS_LEFTNOWORDWRAP))};
    case form::kButton: return ControlClass{WC_BUTTONW, BS_PUSHBUTTON};
    // Not the automatic kinds: the model decides what a click ticks.
    case form::kCheckBox: return ControlClass{WC_BUTTONW, BS_CHECKBOX};
    case form::kRadioButton: return ControlClass{WC_BUTTONW, BS_RADIOBUTTON};
    case form::kComboBox: return ControlClass{WC_COMBOBOXW, CBS_DROPDOWNLIST | WS_VSCROLL, 0, kComboListHeight};
    case form::kPictureBox: return ControlClass{WC_STATICW, SS_OWNERDRAW};
    default: return ControlClass{}; // the printer and anything without a face
    }
}

} // namespace

void Win32WindowSystem::Impl::createControl(ControlState& control, int id)
{
    const form::Element* e = control.element;
    if (e == nullptr) return;
    // Whether a label wraps is decided at the form's own scale.
    HFONT base_font = dpi == win32::kBaseDpi ? font : win32::windowFont(win32::kBaseDpi);
    const ControlClass cls = classFor(control, lineSpacing(window, base_font));
    if (base_font != font) ::DeleteObject(base_font);
    if (cls.name == nullptr) return;

    const bool focusable = control.kind != form::kLabel && control.kind != form::kPictureBox;
    DWORD style = WS_CHILD | cls.style;
    if (control.visible) style |= WS_VISIBLE;
    if (control.disabled) style |= WS_DISABLED;
    // Every control is a group of its own, so the arrow keys do not move
    // between controls (they choose items and move the caret).
    if (focusable) style |= WS_GROUP;
    if (focusable && control.tab_stop) style |= WS_TABSTOP;
    const std::wstring caption = control.kind == form::kComboBox || control.kind == form::kPictureBox
                                     ? std::wstring()
                                     : win32::wide(control.text);
    const win32::StyleContext active(style_context);
    const RECT r = controlRect(control);
    HWND hwnd = ::CreateWindowExW(cls.ex_style, cls.name, caption.c_str(), style, r.left, r.top, r.right - r.left,
                                  r.bottom - r.top, window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr,
                                  nullptr);
    if (hwnd == nullptr) return;
    ::SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    controls[control.identity] = hwnd;
    identities[hwnd] = control.identity;
    applyTheme(hwnd);

    switch (control.kind) {
    case form::kEditBox:
        if (e->multiline) {
            ::SendMessageW(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(caption.c_str()));
            ownContextMenu(hwnd);
        } else
            filterInput(hwnd, e->input_mode);
        break;
    case form::kComboBox:
        for (const std::string& item : control.items)
            ::SendMessageW(hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(win32::wide(item).c_str()));
        showSelection(control, hwnd);
        break;
    case form::kCheckBox:
    case form::kRadioButton: showChecked(control, hwnd); break;
    default: break;
    }
}

RECT Win32WindowSystem::Impl::controlRect(const ControlState& control) const
{
    const form::Element& e = *control.element;
    RECT r = win32::scaledRect(e.left, e.top, std::max(1, e.width), std::max(1, e.height), dpi);
    // A drop-down combo box's height includes its open list.
    if (control.kind == form::kComboBox) r.bottom += win32::scaled(kComboListHeight, dpi);
    return r;
}

void Win32WindowSystem::Impl::layOut()
{
    if (window == nullptr || model == nullptr) return;
    RECT client{};
    ::GetClientRect(window, &client);
    std::vector<std::pair<const ControlState*, RECT>> placed;
    for (const ControlState& c : model->controls()) {
        const auto it = controls.find(c.identity);
        if (it != controls.end()) placed.emplace_back(&c, controlRect(c));
    }
    HDC dc = ::GetDC(window);
    const HGDIOBJ old = ::SelectObject(dc, font);
    const int gap = win32::scaled(2, dpi);
    for (auto& [c, r] : placed) {
        HWND hwnd = controls.at(c->identity);
        ::SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        // The one-line captions of labels, check boxes and radio buttons:
        // where the face is wider than the form was laid out for, the box
        // takes the room up to its right-hand neighbour on the same row.
        const bool captioned = c->kind == form::kLabel || c->kind == form::kCheckBox || c->kind == form::kRadioButton;
        const LONG style = ::GetWindowLongW(hwnd, GWL_STYLE);
        const bool wraps = c->kind == form::kLabel && (style & SS_TYPEMASK) == SS_LEFT;
        if (captioned && !wraps && !c->text.empty()) {
            const std::wstring text = win32::wide(c->text);
            SIZE extent{};
            ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
            // A check box or radio button draws its box and a gap first.
            const int box = c->kind == form::kLabel ? 0 : win32::scaled(13 + 6, dpi);
            const LONG needed = extent.cx + box + gap;
            if (r.right - r.left < needed) {
                LONG limit = client.right - gap;
                for (const auto& [other, o] : placed) {
                    // A combo box's rectangle includes its list; its face
                    // is the form's height.
                    const LONG bottom = other->kind == form::kComboBox
                                            ? o.top + win32::scaled(other->element->height, dpi)
                                            : o.bottom;
                    if (other != c && o.left >= r.right && o.top < r.bottom && bottom > r.top)
                        limit = std::min(limit, o.left - gap);
                }
                r.right = std::max(r.right, std::min(r.left + needed, limit));
            }
        }
        ::SetWindowPos(hwnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ::SelectObject(dc, old);
    ::ReleaseDC(window, dc);
}

ControlState* Win32WindowSystem::Impl::stateOf(HWND hwnd) const
{
    const auto it = identities.find(hwnd);
    return it == identities.end() || model == nullptr ? nullptr : model->find(it->second);
}

void Win32WindowSystem::Impl::showText(const ControlState& control, HWND hwnd)
{
    // Only edit boxes, labels and buttons show their text; a window text
    // that is already shown is left alone (the caret stays where it is).
    if (control.kind == form::kComboBox || control.kind == form::kPictureBox) return;
    if (win32::windowText(hwnd) == control.text) return;
    ::SetWindowTextW(hwnd, win32::wide(control.text).c_str());
}

void Win32WindowSystem::Impl::showChecked(const ControlState& control, HWND hwnd)
{
    ::SendMessageW(hwnd, BM_SETCHECK, control.checked != 0 ? BST_CHECKED : BST_UNCHECKED, 0);
}

void Win32WindowSystem::Impl::showSelection(const ControlState& control, HWND hwnd)
{
    const int index = control.selected_index;
    const int count = static_cast<int>(::SendMessageW(hwnd, CB_GETCOUNT, 0, 0));
    ::SendMessageW(hwnd, CB_SETCURSEL, index >= 0 && index < count ? index : -1, 0);
}

void Win32WindowSystem::Impl::showChecks()
{
    for (const ControlState& control : model->controls()) {
        if (control.kind != form::kCheckBox && control.kind != form::kRadioButton) continue;
        const auto it = controls.find(control.identity);
        if (it != controls.end()) showChecked(control, it->second);
    }
}

void Win32WindowSystem::Impl::applyTheme(HWND hwnd) const
{
    // Classic until the program asks for the visual style; themed means the
    // theme of common controls version 6.
    if (themed)
        ::SetWindowTheme(hwnd, nullptr, nullptr);
    else
        ::SetWindowTheme(hwnd, L"", L"");
    ::SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

HBRUSH Win32WindowSystem::Impl::brush(COLORREF colour)
{
    auto it = brushes.find(colour);
    if (it == brushes.end()) it = brushes.emplace(colour, ::CreateSolidBrush(colour)).first;
    return it->second;
}

HBRUSH Win32WindowSystem::Impl::controlColours(HWND hwnd, HDC dc)
{
    const ControlState* c = stateOf(hwnd);
    if (c == nullptr) return nullptr;
    if (c->kind == form::kLabel) {
        ::SetTextColor(dc, c->text_colour != form::kDefaultColour ? c->text_colour : ::GetSysColor(COLOR_WINDOWTEXT));
        ::SetBkMode(dc, TRANSPARENT);
        return c->back_colour != form::kDefaultColour ? brush(c->back_colour) : ::GetSysColorBrush(COLOR_BTNFACE);
    }
    // A disabled edit box shows the system's grey; an enabled one (also the
    // read-only result box) the model's colours.
    if (c->kind != form::kEditBox || c->disabled) return nullptr;
    if (c->text_colour == form::kDefaultColour && c->back_colour == form::kDefaultColour) return nullptr;
    ::SetTextColor(dc, c->text_colour != form::kDefaultColour ? c->text_colour : ::GetSysColor(COLOR_WINDOWTEXT));
    const COLORREF back = c->back_colour != form::kDefaultColour ? c->back_colour : ::GetSysColor(COLOR_WINDOW);
    ::SetBkColor(dc, back);
    return brush(back);
}

void Win32WindowSystem::Impl::drawPicture(const DRAWITEMSTRUCT& item)
{
    ::FillRect(item.hDC, &item.rcItem, ::GetSysColorBrush(COLOR_BTNFACE));
    const ControlState* c = stateOf(item.hwndItem);
    if (c == nullptr || c->element == nullptr) return;
    auto it = pictures.find(c->identity);
    if (it == pictures.end()) {
        // Decoded when first needed: the decoder's start-up is not paid
        // before the window shows.
        ensureCom();
        it = pictures.emplace(c->identity, win32::decodePicture(c->element->picture)).first;
    }
    if (it->second == nullptr) return;
    BITMAP info{};
    ::GetObjectW(it->second, sizeof info, &info);
    const int box_w = item.rcItem.right - item.rcItem.left, box_h = item.rcItem.bottom - item.rcItem.top;
    int w = win32::scaled(info.bmWidth, dpi), h = win32::scaled(std::abs(info.bmHeight), dpi);
    if (w <= 0 || h <= 0) return;
    // Shown at its own size for the DPI, centred; only a picture larger
    // than its box is scaled down to fit.
    if (w > box_w || h > box_h) {
        const double scale = std::min(static_cast<double>(box_w) / w, static_cast<double>(box_h) / h);
        w = std::max(1, static_cast<int>(w * scale));
        h = std::max(1, static_cast<int>(h * scale));
    }
    HDC source = ::CreateCompatibleDC(item.hDC);
    const HGDIOBJ old = ::SelectObject(source, it->second);
    ::SetStretchBltMode(item.hDC, HALFTONE);
    ::SetBrushOrgEx(item.hDC, 0, 0, nullptr);
    ::StretchBlt(item.hDC, item.rcItem.left + (box_w - w) / 2, item.rcItem.top + (box_h - h) / 2, w, h, source, 0, 0,
                 info.bmWidth, std::abs(info.bmHeight), SRCCOPY);
    ::SelectObject(source, old);
    ::DeleteDC(source);
}

} // namespace gr
