#include "server/http/client_target.h"

#include <array>

namespace {

struct os_family_c {
    std::string_view code;
    int os_major, os_minor;
    std::uint32_t product_type;
};

constexpr std::uint32_t workstation = 1, server = 3;

// The program's codes without their "64" suffix. "WIN2008" stands for Server 2008 and 2008 R2;
// it is taken as 6.0 so that nothing built only for 6.1 is offered to the older release.
// "WIN10" is Windows 10 and 11, both 10.0.
constexpr std::array<os_family_c, 8> families{{
    {"WINXP", 5, 1, workstation},
    {"WIN2003", 5, 2, server},
    {"VISTA", 6, 0, workstation},
    {"WIN2008", 6, 0, server},
    {"WIN7", 6, 1, workstation},
    {"WIN8", 6, 2, workstation},
    {"WIN81", 6, 3, workstation},
    {"WIN10", 10, 0, workstation},
}};

constexpr std::array<std::string_view, 3> machines{"x86", "amd64", "arm64"};

// Decimal digits, at most nine; 0 (not known) for anything else.
std::uint32_t build_number(std::string_view text) {
    if (text.empty() || text.size() > 9) return 0;
    std::uint32_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return 0;
        value = value * 10 + std::uint32_t(c - '0');
    }
    return value;
}

}  // namespace

client_target_c client_target_for(std::string_view os_code, std::string_view build, std::string_view machine) {
    client_target_c target;
    bool machine_known = machine.empty();
    for (std::string_view name : machines) machine_known = machine_known || machine == name;
    if (!machine_known) return target;
    if (os_code == "NOT_SUPPORTED") {
        target.known = true;
        return target;
    }
    bool is_64 = os_code.size() > 2 && os_code.substr(os_code.size() - 2) == "64";
    std::string_view family = is_64 ? os_code.substr(0, os_code.size() - 2) : os_code;
    for (const auto& entry : families) {
        if (entry.code != family) continue;
        target.known = target.supported = true;
        target.os_major = entry.os_major;
        target.os_minor = entry.os_minor;
        target.version_number = entry.os_major * 10 + entry.os_minor;
        target.product_type = entry.product_type;
        target.build = build_number(build);
        target.architecture = machine.empty() ? (is_64 ? "amd64" : "x86") : std::string(machine);
    }
    return target;
}
