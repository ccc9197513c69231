#include "download/administrator_win.h"

#include <windows.h>

bool user_is_administrator() {
    HMODULE shell = GetModuleHandleW(L"shell32.dll");
    if (!shell) shell = LoadLibraryW(L"shell32.dll");
    if (!shell) return false;
    using is_user_an_admin_f = BOOL(WINAPI*)();
    auto is_user_an_admin =
        reinterpret_cast<is_user_an_admin_f>(reinterpret_cast<void*>(GetProcAddress(shell, MAKEINTRESOURCEA(680))));
    return is_user_an_admin && is_user_an_admin();
}
