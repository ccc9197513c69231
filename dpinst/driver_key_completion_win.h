// After an install Wine writes only InfPath, InfSection and InfSectionExt into the device's driver
// key: DriverVersion, DriverDate, ProviderName, DriverDesc and MatchingDeviceId stay missing, or
// keep the previous driver's, so a rescan would see no driver or the old one. Under Wine only,
// after an install verified by InfPath, the installer writes them from the package and the model
// line that matched, as Windows would have.
#pragma once

#include "devices/inf_models.h"
#include "dpinst/driver_package_win.h"

#include <string>

// Writes the values that do not already say what the package says; false when the key cannot be
// opened for writing or a value cannot be written.
bool complete_driver_key(const std::wstring& instance_id, const package_facts_c& facts, const inf_model_line_c& line,
                         const std::wstring& matched_id);
