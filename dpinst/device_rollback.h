// Putting back the driver a device ran before its last update, as Windows' Device Manager does
// ("Roll Back Driver"): DiRollbackDriver, which Windows keeps the previous driver for. The
// decision from what the call gave is portable, so the cases Wine never produces are tested.
#pragma once

#include "dpinst/install_report.h"

#include <cstdint>
#include <string>

struct rollback_call_c {
    bool available = false;   // newdev.dll has DiRollbackDriver (Windows Vista and later)
    bool device_found = false;
    bool succeeded = false;
    std::uint32_t error = 0;  // GetLastError after a failed call
    bool restart_needed = false;
    std::uint32_t problem = 0;  // the device's problem code afterwards; 0: none
};

// One package installed on the device when the rollback went through and the device runs;
// failed with the reason otherwise (no earlier driver kept, the device gone, its problem code).
package_result_c rollback_result(const std::wstring& instance_id, const rollback_call_c& call);
