// Staging a checked package into the system's INF folder with SetupCopyOEMInfW, and removing a
// published one. The published name is whatever the system chose: oemN.inf on Windows, the INF's
// own name under Wine when it is free.
#pragma once

#include "tools/dpinst/driver_package_win.h"

#include <string>

class staged_package_c {
public:
    staged_package_c() = default;
    ~staged_package_c();
    staged_package_c(const staged_package_c&) = delete;
    staged_package_c& operator=(const staged_package_c&) = delete;

    std::wstring published_name;
    // The INF the device installation is given: the package's own, or in legacy mode the copy
    // that names no catalog (it must stay until the devices are installed).
    std::wstring install_inf;
    std::wstring legacy_folder;  // removed with this object
};

// Legacy mode stages a package whose named catalog is missing from a copy without the catalog.
bool stage_package(const package_facts_c& facts, bool legacy_mode, staged_package_c& staged, std::wstring& reason);

// The published INF that the argument of /U names: a name in the system's INF folder, or the path
// of a package INF whose published copy has the same content. Empty when there is none.
std::wstring find_published_inf(const std::wstring& argument);

// SetupUninstallOEMInfW with SUOI_FORCEDELETE (the package goes even while devices use it),
// verified by the published INF being gone.
bool remove_published_inf(const std::wstring& published_name, std::wstring& reason);

std::wstring system_inf_folder();
