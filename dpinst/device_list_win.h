// The devices the installer may install onto: every device present now (Windows' own notion; Wine
// lists every registered device) with its hardware and compatible IDs and its installed driver.
#pragma once

#include "dpinst/install_plan.h"

#include <string>
#include <vector>

std::vector<installer_device_c> read_present_devices();

// Reads the device's driver key again: InfPath, and DriverDate with DriverVersion.
void read_installed_driver(installer_device_c& device);

// The driver key's InfPath of the device with this instance ID; empty when it has none.
std::wstring installed_inf_name(const std::wstring& instance_id);
