#include "devices/driver_store_map_win.h"

#include "common/registry_key_win.h"

#include <vector>

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
    return RegSetValueExW(key.get(), nullptr, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(list.data()),
                          DWORD(list.size() * sizeof(wchar_t))) == ERROR_SUCCESS &&
           RegSetValueExW(key.get(), L"Active", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                          DWORD((folder.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

std::optional<std::wstring> recorded_store_folder(const std::wstring& published_inf) {
    registry_key_c key;
    std::wstring path = std::wstring(inf_files_key) + L"\\" + published_inf;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return std::nullopt;
    std::vector<wchar_t> buffer(MAX_PATH + 1, L'\0');
    DWORD type = 0, size = DWORD((buffer.size() - 1) * sizeof(wchar_t));
    if (RegQueryValueExW(key.get(), L"Active", nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return std::nullopt;
    std::wstring folder(buffer.data());
    if (folder.empty()) return std::nullopt;
    return folder;
}

void forget_store_folder(const std::wstring& published_inf) {
    std::wstring path = std::wstring(inf_files_key) + L"\\" + published_inf;
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, path.c_str());
}
