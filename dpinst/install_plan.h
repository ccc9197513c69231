// Which devices a driver package is for, and on which of them to install it: a device matches
// when one of its IDs is on one of the package's model lines for this platform (the best line
// by Windows' identifier score); it gets the package when the package is newer than its
// installed driver (date, then version), when it has no driver whose date and version are known,
// or always with force.
#pragma once

#include "devices/driver_rank.h"
#include "devices/inf_models.h"
#include "dpinst/driver_version.h"

#include <optional>
#include <string>
#include <vector>

struct installer_device_c {
    std::wstring instance_id;
    device_ids_c ids;
    std::wstring inf_name;                       // the driver key's InfPath; empty without a driver
    std::optional<driver_version_c> installed;   // from DriverDate and DriverVersion, when both read
};

struct device_target_c {
    std::size_t device = 0;   // index into the devices
    std::size_t line = 0;     // index into the model lines
    std::wstring matched_id;  // the model's ID that matched (the driver key's MatchingDeviceId)
    std::uint32_t identifier = 0;
    bool newer = false;       // the package is newer than the installed driver
    bool install = false;
};

std::vector<device_target_c> plan_device_installs(const driver_version_c& package_version,
                                                  const std::vector<inf_model_line_c>& lines,
                                                  const std::vector<installer_device_c>& devices, bool force);

// The ID a device's installation is given: the device's own first (most specific) hardware ID,
// never the ID that matched. The installation updates every device that has the ID it is given,
// and a compatible ID (PCI\CC_0300) or a short hardware ID is shared by devices the plan did not
// choose. Empty for a device without hardware IDs, which cannot be named alone.
std::wstring installation_id(const installer_device_c& device);

// The IDs of the targets to install, one installation per distinct ID, in plan order.
std::vector<std::wstring> installation_ids(const std::vector<device_target_c>& plan,
                                           const std::vector<installer_device_c>& devices);
