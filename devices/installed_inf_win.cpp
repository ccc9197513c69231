#include "devices/installed_inf_win.h"

#include <windows.h>

std::wstring installed_inf_path(const wchar_t* inf_name) {
    if (!inf_name || !*inf_name) return std::wstring();
    // The system's own Windows folder, not a Terminal Services user's private one.
    wchar_t folder[MAX_PATH] = {};
    UINT length = GetSystemWindowsDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::wstring();
    std::wstring path(folder, length);
    if (path.back() != L'\\') path += L'\\';
    return path + L"inf\\" + inf_name;
}
