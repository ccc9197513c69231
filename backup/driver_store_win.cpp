#include "backup/driver_store_win.h"

#include "backup/store_digests.h"
#include "common/path_join.h"
#include "common/text_compare.h"

#include <windows.h>

namespace {

using store_location_f = BOOL(WINAPI*)(PCWSTR inf_name, const void* platform, PCWSTR locale, PWSTR buffer,
                                      DWORD size, PDWORD required);

driver_store_location_c location;
std::wstring installed_infs;

std::wstring expanded(const wchar_t* text) {
    wchar_t buffer[MAX_PATH * 2];
    const DWORD length = ExpandEnvironmentStringsW(text, buffer, DWORD(sizeof buffer / sizeof buffer[0]));
    return length > 0 && length <= sizeof buffer / sizeof buffer[0] ? std::wstring(buffer) : std::wstring();
}

// A 32-bit process on 64-bit Windows sees System32 as SysWOW64: the store is read through
// Sysnative there.
bool under_wow64() {
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

bool begins_with(const std::wstring& text, const std::wstring& prefix) {
    return text.size() >= prefix.size() && equal_ignoring_case(text.substr(0, prefix.size()), prefix);
}

}  // namespace

int prepare_driver_store(int os_version_number) {
    installed_infs = expanded(L"%SystemRoot%\\inf");
    location = {};
    if (os_version_number < 60) {
        location.root = expanded(L"%SystemRoot%\\system32\\DRVSTORE");
        auto digests = std::make_shared<store_digests_c>(build_store_digests(location.root));
        location.locate = [digests](const std::wstring& inf) { return locate_inf_in_store(installed_infs, inf, *digests); };
        return 0;
    }
    HMODULE setupapi = LoadLibraryW(L"Setupapi.dll");
    auto locate = setupapi ? reinterpret_cast<store_location_f>(reinterpret_cast<void*>(
                                 GetProcAddress(setupapi, "SetupGetInfDriverStoreLocationW")))
                           : nullptr;
    if (!locate) return -1;
    const std::wstring system_root = expanded(L"%SystemRoot%\\System32\\DriverStore\\FileRepository");
    location.root = under_wow64() ? expanded(L"%SystemRoot%\\Sysnative\\DriverStore\\FileRepository") : system_root;
    // Where the system lacks the call (Wine answers ERROR_CALL_NOT_IMPLEMENTED), the copies are
    // found by their content, as before Vista; the digests are read the first time they are needed.
    auto digests = std::make_shared<std::unique_ptr<store_digests_c>>();
    const std::wstring root = location.root;
    location.locate = [locate, system_root, root, digests](const std::wstring& inf) -> std::optional<std::wstring> {
        wchar_t buffer[MAX_PATH] = {};
        if (locate(inf.c_str(), nullptr, nullptr, buffer, MAX_PATH, nullptr)) {
            std::wstring path = buffer;
            if (root != system_root && begins_with(path, system_root)) path = root + path.substr(system_root.size());
            return path;
        }
        if (GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) return std::nullopt;
        if (!*digests) *digests = std::make_unique<store_digests_c>(build_store_digests(root));
        return locate_inf_in_store(installed_infs, inf, **digests);
    };
    return 0;
}

const driver_store_location_c& driver_store_location() { return location; }

const std::wstring& inf_folder() { return installed_infs; }
