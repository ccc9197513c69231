#include "dpinst/driver_store_copy_win.h"

#include "common/file_open.h"
#include "common/md5.h"
#include "devices/driver_store_map_win.h"
#include "dpinst/package_copy_win.h"
#include "dpinst/package_stage_win.h"
#include "dpinst/store_folder.h"

#include <windows.h>

#include <filesystem>
#include <system_error>

namespace {

using store_location_c = BOOL(WINAPI*)(PCWSTR, const void*, PCWSTR, PWSTR, DWORD, PDWORD);

}  // namespace

bool system_keeps_driver_store(const std::wstring& published_name) {
    HMODULE setupapi = GetModuleHandleW(L"setupapi.dll");
    if (!setupapi) return false;
    auto locate = reinterpret_cast<store_location_c>(
        reinterpret_cast<void*>(GetProcAddress(setupapi, "SetupGetInfDriverStoreLocationW")));
    if (!locate) return false;
    wchar_t location[MAX_PATH] = {};
    return locate(published_name.c_str(), nullptr, nullptr, location, MAX_PATH, nullptr) != FALSE;
}

bool keep_in_driver_store(const package_facts_c& facts, const std::wstring& published_name,
                          const std::string* inf_bytes, const inf_platform_c& platform, std::wstring& folder,
                          std::wstring& reason) {
    std::string digest;
    if (inf_bytes) {
        digest = md5_of_text(*inf_bytes);
    } else if (md5_of_file(std::filesystem::path(facts.inf_path), digest) != 0) {
        reason = L"cannot read " + facts.inf_path;
        return false;
    }
    folder = store_folder_name(facts.inf_file_name, platform.architecture, digest);
    std::wstring root = driver_store_root();
    if (root.empty() || !copy_package(facts, root + L"\\" + folder, inf_bytes, reason)) return false;
    if (!record_store_folder(published_name, folder)) {
        reason = L"cannot record the driver store folder of " + published_name;
        return false;
    }
    return true;
}

void drop_from_driver_store(const std::wstring& published_name) {
    auto folder = recorded_store_folder(published_name);
    // Only a folder directly under the store root is ever removed.
    if (folder && folder->find_first_of(L"\\/") == std::wstring::npos && *folder != L"." && *folder != L"..") {
        std::error_code ignored;
        std::filesystem::remove_all(std::filesystem::path(driver_store_root() + L"\\" + *folder), ignored);
    }
    forget_store_folder(published_name);
    std::wstring inf = system_inf_folder() + L"\\" + published_name;
    if (!file_exists(inf) && inf.size() > 4) remove_file(inf.substr(0, inf.size() - 4) + L".pnf");
}
