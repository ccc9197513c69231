#include "app/single_instance_win.h"

#include "system/command_line.h"
#include "system/process_arguments_win.h"
#include "ui/kit/window_messages.h"

namespace {

// Long enough for a busy first instance to come to the front; short enough that a hung one
// does not hold up every later start (the weekly scheduled start among them).
constexpr UINT handover_timeout_ms = 3000;

BOOL CALLBACK match_main_window(HWND window, LPARAM found) {
    // Neither read sends a message, so a hung window cannot stop the search.
    wchar_t class_name[64] = {};
    if (!GetClassNameW(window, class_name, 64) || lstrcmpiW(class_name, main_window_class_name) != 0) return TRUE;
    wchar_t title[261] = {};
    InternalGetWindowText(window, title, 261);
    if (lstrcmpiW(title, product_title) != 0) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

}  // namespace

HWND find_main_window() {
    HWND found = nullptr;
    EnumWindows(match_main_window, reinterpret_cast<LPARAM>(&found));
    return found;
}

int check_running_instance() {
    HANDLE mutex = CreateMutexW(nullptr, TRUE, product_title);
    if (!mutex || GetLastError() != ERROR_ALREADY_EXISTS) {
        // The first instance keeps the mutex until the process ends; it is never closed.
        return 0;
    }
    WPARAM scan = is_single_switch(process_arguments(), autorun_switch) ? 1 : 0;
    if (HWND running = find_main_window()) {
        // This process was just started and may pass the foreground on; the running one may not
        // take it by itself.
        DWORD running_process = 0;
        GetWindowThreadProcessId(running, &running_process);
        AllowSetForegroundWindow(running_process);
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(running, WM_SHOW_INSTANCE, scan, 0, SMTO_ABORTIFHUNG, handover_timeout_ms, &ignored);
    }
    ReleaseMutex(mutex);
    CloseHandle(mutex);
    return -1;
}

bool accept_handover_messages(HWND main_window) {
    // Looked up at run time: importing either would keep the program from loading where user32
    // lacks it.
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    if (!user32) return false;
    // Explorer's "TaskbarCreated" too, which it broadcasts when it starts again, so the tray
    // icon of an elevated instance comes back.
    const UINT messages[] = {WM_SHOW_INSTANCE, RegisterWindowMessageW(L"TaskbarCreated")};
    using window_filter_t = decltype(&ChangeWindowMessageFilterEx);
    using process_filter_t = decltype(&ChangeWindowMessageFilter);
    auto window_filter = reinterpret_cast<window_filter_t>(
        reinterpret_cast<void*>(GetProcAddress(user32, "ChangeWindowMessageFilterEx")));
    auto process_filter = reinterpret_cast<process_filter_t>(
        reinterpret_cast<void*>(GetProcAddress(user32, "ChangeWindowMessageFilter")));
    if (!window_filter && !process_filter) return false;
    bool allowed = true;
    for (UINT message : messages) {
        if (message == 0) continue;
        allowed = (window_filter ? window_filter(main_window, message, MSGFLT_ALLOW, nullptr)
                                 : process_filter(message, MSGFLT_ADD)) != FALSE &&
                  allowed;
    }
    return allowed;
}
