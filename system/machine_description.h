// The machine a scan asks about: what the scan request tells the update server, and what the
// matching of its answer needs.
#pragma once

#include <cstdint>
#include <string>

struct machine_description_c {
    std::string os_code;                 // "WINXP", "WIN764", ...
    std::wstring model;                  // the computer model from WMI; may be empty
    std::int32_t os_version_number = 0;  // major * 10 + minor
    std::int32_t lang = 0;               // the system's OEM code page
    std::uint32_t build = 0;             // the Windows build number; 0 leaves it out of the request
    std::string machine;                 // "x86", "amd64" or "arm64"; empty leaves it out
    bool testing_channel = false;        // the user takes packages still being tried (a setting)
};

// This PC from the facts start-up collected (the model only when the WMI facts were collected),
// and the user's choice of channel from the settings. Windows only.
machine_description_c describe_this_machine();
