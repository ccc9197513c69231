#include "dpinst/install_log_win.h"

#include "common/kernel_handle_win.h"
#include "common/text_convert.h"

#include <windows.h>

#include <cwchar>

install_log_c::install_log_c(bool to_console, std::wstring title) : to_console_(to_console), title_(std::move(title)) {
    if (title_.empty()) title_ = L"DPInst";
}

std::wstring install_log_c::path() {
    wchar_t windows[MAX_PATH] = {};
    UINT length = GetWindowsDirectoryW(windows, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return L"DPINST.LOG";
    return std::wstring(windows) + L"\\DPINST.LOG";
}

void install_log_c::write(const std::wstring& line) {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    wchar_t stamp[32];
    std::swprintf(stamp, 32, L"%04u-%02u-%02u %02u:%02u:%02u ", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
                  now.wSecond);
    std::string text = wide_to_utf8(std::wstring(stamp) + title_ + L": " + line) + "\r\n";
    kernel_handle_c file = file_handle(CreateFileW(path().c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                   nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) {
        DWORD written = 0;
        WriteFile(file.get(), text.data(), DWORD(text.size()), &written, nullptr);
    }
    if (to_console_) write_console(text);
}

void install_log_c::write_console_only(const std::wstring& text) { write_console(wide_to_utf8(text)); }

void install_log_c::write_console(const std::string& text) {
    // A program for the Windows subsystem has no console of its own: use the one it was
    // started from, or the output it was given.
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    if (!console_ready_ && (!output || output == INVALID_HANDLE_VALUE)) {
        if (AttachConsole(ATTACH_PARENT_PROCESS)) output = GetStdHandle(STD_OUTPUT_HANDLE);
    }
    console_ready_ = true;
    if (!output || output == INVALID_HANDLE_VALUE) return;
    DWORD mode = 0, written = 0;
    if (GetConsoleMode(output, &mode)) {
        std::wstring wide = utf8_to_wide(text);
        WriteConsoleW(output, wide.data(), DWORD(wide.size()), &written, nullptr);
    } else {
        WriteFile(output, text.data(), DWORD(text.size()), &written, nullptr);
    }
}
