// Popup menus tracked through one place, so that the program knows when one is open: the menu's
// loop runs the program's messages, and what they start must not free the menu's owner under it.
#pragma once

#include <windows.h>

void track_popup_menu(HMENU menu, UINT flags, int x, int y, HWND owner);
// True while a popup menu of this (the UI) thread is open.
bool popup_menu_open();
