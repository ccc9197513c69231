#include "server/client_target.h"

#include <array>

namespace {

struct os_family_c {
    std::string_view code;
    int version_number;
};

// The program's codes without their "64" suffix. "WIN2008" stands for Server 2008 and 2008 R2;
// it is taken as 6.0 so that nothing built only for 6.1 is offered to the older release.
constexpr std::array<os_family_c, 6> families{{
    {"WINXP", 51}, {"WIN2003", 52}, {"VISTA", 60}, {"WIN2008", 60}, {"WIN7", 61}, {"WIN8", 62},
}};

}  // namespace

client_target_c client_target_for(std::string_view os_code) {
    client_target_c target;
    if (os_code == "NOT_SUPPORTED") {
        target.known = true;
        return target;
    }
    bool is_64 = os_code.size() > 2 && os_code.substr(os_code.size() - 2) == "64";
    std::string_view family = is_64 ? os_code.substr(0, os_code.size() - 2) : os_code;
    for (const auto& entry : families) {
        if (entry.code != family) continue;
        target.known = target.supported = true;
        target.version_number = entry.version_number;
        target.architecture = is_64 ? "amd64" : "x86";
    }
    return target;
}
