// Staging a checked package into the system's INF folder with SetupCopyOEMInfW, and removing a
// published one. The published name is whatever the system chose: oemN.inf on Windows, the INF's
// own name under Wine when it is free.
#pragma once

#include "devices/inf_models.h"
#include "dpinst/driver_package_win.h"

#include <optional>
#include <string>

class staged_package_c {
public:
    staged_package_c() = default;
    ~staged_package_c();
    staged_package_c(const staged_package_c&) = delete;
    staged_package_c& operator=(const staged_package_c&) = delete;

    std::wstring published_name;
    // The INF the device installation is given: the package's own, or that of a rewritten copy
    // (it must stay until the devices are installed).
    std::wstring install_inf;
    std::optional<std::string> copy_inf_bytes;  // the rewritten INF, when a copy was staged
    std::wstring copy_folder;                   // removed with this object
};

// Stages the package as it is, except for a copy with a rewritten INF where the system cannot take
// it as it is: in legacy mode when its named catalog is missing (the copy names none), and under
// Wine when the models section Windows would choose names a version (wine_models_inf.h).
bool stage_package(const package_facts_c& facts, const inf_platform_c& platform, bool legacy_mode,
                   staged_package_c& staged, std::wstring& reason);

// The published INF that the argument of /U names: a name in the system's INF folder, or the path
// of a package INF whose published copy has its content (or the content of the copy stage_package
// would have staged for it). Empty when there is none.
std::wstring find_published_inf(const std::wstring& argument, const inf_platform_c& platform);

// SetupUninstallOEMInfW with SUOI_FORCEDELETE (the package goes even while devices use it),
// verified by the published INF being gone.
bool remove_published_inf(const std::wstring& published_name, std::wstring& reason);

std::wstring system_inf_folder();
