// One running instance: the first start holds the named mutex "Vantorel" for its whole life; a
// second start tells the running window to come to the front (and with "--autorun" to scan).
#pragma once

#include <windows.h>

// 0: this is the first instance, go on. -1: another instance runs and has been told (waiting a
// few seconds at most for it); exit.
int check_running_instance();

// The first top-level window of the main window's class whose title is "Vantorel"
// (case-insensitive), or null.
HWND find_main_window();

// Lets a second start reach the running main window when this instance runs elevated: Windows
// drops messages that come from a lower integrity level, the hand-over's among them, and
// Explorer's "TaskbarCreated" (the tray icon is added again on it). Where user32 has no window
// filter (before Windows 7) the process's filter is opened for them instead (Windows Vista);
// before Vista there is nothing to open. False when a filter did not take one.
bool accept_handover_messages(HWND main_window);
