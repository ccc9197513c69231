// Whether a device runs: its problem code from the Configuration Manager.
#pragma once

#include <cstdint>
#include <string>

// The device's problem code; 0 when it has none, or when its status cannot be read.
std::uint32_t read_device_problem(const std::wstring& instance_id);
