#include "app/machine_facts.h"

#include "service/last_error.h"

#include <windows.h>

namespace {

struct basic_facts_c {
    os_version_c version;
    const char* code = "NOT_SUPPORTED";
    bool is_64bit = false;
    unsigned oem_code_page = 0;
    std::wstring program_path;
    std::wstring program_folder;
};

basic_facts_c facts;

bool read_os_version(os_version_c& version) {
    OSVERSIONINFOEXW extended{};
    extended.dwOSVersionInfoSize = sizeof extended;
    if (GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&extended))) {
        version.major = extended.dwMajorVersion;
        version.minor = extended.dwMinorVersion;
        version.platform_id = extended.dwPlatformId;
        version.product_type = extended.wProductType;
    } else {
        OSVERSIONINFOW plain{};
        plain.dwOSVersionInfoSize = sizeof plain;
        if (!GetVersionExW(&plain)) return false;
        version.major = plain.dwMajorVersion;
        version.minor = plain.dwMinorVersion;
        version.platform_id = plain.dwPlatformId;
        version.product_type = 0;
    }
    version.server_r2 = GetSystemMetrics(SM_SERVERR2) != 0;
    return true;
}

bool query_wow64() {
    using is_wow64_process_t = BOOL(WINAPI*)(HANDLE, PBOOL);
    HMODULE kernel = GetModuleHandleW(L"kernel32");
    if (!kernel) return false;
    auto is_wow64_process =
        reinterpret_cast<is_wow64_process_t>(reinterpret_cast<void*>(GetProcAddress(kernel, "IsWow64Process")));
    if (!is_wow64_process) return false;
    BOOL wow64 = FALSE;
    return is_wow64_process(GetCurrentProcess(), &wow64) && wow64;
}

std::wstring module_path() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::wstring current_folder() {
    DWORD length = GetCurrentDirectoryW(0, nullptr);
    if (length == 0) return L"\\";
    std::wstring folder(length, L'\0');
    length = GetCurrentDirectoryW(DWORD(folder.size()), folder.data());
    folder.resize(length);
    if (folder.empty() || folder.back() != L'\\') folder += L'\\';
    return folder;
}

}  // namespace

bool collect_basic_facts() {
    if (!read_os_version(facts.version)) {
        set_last_error(error_os_version);
        return false;
    }
    SYSTEM_POWER_STATUS power{};
    if (!GetSystemPowerStatus(&power)) {
        set_last_error(error_power_status);
        return false;
    }
    facts.oem_code_page = GetOEMCP();
    SYSTEM_INFO system{};
    GetSystemInfo(&system);
    facts.is_64bit = architecture_is_64bit(system.wProcessorArchitecture) || query_wow64();
    facts.code = derive_os_code(facts.version, facts.is_64bit);
    facts.program_path = module_path();
    facts.program_folder = current_folder();
    return true;
}

const os_version_c& os_version() { return facts.version; }
const char* os_code() { return facts.code; }
int os_version_number() { return derive_os_version_number(facts.version); }
bool is_64bit_windows() { return facts.is_64bit; }
unsigned oem_code_page() { return facts.oem_code_page; }
const std::wstring& program_path() { return facts.program_path; }
const std::wstring& program_folder() { return facts.program_folder; }
