// A device's hardware or compatible IDs as SetupAPI lists them.
#pragma once

#include "devices/driver_rank.h"

#include <windows.h>
#include <setupapi.h>

#include <string>
#include <vector>

// The strings of a REG_MULTI_SZ device property (SPDRP_HARDWAREID, SPDRP_COMPATIBLEIDS); empty
// when the device has none or the property cannot be read.
std::vector<std::wstring> read_device_id_list(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property);

// Both lists of the device.
device_ids_c read_device_ids(HDEVINFO set, SP_DEVINFO_DATA& device);
