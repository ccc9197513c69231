// A driver package as the installer checks it before anything is staged: its INF read through
// SetupAPI, the model lines for this platform, DriverVer, the catalog it names, and every source
// file its install sections copy, each of which must exist (a missing one would make the device
// installation wait for it, under Wine for ever).
#pragma once

#include "devices/inf_models.h"
#include "dpinst/driver_version.h"

#include <string>
#include <vector>

struct package_facts_c {
    std::wstring inf_path;       // full path
    std::wstring folder;         // the folder that holds the INF
    std::wstring inf_file_name;
    std::wstring provider;       // [Version] Provider, tokens substituted
    driver_version_c version;
    std::vector<inf_model_line_c> models;
    std::wstring catalog_name;   // empty when the INF names no catalog
    bool catalog_present = false;
    std::vector<std::wstring> source_files;  // full paths, each present
};

enum class package_check_c {
    ready,
    not_a_driver_package,   // an INF without a [Manufacturer] section
    not_for_this_platform,  // no models section applies to this architecture and Windows version
    failed,
};

package_check_c read_driver_package(const std::wstring& inf_path, const inf_platform_c& platform,
                                    package_facts_c& facts, std::wstring& reason);
