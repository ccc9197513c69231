// What a scan request's client element tells the server: the Windows version number
// (major x 10 + minor), the product type, the build, and the processor architecture the drivers
// must be built for.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct client_target_c {
    bool known = false;        // the code and machine are ones the program sends
    bool supported = false;    // false for "NOT_SUPPORTED": known, but nothing is offered
    int version_number = 0;    // 51 for XP, 61 for 7, 63 for 8.1, 100 for 10 and 11 ...
    int os_major = 0, os_minor = 0;
    std::uint32_t product_type = 1;  // VER_NT_WORKSTATION; VER_NT_SERVER (3) for the server codes
    std::uint32_t build = 0;         // 0 when the client does not tell it
    std::string architecture;        // "x86", "amd64" or "arm64"
};

// `os_code` as the "os" attribute writes it: a family ("WIN7") with "64" appended on x64.
// `build`: decimal digits, else not known. `machine`: "x86", "amd64" or "arm64", naming the
// architecture whatever the code's suffix says; empty: the suffix decides. Any other machine
// leaves the client unknown.
client_target_c client_target_for(std::string_view os_code, std::string_view build = {}, std::string_view machine = {});
