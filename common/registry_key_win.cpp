#include "common/registry_key_win.h"

namespace {

using create_transacted_t = LONG(WINAPI*)(HKEY, LPCWSTR, DWORD, LPWSTR, DWORD, REGSAM, const LPSECURITY_ATTRIBUTES,
                                          PHKEY, LPDWORD, HANDLE, PVOID);

create_transacted_t transacted_creation() {
    HMODULE advapi = GetModuleHandleW(L"Advapi32.dll");
    if (!advapi) advapi = LoadLibraryW(L"Advapi32.dll");
    if (!advapi) return nullptr;
    return reinterpret_cast<create_transacted_t>(
        reinterpret_cast<void*>(GetProcAddress(advapi, "RegCreateKeyTransactedW")));
}

}  // namespace

LONG registry_key_c::create(HKEY parent, const wchar_t* path, REGSAM access, bool* existed, HANDLE transaction) {
    DWORD disposition = 0;
    HKEY key = nullptr;
    LONG status;
    if (transaction) {
        create_transacted_t create_transacted = transacted_creation();
        if (!create_transacted) return ERROR_CALL_NOT_IMPLEMENTED;
        status = create_transacted(parent, path, 0, nullptr, 0, access, nullptr, &key, &disposition, transaction,
                                   nullptr);
    } else {
        status = RegCreateKeyExW(parent, path, 0, nullptr, 0, access, nullptr, &key, &disposition);
    }
    if (status != ERROR_SUCCESS) return status;
    reset(key);
    if (existed) *existed = disposition == REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
}

std::wstring registry_text_value(HKEY key, const wchar_t* name) {
    wchar_t value[1024] = {};
    DWORD type = 0, size = sizeof value - sizeof(wchar_t);
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return std::wstring();
    return value;
}
