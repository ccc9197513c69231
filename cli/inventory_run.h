// Runs the device enumeration for a command: over a device profile when one is given, otherwise
// over the running Windows (SetupAPI).
#pragma once

#include "devices/device_store.h"

#include <string>

struct inventory_run_c {
    device_store_c store;
    enumeration_progress_c progress;
    failure_code_c failure = failure_code_c::none;

    bool succeeded() const { return failure == failure_code_c::none; }
};

// False (with a message on standard error) when no device source can be opened.
bool run_inventory(const std::string& profile_path, bool include_absent, inventory_run_c& run);
