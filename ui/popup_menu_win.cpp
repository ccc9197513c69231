#include "ui/popup_menu_win.h"

namespace {

int menus_open = 0;  // the UI thread's only

}  // namespace

void track_popup_menu(HMENU menu, UINT flags, int x, int y, HWND owner) {
    ++menus_open;
    TrackPopupMenu(menu, flags, x, y, 0, owner, nullptr);
    --menus_open;
}

bool popup_menu_open() { return menus_open > 0; }
