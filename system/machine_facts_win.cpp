#include "system/machine_facts.h"


#include <windows.h>

#include <optional>

namespace {

struct basic_facts_c {
    os_version_c version;
    const char* code = "NOT_SUPPORTED";
    bool is_64bit = false;
    processor_machine_c machine = processor_machine_c::x86;
    unsigned oem_code_page = 0;
    std::wstring program_path;
    std::wstring program_folder;
};

basic_facts_c basic_facts;

// The version as the kernel knows it. GetVersionExW reports what the program's manifest lets it
// see (6.2 to a program that does not declare Windows 8.1 or 10), and no build on older systems.
bool read_true_version(os_version_c& version) {
    using rtl_get_version_t = LONG(WINAPI*)(OSVERSIONINFOEXW*);
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    auto rtl_get_version = ntdll ? reinterpret_cast<rtl_get_version_t>(
                                       reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
                                 : nullptr;
    OSVERSIONINFOEXW extended{};
    extended.dwOSVersionInfoSize = sizeof extended;
    if (!rtl_get_version || rtl_get_version(&extended) != 0) return false;
    version.major = extended.dwMajorVersion;
    version.minor = extended.dwMinorVersion;
    version.build = extended.dwBuildNumber;
    version.platform_id = extended.dwPlatformId;
    version.product_type = extended.wProductType;
    return true;
}

bool read_os_version(os_version_c& version) {
    if (read_true_version(version)) {
        version.server_r2 = GetSystemMetrics(SM_SERVERR2) != 0;
        return true;
    }
    OSVERSIONINFOEXW extended{};
    extended.dwOSVersionInfoSize = sizeof extended;
    if (GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&extended))) {
        version.major = extended.dwMajorVersion;
        version.minor = extended.dwMinorVersion;
        version.platform_id = extended.dwPlatformId;
        version.product_type = extended.wProductType;
        version.build = extended.dwBuildNumber;
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

// The machine's own processor, also when this 32-bit program runs emulated: IsWow64Process2
// (Windows 10 1709 and later) tells an ARM64 machine, which IsWow64Process cannot.
std::optional<processor_machine_c> native_machine() {
    using is_wow64_process2_t = BOOL(WINAPI*)(HANDLE, USHORT*, USHORT*);
    HMODULE kernel = GetModuleHandleW(L"kernel32");
    auto is_wow64_process2 = kernel ? reinterpret_cast<is_wow64_process2_t>(
                                          reinterpret_cast<void*>(GetProcAddress(kernel, "IsWow64Process2")))
                                    : nullptr;
    USHORT process = 0, native = 0;
    if (!is_wow64_process2 || !is_wow64_process2(GetCurrentProcess(), &process, &native)) return std::nullopt;
    switch (native) {
        case 0xAA64: return processor_machine_c::arm64;    // IMAGE_FILE_MACHINE_ARM64
        case 0x8664: return processor_machine_c::amd64;    // IMAGE_FILE_MACHINE_AMD64
        case 0x014C: return processor_machine_c::x86;      // IMAGE_FILE_MACHINE_I386
        default: return std::nullopt;
    }
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

bool collect_basic_facts(basic_facts_problem_c* problem) {
    basic_facts_problem_c ignored;
    basic_facts_problem_c& found = problem ? *problem : ignored;
    found = basic_facts_problem_c::none;
    if (!read_os_version(basic_facts.version)) {
        found = basic_facts_problem_c::os_version;
        return false;
    }
    SYSTEM_POWER_STATUS power{};
    if (!GetSystemPowerStatus(&power)) {
        found = basic_facts_problem_c::power_status;
        return false;
    }
    basic_facts.oem_code_page = GetOEMCP();
    SYSTEM_INFO system{};
    GetSystemInfo(&system);
    basic_facts.is_64bit = architecture_is_64bit(system.wProcessorArchitecture) || query_wow64();
    basic_facts.machine = native_machine().value_or(basic_facts.is_64bit ? processor_machine_c::amd64 : processor_machine_c::x86);
    if (basic_facts.machine != processor_machine_c::x86) basic_facts.is_64bit = true;
    basic_facts.code = derive_os_code(basic_facts.version, basic_facts.is_64bit);
    basic_facts.program_path = module_path();
    basic_facts.program_folder = current_folder();
    return true;
}

const os_version_c& os_version() { return basic_facts.version; }
const char* os_code() { return basic_facts.code; }
int os_version_number() { return derive_os_version_number(basic_facts.version); }
bool is_64bit_windows() { return basic_facts.is_64bit; }
processor_machine_c system_machine() { return basic_facts.machine; }
unsigned oem_code_page() { return basic_facts.oem_code_page; }
const std::wstring& program_path() { return basic_facts.program_path; }
const std::wstring& program_folder() { return basic_facts.program_folder; }
