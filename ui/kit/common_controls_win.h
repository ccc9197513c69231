// The common control classes the windows use: progress and status bars, tree views (backup and
// restore pages), list views (device details), combo boxes (settings), tooltips and tabs.
#pragma once

#include <windows.h>
#include <commctrl.h>

constexpr DWORD program_control_classes =
    ICC_BAR_CLASSES | ICC_PROGRESS_CLASS | ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES |
    ICC_USEREX_CLASSES | ICC_TAB_CLASSES | ICC_WIN95_CLASSES;

// Registers them all; false when the system refused.
inline bool initialize_common_controls() {
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), program_control_classes};
    return InitCommonControlsEx(&controls) != FALSE;
}
