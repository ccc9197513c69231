// Windows keeps every staged package in its driver store and tells where
// (SetupGetInfDriverStoreLocationW), which is where driver backup finds packages. Wine has no
// driver store: the call fails (error 120) and there is no FileRepository folder. There, and only
// there, the installer keeps the store itself: after staging it copies the package into
// System32\DriverStore\FileRepository\<inf name>_<architecture>_<hash> and records which folder
// belongs to the published INF (devices/driver_store_map_win.h).
#pragma once

#include "devices/inf_models.h"
#include "dpinst/driver_package_win.h"

#include <string>

// The real call: true when the system reports a store folder for the published INF.
bool system_keeps_driver_store(const std::wstring& published_name);

// Copies the package into the store, with the INF as it was published (inf_bytes when a rewritten
// copy was staged), and records its folder.
bool keep_in_driver_store(const package_facts_c& facts, const std::wstring& published_name,
                          const std::string* inf_bytes, const inf_platform_c& platform, std::wstring& folder,
                          std::wstring& reason);

// Removes the package's folder and record, and the precompiled INF that Wine leaves behind when
// it removes a published INF.
void drop_from_driver_store(const std::wstring& published_name);
