// Whether a package's own set-up program changed a driver: it may exit with 0 and install
// nothing (cancelled, or a package for other hardware). The devices are read again as a rescan
// reads them and compared with what they ran before.
#pragma once

#include "download/update_devices.h"
#include "devices/device_store.h"

#include <functional>
#include <vector>

// True when a device of `before` runs another driver in `now` (another INF, version or date), or
// is gone from it; a device without a driver before that has one now counts too.
bool any_driver_changed(const std::vector<update_device_c>& before, const device_store_c& now);

// The check as the install job calls it: null where the devices cannot be read again.
using driver_change_check_t = std::function<bool(const std::vector<update_device_c>& before)>;

#ifdef _WIN32
// Reads the devices through SetupAPI, as a scan does.
bool system_drivers_changed(const std::vector<update_device_c>& before);
#endif
