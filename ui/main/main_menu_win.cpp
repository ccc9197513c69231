#include "ui/main/main_menu_win.h"

#include "i18n/language_table.h"
#include "ui/kit/popup_menu_win.h"

#include <string>

namespace {

struct menu_text_c {
    UINT command;
    const char* key;
};
constexpr menu_text_c menu_texts[] = {
    {command_settings, "menu_settings"}, {command_help, "menu_help"},
    {command_about, "menu_about"},       {command_exit, "menu_exit"},
};

}  // namespace

bool main_menu_c::load() {
    if (!menu_.get()) menu_.reset(LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(main_menu_id)));
    return menu_.get() != nullptr;
}

HMENU main_menu_c::popup() const { return menu_.get() ? GetSubMenu(menu_.get(), 0) : nullptr; }

void main_menu_c::localise() {
    HMENU menu = popup();
    if (!menu) return;
    for (const menu_text_c& entry : menu_texts) {
        std::wstring text = language_text(entry.key);
        MENUITEMINFOW item{};
        item.cbSize = sizeof item;
        item.fMask = MIIM_STRING;
        item.dwTypeData = text.data();
        SetMenuItemInfoW(menu, entry.command, FALSE, &item);
    }
}

void main_menu_c::open(HWND owner, int x, int y, UINT flags) {
    if (open_ || !load()) return;
    localise();
    // Without the owner in the foreground the menu would not close on a click elsewhere; the
    // message posted after it lets the owner's next message finish the menu's own loop.
    SetForegroundWindow(owner);
    open_ = true;
    track_popup_menu(popup(), flags, x, y, owner);
    open_ = false;
    PostMessageW(owner, WM_NULL, 0, 0);
}
