// The result box's context menu, built here because the edit control's
// own menu speaks the system's language and cannot be extended: 复制 and
// 全选 like the edit control's, then a separator and the entries the
// program put on the control. The right mouse button and the menu key
// (Shift+F10) open it.
#include "win32_impl.hpp"

#include <commctrl.h>
#include <windowsx.h>

namespace gr {

namespace {

constexpr UINT kCopy = 1;
constexpr UINT kSelectAll = 2;
constexpr UINT kFirstProgramEntry = 100; // + the entry's place on the control's menu
constexpr UINT_PTR kMenuId = 2;

LRESULT CALLBACK menuProc(HWND edit, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR impl)
{
    if (message == WM_CONTEXTMENU) {
        auto* self = reinterpret_cast<Win32WindowSystem::Impl*>(impl);
        POINT at{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
        if (at.x == -1 && at.y == -1) { // from the keyboard: at the box's top-left corner
            at = POINT{4, 4};
            ::ClientToScreen(edit, &at);
        }
        self->popupMenu(edit, at);
        return 0;
    }
    if (message == WM_NCDESTROY) ::RemoveWindowSubclass(edit, menuProc, kMenuId);
    return ::DefSubclassProc(edit, message, wparam, lparam);
}

} // namespace

std::vector<Win32WindowSystem::MenuLine> Win32WindowSystem::Impl::menuLines(HWND edit) const
{
    std::vector<MenuLine> lines;
    const ControlState* c = stateOf(edit);
    DWORD start = 0, end = 0;
    ::SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    const bool has_text = ::GetWindowTextLengthW(edit) > 0;
    lines.push_back(MenuLine{"复制(&C)", start != end, kCopy});
    lines.push_back(MenuLine{"全选(&A)", has_text, kSelectAll});
    if (c == nullptr || c->menu.empty()) return lines;
    lines.push_back(MenuLine{"", false, 0}); // separator
    for (std::size_t i = 0; i < c->menu.size(); ++i)
        lines.push_back(MenuLine{c->menu[i].text, c->menu[i].enabled, kFirstProgramEntry + static_cast<UINT>(i)});
    return lines;
}

void Win32WindowSystem::Impl::chooseMenuLine(HWND edit, unsigned id)
{
    if (id == kCopy) {
        ::SendMessageW(edit, WM_COPY, 0, 0);
    } else if (id == kSelectAll) {
        ::SendMessageW(edit, EM_SETSEL, 0, -1);
    } else if (id >= kFirstProgramEntry) {
        const ControlState* c = stateOf(edit);
        const std::size_t index = id - kFirstProgramEntry;
        if (c == nullptr || index >= c->menu.size() || !c->menu[index].enabled) return;
        sink->dispatchEvent(c->identity, form::kEventMenuCommand, {c->menu[index].command});
    }
}

void Win32WindowSystem::Impl::popupMenu(HWND edit, POINT at)
{
    HMENU menu = ::CreatePopupMenu();
    if (menu == nullptr) return;
    for (const MenuLine& line : menuLines(edit)) {
        if (line.id == 0) {
            ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        const std::wstring text = win32::wide(line.text);
        ::AppendMenuW(menu, MF_STRING | (line.enabled ? MF_ENABLED : MF_GRAYED), line.id, text.c_str());
    }
    if (::GetFocus() != edit) ::SetFocus(edit);
    const UINT chosen = static_cast<UINT>(
        ::TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x, at.y, 0, window, nullptr));
    ::DestroyMenu(menu);
    // The routine runs after the menu has closed.
    if (chosen != 0) chooseMenuLine(edit, chosen);
}

void Win32WindowSystem::Impl::ownContextMenu(HWND edit)
{
    ::SetWindowSubclass(edit, menuProc, kMenuId, reinterpret_cast<DWORD_PTR>(this));
}

std::vector<Win32WindowSystem::MenuLine> Win32WindowSystem::contextMenu(uint32_t identity) const
{
    auto it = impl_->controls.find(identity);
    if (it == impl_->controls.end()) return {};
    const ControlState* c = impl_->stateOf(it->second);
    if (c == nullptr || c->kind != form::kEditBox || !c->element->multiline) return {};
    return impl_->menuLines(it->second);
}

bool Win32WindowSystem::chooseContextMenu(uint32_t identity, unsigned id)
{
    for (const MenuLine& line : contextMenu(identity)) {
        if (line.id != id || !line.enabled) continue;
        impl_->chooseMenuLine(impl_->controls.at(identity), id);
        return true;
    }
    return false;
}

} // namespace gr
