// The program's own window messages, all WM_USER based (WM_USER is 0x0400).
#pragma once

#include "common/product_name.h"

constexpr unsigned WM_START_SCAN = 0x0400 + 1;        // start a scan
constexpr unsigned WM_SCAN_DONE = 0x0400 + 2;         // the scan succeeded: its result is the scan page's
constexpr unsigned WM_SCAN_ABORTED = 0x0400 + 4;      // the scan failed or was cancelled
constexpr unsigned WM_SHOW_INSTANCE = 0x0400 + 5;     // come to the front; wParam 1: and scan
constexpr unsigned WM_CHECK_ALL = 0x0400 + 7;
constexpr unsigned WM_DOWNLOAD_CHECKED = 0x0400 + 8;
constexpr unsigned WM_HIDDEN_OFFERS_CHANGED = 0x0400 + 9;  // the user hid or showed offers: choose again


// The main window's class: with the title, it tells a second start which window is the running
// program's (other programs' windows may carry the same title, such as an Explorer window of a
// folder named "Vantorel").
constexpr const wchar_t* main_window_class_name = L"VantorelMainWindow";
