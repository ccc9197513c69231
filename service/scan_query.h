// One scan query: the machine description the scan window fills before the query thread starts,
// and the results the thread leaves for it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct scan_query_c {
    const char* os_code = "";          // in: "WINXP", "WIN764", ...
    const wchar_t* model = L"";        // in: the computer model from WMI
    std::int32_t os_version_number = 0;  // in: major * 10 + minor
    std::int32_t lang = 0;             // in: the system's OEM code page
    std::uint32_t build = 0;           // in: the Windows build number; 0 leaves it out of the request
    const char* machine = "";          // in: "x86", "amd64" or "arm64"; empty leaves it out
    std::int32_t http_status = 0;      // out: the status of the last attempt
    char error_text[256] = {};         // out: the failure text, at most 255 bytes
    std::vector<std::string> mirror_failures;  // out: "<mirror>: <why>" for each mirror that did not answer
    std::string answered_by;           // out: the mirror whose answer was read
    std::uint32_t items_refused = 0;   // out: offered items dropped by the signature check
    std::uint32_t items_unsigned = 0;  // out: unsigned items let through by the settings
};
