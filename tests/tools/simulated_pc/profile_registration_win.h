// Registers the setup classes and devices of a device profile into the running Windows (a Wine
// prefix in tests and the demo) through SetupAPI, with their driver keys, so that the program's
// real enumeration reads them back.
#pragma once

#include "devices/device_profile.h"

// Returns the number of classes and devices that could not be registered (each is reported on
// standard error).
int register_device_profile(const device_profile_c& profile);
