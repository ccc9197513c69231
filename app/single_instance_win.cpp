#include "app/single_instance_win.h"

#include "app/command_line.h"
#include "app/process_arguments_win.h"
#include "ui/window_messages.h"

namespace {

BOOL CALLBACK match_title(HWND window, LPARAM found) {
    wchar_t title[261] = {};
    GetWindowTextW(window, title, 260);
    if (lstrcmpiW(title, product_title) != 0) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

}  // namespace

HWND find_main_window() {
    HWND found = nullptr;
    EnumWindows(match_title, reinterpret_cast<LPARAM>(&found));
    return found;
}

int check_running_instance() {
    HANDLE mutex = CreateMutexW(nullptr, TRUE, product_title);
    if (!mutex || GetLastError() != ERROR_ALREADY_EXISTS) {
        // The first instance keeps the mutex until the process ends; it is never closed.
        return 0;
    }
    WPARAM scan = is_single_switch(process_arguments(), autorun_switch) ? 1 : 0;
    if (HWND running = find_main_window()) SendMessageW(running, WM_SHOW_INSTANCE, scan, 0);
    ReleaseMutex(mutex);
    CloseHandle(mutex);
    return -1;
}
