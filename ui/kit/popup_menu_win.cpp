#include "ui/kit/popup_menu_win.h"

#include "ui/kit/reading_direction_win.h"

namespace {

int menus_open = 0;  // the UI thread's only

}  // namespace

void track_popup_menu(HMENU menu, UINT flags, int x, int y, HWND owner) {
    ++menus_open;
    // A mirrored window's menu reads right to left and opens leftwards from x.
    if (is_mirrored(owner)) flags |= TPM_LAYOUTRTL;
    TrackPopupMenu(menu, flags, x, y, 0, owner, nullptr);
    --menus_open;
}

bool popup_menu_open() { return menus_open > 0; }
