#include "devices/driver_store_map_win.h"

#include "common/registry_key_win.h"


namespace {

const wchar_t inf_files_key[] = L"SYSTEM\\DriverDatabase\\DriverInfFiles";

bool wow64_process() {
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

}  // namespace

std::wstring driver_store_root() {
    wchar_t windows[MAX_PATH] = {};
    UINT length = GetWindowsDirectoryW(windows, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::wstring();
    return std::wstring(windows) + (wow64_process() ? L"\\Sysnative" : L"\\System32") + L"\\DriverStore\\FileRepository";
}

bool record_store_folder(const std::wstring& published_inf, const std::wstring& folder) {
    registry_key_c key;
    std::wstring path = std::wstring(inf_files_key) + L"\\" + published_inf;
    if (key.create(HKEY_LOCAL_MACHINE, path.c_str(), KEY_WRITE) != ERROR_SUCCESS) return false;
    std::wstring list = folder + L'\0' + L'\0';
    return key.write_value(nullptr, REG_MULTI_SZ, list.data(), DWORD(list.size() * sizeof(wchar_t))) == ERROR_SUCCESS &&
           key.write_text(L"Active", folder) == ERROR_SUCCESS;
}

std::optional<std::wstring> recorded_store_folder(const std::wstring& published_inf) {
    registry_key_c key;
    std::wstring path = std::wstring(inf_files_key) + L"\\" + published_inf;
    if (key.open(HKEY_LOCAL_MACHINE, path.c_str()) != ERROR_SUCCESS) return std::nullopt;
    std::optional<std::wstring> folder = key.read_text(L"Active");
    if (!folder || folder->empty()) return std::nullopt;
    return folder;
}

void forget_store_folder(const std::wstring& published_inf) {
    std::wstring path = std::wstring(inf_files_key) + L"\\" + published_inf;
    registry_key_c::delete_key(HKEY_LOCAL_MACHINE, path.c_str());
}
