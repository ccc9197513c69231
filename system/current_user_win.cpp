#include "system/current_user_win.h"

#include "common/kernel_handle_win.h"

#include <windows.h>
#define SECURITY_WIN32
#include <security.h>
#include <sddl.h>

#include <vector>

std::wstring current_user_account() {
    ULONG length = 256;
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::vector<wchar_t> name(length + 1);
        ULONG size = length;
        if (GetUserNameExW(NameSamCompatible, name.data(), &size)) return std::wstring(name.data());
        if (GetLastError() != ERROR_MORE_DATA || size <= length) break;
        length = size;
    }
    return std::wstring();
}

std::wstring current_user_sid() {
    kernel_handle_c token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return std::wstring();
    DWORD size = 0;
    GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    if (size < sizeof(TOKEN_USER)) return std::wstring();
    std::vector<unsigned char> block(size);
    if (!GetTokenInformation(token.get(), TokenUser, block.data(), size, &size)) return std::wstring();
    wchar_t* text = nullptr;
    if (!ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(block.data())->User.Sid, &text)) return std::wstring();
    std::wstring sid(text);
    LocalFree(text);
    return sid;
}
