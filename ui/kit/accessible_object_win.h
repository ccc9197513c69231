// What a screen reader reads of a window that draws texts and buttons no child window holds: the
// window's client object, named by the window's text (the system's own object answers for the
// window itself), with one simple element per drawn text or button. The window answers
// WM_GETOBJECT with answer_accessible_object; every other object id keeps the system's default.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct accessible_element_c {
    std::wstring name;
    long role = 0x29;  // ROLE_SYSTEM_STATICTEXT
    long state = 0;    // STATE_SYSTEM_... flags (selected, focused, unavailable)
    RECT rect{};       // in the window's client coordinates, design units (96 DPI)
    std::wstring shortcut;
    // The default action (a press): this message is posted to action_window (the window itself
    // when null); no action when action_message is 0.
    UINT action_message = 0;
    WPARAM action_wparam = 0;
    HWND action_window = nullptr;
};

// WM_GETOBJECT: the client object (role, elements) for OBJID_CLIENT; 0 for any other object, so
// that the system's default answers. The elements are those of this moment (a reader asks
// again after each event).
LRESULT answer_accessible_object(HWND window, WPARAM wparam, LPARAM lparam, long role,
                                 std::vector<accessible_element_c> elements = {});

// WM_GETOBJECT for a standard control (a BUTTON) the program draws itself: 0, so that the
// system's own object answers, when that object gives the window this role (as Windows' does for
// a button); otherwise (a system whose object knows no roles of control classes) the client
// object with this role.
LRESULT answer_accessible_role(HWND window, WPARAM wparam, LPARAM lparam, long role);
