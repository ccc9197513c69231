// The Windows version reduced to the OS code the update server understands ("WIN7", "WIN764",
// "NOT_SUPPORTED", ...). Pure functions of what the system reports, so every row is testable.
#pragma once

#include <cstdint>

struct os_version_c {
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t platform_id = 0;   // 2 = the NT platform
    std::uint32_t product_type = 0;  // 1 = workstation; 0 when only the plain version record was read
    bool server_r2 = false;          // the SM_SERVERR2 system metric is not 0
    std::uint32_t build = 0;         // the build number (18362, 22631...); 0 when unknown
};

// The processor a machine's drivers are built for, as the update server names it.
enum class processor_machine_c { x86, amd64, arm64 };
const char* machine_name(processor_machine_c machine);

constexpr std::uint32_t platform_nt = 2;
constexpr std::uint32_t product_workstation = 1;

const char* derive_os_code(const os_version_c& version, bool is_64bit_windows);
int derive_os_version_number(const os_version_c& version);

// True when the native processor architecture is not x86 (its low four bits are not 0).
constexpr bool architecture_is_64bit(std::uint32_t processor_architecture) {
    return (processor_architecture & 0xF) != 0;
}
