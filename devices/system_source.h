// The device source of the machine the program runs on (SetupAPI); Windows only.
#pragma once

#include "devices/device_source.h"

#include <memory>

std::unique_ptr<device_source_c> make_system_device_source();
