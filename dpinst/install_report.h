// What happened to each package, in the words of the log and the result window.
#pragma once

#include "dpinst/install_tally.h"

#include <string>
#include <vector>

struct package_result_c {
    std::wstring inf_path;        // the package's INF as found
    std::wstring published_name;  // the INF's name in the system's INF folder; empty when not staged
    package_outcome_c outcome = package_outcome_c::failed;
    std::wstring reason;          // why it failed, or why it went on no device
    std::vector<std::wstring> installed_on;  // device instance IDs
    std::vector<std::wstring> failed_on;
    bool restart_needed = false;
};

// "Installed C:\pkg\a.inf as oem3.inf on 2 devices: ID, ID" and the like, one line.
std::wstring package_log_line(const package_result_c& result);
// "1 installed, 0 staged only, 0 failed (exit code 0x00000001)"
std::wstring summary_line(const install_tally_c& tally);
