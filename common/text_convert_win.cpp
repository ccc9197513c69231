#include "common/text_convert.h"

#include <windows.h>

namespace {

std::wstring to_wide(UINT code_page, std::string_view text) {
    if (text.empty()) return {};
    int count = MultiByteToWideChar(code_page, 0, text.data(), int(text.size()), nullptr, 0);
    if (count <= 0) return {};
    std::wstring wide(std::size_t(count), L'\0');
    MultiByteToWideChar(code_page, 0, text.data(), int(text.size()), wide.data(), count);
    return wide;
}

std::string from_wide(UINT code_page, std::wstring_view text) {
    if (text.empty()) return {};
    int count = WideCharToMultiByte(code_page, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    if (count <= 0) return {};
    std::string narrow(std::size_t(count), '\0');
    WideCharToMultiByte(code_page, 0, text.data(), int(text.size()), narrow.data(), count, nullptr, nullptr);
    return narrow;
}

}  // namespace

std::wstring utf8_to_wide(std::string_view text) { return to_wide(CP_UTF8, text); }
std::string wide_to_utf8(std::wstring_view text) { return from_wide(CP_UTF8, text); }
std::wstring ansi_to_wide(std::string_view text) { return to_wide(CP_THREAD_ACP, text); }
std::string wide_to_ansi(std::wstring_view text) { return from_wide(CP_THREAD_ACP, text); }
std::wstring oem_to_wide(std::string_view text) { return to_wide(CP_OEMCP, text); }

unsigned ansi_code_page() {
    CPINFOEXW info{};
    if (GetCPInfoExW(CP_THREAD_ACP, 0, &info)) return info.CodePage;
    return GetACP();
}
