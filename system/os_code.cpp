#include "system/os_code.h"

namespace {

struct os_code_pair_c {
    const char* bits32;
    const char* bits64;
};

os_code_pair_c os_code_pair(const os_version_c& v) {
    const bool workstation = v.product_type == product_workstation;
    if (v.major < 5 || (v.major == 5 && v.minor == 0)) return {"NOT_SUPPORTED", "NOT_SUPPORTED"};
    if (v.major == 5 && v.minor == 1) return {"WINXP", "WINXP64"};
    // Server 2003 and its R2 release share one code.
    if (v.major == 5 && v.minor == 2) return {"WIN2003", "WIN200364"};
    if (v.major == 6 && v.minor == 0) return workstation ? os_code_pair_c{"VISTA", "VISTA64"} : os_code_pair_c{"WIN2008", "WIN200864"};
    if (v.major == 6 && v.minor == 1) return workstation ? os_code_pair_c{"WIN7", "WIN764"} : os_code_pair_c{"WIN2008", "WIN200864"};
    if (v.major == 6 && v.minor == 2) return {"WIN8", "WIN864"};
    // Windows 10 and 11 (and their servers) report 10.0; a later version is offered their drivers.
    if (v.major >= 10) return {"WIN10", "WIN1064"};
    // 8.1 (and Server 2012 R2) report 6.3; no release reports 6.4 to 9.x.
    if (v.major >= 7 || (v.major == 6 && v.minor >= 3)) return {"WIN81", "WIN8164"};
    // 5.3 and later minors of 5.
    return {"WINXP", "WINXP64"};
}

}  // namespace

const char* derive_os_code(const os_version_c& version, bool is_64bit_windows) {
    if (version.platform_id != platform_nt) return "NOT_SUPPORTED";
    os_code_pair_c pair = os_code_pair(version);
    return is_64bit_windows ? pair.bits64 : pair.bits32;
}

int derive_os_version_number(const os_version_c& version) {
    return int(version.major * 10 + version.minor);
}

const char* machine_name(processor_machine_c machine) {
    switch (machine) {
        case processor_machine_c::amd64: return "amd64";
        case processor_machine_c::arm64: return "arm64";
        default: return "x86";
    }
}
