// A device's hardware or compatible IDs as SetupAPI lists them.
#pragma once

#include <windows.h>
#include <setupapi.h>

#include <string>
#include <vector>

// The strings of a REG_MULTI_SZ device property (SPDRP_HARDWAREID, SPDRP_COMPATIBLEIDS); empty
// when the device has none or the property cannot be read.
std::vector<std::wstring> read_device_id_list(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property);
