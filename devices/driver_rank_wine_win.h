// The rank of a device's installed driver worked out from its installed INF as Windows ranks
// drivers (signature, feature and identifier scores), for a SetupAPI that cannot report it:
// under Wine SetupDiGetDriverInstallParamsW ends the whole process. The signature counts as
// trusted when the catalog the INF names was staged with it (Wine does not check signatures).
#pragma once

#include <windows.h>
#include <setupapi.h>

#include <cstdint>

// inf_name: the driver key's InfPath, a file in the system's INF folder. False when the INF or
// a model line for the device cannot be found.
bool read_installed_driver_rank_from_inf(HDEVINFO set, SP_DEVINFO_DATA& device, const wchar_t* inf_name,
                                         std::uint32_t& rank);

// The same for the device with this instance ID.
bool read_installed_driver_rank_from_inf(const wchar_t* instance_id, const wchar_t* inf_name, std::uint32_t& rank);
