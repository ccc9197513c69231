#include "updater/console_output_win.h"

#include <windows.h>

#include <string>

namespace {

HANDLE output_handle(DWORD which) {
    HANDLE given = GetStdHandle(which);
    if (given && given != INVALID_HANDLE_VALUE) return given;
    static HANDLE console = [] {
        if (!AttachConsole(ATTACH_PARENT_PROCESS)) return INVALID_HANDLE_VALUE;
        // Kept open until the process ends.
        return CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    }();
    return console;
}

}  // namespace

bool print_for_scripts(std::string_view text, bool to_error) {
    HANDLE handle = output_handle(to_error ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    if (handle == INVALID_HANDLE_VALUE) return false;
    std::string bytes;
    for (char c : text) {
        if (c == '\n') bytes += '\r';
        bytes += c;
    }
    DWORD written = 0;
    return WriteFile(handle, bytes.data(), DWORD(bytes.size()), &written, nullptr) && written == bytes.size();
}
