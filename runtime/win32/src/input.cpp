// What the user does in the Win32 window, on its way to the model and the
// program: clicks, edits and selections (WM_COMMAND), keys, and mouse moves
// inside the window, where it left the window and over its frame.
#include "win32_impl.hpp"

#include <gearhost/mouse_positions.hpp>
#include <gearhost/typing.hpp>

#include <commctrl.h>

#include <algorithm>
#include <optional>
#include <vector>

namespace gr {

namespace {

int64_t shiftState()
{
    int64_t state = 0;
    if (::GetKeyState(VK_SHIFT) < 0) state |= 1;
    if (::GetKeyState(VK_CONTROL) < 0) state |= 2;
    if (::GetKeyState(VK_MENU) < 0) state |= 4;
    return state;
}

std::wstring textOf(HWND edit)
{
    const int length = ::GetWindowTextLengthW(edit);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(edit, text.data(), length + 1)));
    return text;
}

// The clipboard's text; nothing when it holds no text (empty, a picture,
// files) or cannot be opened.
std::optional<std::wstring> clipboardText(HWND owner)
{
    if (!::IsClipboardFormatAvailable(CF_UNICODETEXT) || !::OpenClipboard(owner)) return std::nullopt;
    std::optional<std::wstring> text;
    if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* chars = static_cast<const wchar_t*>(::GlobalLock(data))) {
            // At most the block's size: a text without its terminating
            // zero is not read past its end.
            const std::size_t units = ::GlobalSize(data) / sizeof(wchar_t);
            std::size_t length = 0;
            while (length < units && chars[length] != L'\0') ++length;
            text = std::wstring(chars, length);
            ::GlobalUnlock(data);
        }
    }
    ::CloseClipboard();
    if (text && text->empty()) return std::nullopt;
    return text;
}

// The typing rules every backend applies, on `inserted` replacing the
// selection: the edit is made here (the rules may change what goes in, a
// decimal comma for instance), or refused with a beep.
void typeInto(HWND edit, int32_t input_mode, const std::wstring& inserted)
{
    const std::wstring text = textOf(edit);
    DWORD start = 0, end = 0;
    ::SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    start = std::min<DWORD>(start, static_cast<DWORD>(text.size()));
    end = std::min<DWORD>(std::max(start, end), static_cast<DWORD>(text.size()));
    // Half a surrogate pair converts to nothing, which must not pass for a
    // deletion of the selection.
    const std::string inserted_utf8 = win32::utf8(inserted);
    const std::optional<TypedText> typed =
        inserted_utf8.empty() && !inserted.empty()
            ? std::nullopt
            : gr::typeInto(input_mode, win32::utf8(text.substr(0, start)), inserted_utf8, win32::utf8(text.substr(end)));
    if (!typed) {
        ::MessageBeep(MB_OK);
        return;
    }
    const std::wstring shown = win32::wide(typed->text);
    const auto caret = static_cast<WPARAM>(win32::wide(std::string_view(typed->text).substr(0, typed->caret)).size());
    ::SetWindowTextW(edit, shown.c_str());
    ::SendMessageW(edit, EM_SETSEL, caret, static_cast<LPARAM>(caret));
}

constexpr UINT_PTR kFilterId = 1;

LRESULT CALLBACK filterProc(HWND edit, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR mode)
{
    const auto input_mode = static_cast<int32_t>(mode);
    if (message == WM_CHAR && wparam >= 32 && wparam != 127) {
        // A character outside the BMP comes as two WM_CHAR messages, its
        // surrogate pair: the first half waits for the second, so the rules
        // only ever see whole characters.
        static thread_local struct {
            HWND edit = nullptr;
            wchar_t high = 0;
        } pending;
        const auto unit = static_cast<wchar_t>(wparam);
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            pending = {edit, unit};
            return 0;
        }
        std::wstring typed(1, unit);
        if (unit >= 0xDC00 && unit <= 0xDFFF) {
            if (pending.edit != edit || pending.high == 0) {
                pending = {};
                ::MessageBeep(MB_OK);
                return 0;
            }
            typed.insert(typed.begin(), pending.high);
        }
        pending = {};
        typeInto(edit, input_mode, typed);
        return 0;
    }
    if (message == WM_PASTE) {
        // Without text on the clipboard a paste leaves the box as it is
        // (it does not delete the selection).
        if (const std::optional<std::wstring> text = clipboardText(edit)) typeInto(edit, input_mode, *text);
        return 0;
    }
    if (message == WM_NCDESTROY) ::RemoveWindowSubclass(edit, filterProc, kFilterId);
    return ::DefSubclassProc(edit, message, wparam, lparam);
}

} // namespace

void Win32WindowSystem::Impl::filterInput(HWND edit, int32_t input_mode)
{
    ::SetWindowSubclass(edit, filterProc, kFilterId, static_cast<DWORD_PTR>(input_mode));
}

void Win32WindowSystem::Impl::command(HWND hwnd, WORD notification)
{
    ControlState* c = stateOf(hwnd);
    if (c == nullptr || showing) return;
    switch (c->kind) {
    case form::kButton:
        if (notification == BN_CLICKED) sink->dispatchEvent(c->identity, form::kEventClicked, {});
        break;
    case form::kCheckBox:
    case form::kRadioButton:
        if (notification == BN_CLICKED) {
            model->applyClick(*c);
            showing = true;
            showChecks();
            showing = false;
            sink->dispatchEvent(c->identity, form::kEventClicked, {});
        }
        break;
    case form::kEditBox:
        // The user's edit; the read-only result box has none.
        if (notification == EN_CHANGE && !c->element->multiline) {
            const std::string text = win32::windowText(hwnd);
            // An edit the filter did not see (an input method's result, a
            // drop) goes through the rules as found between the model's
            // text and the box's: full-width digits become ASCII ones.
            DWORD start = 0, end = 0;
            ::SendMessageW(hwnd, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
            const std::wstring shown = win32::wide(text);
            const std::size_t caret =
                win32::utf8(std::wstring_view(shown).substr(0, std::min<std::size_t>(end, shown.size()))).size();
            const std::optional<TypedText> typed = text == c->text
                                                       ? std::optional<TypedText>(TypedText{text, caret})
                                                       : typeChange(c->element->input_mode, c->text, text, caret);
            if (typed) {
                c->text = typed->text;
                if (typed->text != text) {
                    const std::wstring converted = win32::wide(typed->text);
                    const auto at = static_cast<WPARAM>(
                        win32::wide(std::string_view(typed->text).substr(0, typed->caret)).size());
                    showing = true;
                    ::SetWindowTextW(hwnd, converted.c_str());
                    ::SendMessageW(hwnd, EM_SETSEL, at, static_cast<LPARAM>(at));
                    showing = false;
                }
            } else {
                // Something the filter did not see (a drop, an input method)
                // made the content invalid: back to the model's.
                const std::wstring kept = win32::wide(c->text);
                showing = true;
                ::SetWindowTextW(hwnd, kept.c_str());
                ::SendMessageW(hwnd, EM_SETSEL, kept.size(), kept.size());
                showing = false;
            }
        }
        break;
    case form::kComboBox:
        if (notification == CBN_SELCHANGE) c->select(static_cast<int32_t>(::SendMessageW(hwnd, CB_GETCURSEL, 0, 0)));
        break;
    default:
        break;
    }
}

bool Win32WindowSystem::Impl::preTranslate(MSG& msg)
{
    if (window == nullptr || sink == nullptr) return false;
    const bool ours = msg.hwnd == window || ::IsChild(window, msg.hwnd);
    if (!ours) return false;
    switch (msg.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
        // An open drop-down list takes its own keys (Enter chooses).
        HWND combo = msg.hwnd;
        while (combo != nullptr && combo != window && stateOf(combo) == nullptr) combo = ::GetParent(combo);
        const ControlState* c = combo != nullptr ? stateOf(combo) : nullptr;
        if (c != nullptr && c->kind == form::kComboBox && ::SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0)) return false;
        const auto key = static_cast<int64_t>(msg.wParam);
        const int64_t modifiers = shiftState();
        sink->dispatchEvent(self_identity, form::kEventKeyPressed, {key, modifiers});
        if (window == nullptr) return true; // the handler closed the window
        // Tab follows the model's order of tab stops, whichever control
        // has the focus (also the result box, and either radio button).
        if (key == VK_TAB && (modifiers & ~int64_t{1}) == 0) {
            moveFocus((modifiers & 1) != 0);
            return true;
        }
        // Enter is the window's, from whichever control has the focus: no
        // button is pressed by it and no edit box beeps.
        return key == VK_RETURN;
    }
    case WM_MOUSEMOVE: {
        POINT at{static_cast<short>(LOWORD(msg.lParam)), static_cast<short>(HIWORD(msg.lParam))};
        ::MapWindowPoints(msg.hwnd, window, &at, 1);
        if (mouse_tracked != msg.hwnd) {
            TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, msg.hwnd, 0};
            if (::TrackMouseEvent(&track)) mouse_tracked = msg.hwnd;
        }
        mouseMoved(Point{at.x, at.y}, shiftState());
        return false;
    }
    case WM_MOUSELEAVE:
        if (msg.hwnd == mouse_tracked) {
            mouse_tracked = nullptr;
            mouseLeft();
        }
        return false;
    default:
        return false;
    }
}

void Win32WindowSystem::Impl::moveFocus(bool backwards)
{
    // The enabled, visible tab stops in model order.
    std::vector<HWND> stops;
    for (const ControlState& c : model->controls()) {
        const auto it = controls.find(c.identity);
        if (it == controls.end() || !c.tab_stop) continue;
        if (::IsWindowEnabled(it->second) && ::IsWindowVisible(it->second)) stops.push_back(it->second);
    }
    if (stops.empty()) return;
    HWND now = ::GetFocus();
    while (now != nullptr && now != window && identities.count(now) == 0) now = ::GetParent(now);
    const auto at = std::find(stops.begin(), stops.end(), now);
    std::size_t next = 0;
    if (at != stops.end()) {
        const std::size_t i = static_cast<std::size_t>(at - stops.begin());
        next = backwards ? (i + stops.size() - 1) % stops.size() : (i + 1) % stops.size();
    } else if (backwards) {
        next = stops.size() - 1;
    }
    HWND target = stops[next];
    // The keyboard is in use: focus rectangles show from now on, as the
    // dialog manager shows them when it moves the focus itself.
    ::SendMessageW(window, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    ::SetFocus(target);
    // As the dialog manager does: a single-line edit box reached by Tab
    // has its whole text selected.
    const ControlState* c = stateOf(target);
    if (c != nullptr && c->kind == form::kEditBox && !c->element->multiline) ::SendMessageW(target, EM_SETSEL, 0, -1);
}

void Win32WindowSystem::Impl::mouseMoved(Point at, int64_t modifiers)
{
    // Client pixels to the form's units, as the client size is reported.
    at = formClientPoint(win32::desktopOf(window), at);
    sink->dispatchEvent(self_identity, form::kEventMouseMoved, {at.x, at.y, modifiers});
}

void Win32WindowSystem::Impl::mouseLeft()
{
    if (window == nullptr) return;
    POINT cursor{};
    ::GetCursorPos(&cursor);
    ::ScreenToClient(window, &cursor);
    RECT client{};
    ::GetClientRect(window, &client);
    // From the window onto one of its controls, or back: still inside.
    if (::PtInRect(&client, cursor)) return;
    const Size size{client.right, client.bottom};
    mouseMoved(leavingPosition(size, Point{cursor.x, cursor.y}), shiftState());
}

void Win32WindowSystem::Impl::frameMouseMoved(POINT screen)
{
    if (window == nullptr || sink == nullptr) return;
    ::ScreenToClient(window, &screen);
    RECT client{};
    ::GetClientRect(window, &client);
    if (const std::optional<Point> at = framePosition(Size{client.right, client.bottom}, Point{screen.x, screen.y}))
        mouseMoved(*at, shiftState());
}

} // namespace gr
