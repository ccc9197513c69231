// Driver packages written by the tests for the simulated PC's devices: an INF with a copy section
// and SourceDisksFiles, a dummy driver file in a sub-folder, and a catalog stand-in. Its amd64
// models come, as in most packages, in a section for Windows 6.1 and later, beside a plain NTamd64
// section with another description that Windows passes over there.
#pragma once

#include <filesystem>
#include <string>

struct test_package_c {
    std::string inf_name = "vtnet.inf";
    std::string device_class = "Net";
    std::string class_guid = "{4d36e972-e325-11ce-bfc1-08002be10318}";
    std::string hardware_id = "PCI\\VEN_8086&DEV_15BC&SUBSYS_86721043";
    std::string driver_ver = "05/01/2021,12.19.1.1";
    std::string description = "Vantorel Test Network Adapter";
    std::string driver_file = "vtnet.sys";
    bool catalog_named = true;
    bool catalog_present = true;
    bool driver_file_present = true;
};

// Writes the package into folder (created), the driver file into its sub-folder "drivers" (Wine
// ignores the platform-decorated [SourceDisksNames.<architecture>] sections, so the package uses
// the plain one). Returns the INF's path.
std::filesystem::path write_test_package(const std::filesystem::path& folder, const test_package_c& package);

// A folder for one test's packages under the temporary folder, emptied first.
std::filesystem::path fresh_package_folder(const std::string& name);
