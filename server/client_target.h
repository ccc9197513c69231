// What a scan request's operating-system code tells the server: the Windows version number
// (major x 10 + minor) and the processor architecture the drivers must be built for.
#pragma once

#include <string>
#include <string_view>

struct client_target_c {
    bool known = false;       // the code is one the program sends
    bool supported = false;   // false for "NOT_SUPPORTED": known, but nothing is offered
    int version_number = 0;   // 51 for XP, 61 for 7 ...
    std::string architecture; // "x86" or "amd64"
};

client_target_c client_target_for(std::string_view os_code);
