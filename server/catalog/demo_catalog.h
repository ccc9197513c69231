// The demo catalog: real driver packages (zip archives with an INF file, a driver file and a
// catalog file) for devices of the default simulated PC, imported through the catalog's own
// import path. Some packages are newer than the installed drivers, some older or equal; some
// are for other Windows versions or architectures; one serves the device without a driver and
// one matches only a compatible ID. Three describe their devices beyond ASCII, as vendors'
// localised packages do: two in UTF-16 INF files (Western European, Cyrillic), one in an 8-bit
// INF file in Windows-1252.
#pragma once

#include <string>
#include <vector>

struct demo_model_c {
    std::string description;
    std::vector<std::string> device_ids;  // the hardware ID, then compatible IDs
};

struct demo_package_c {
    std::string file_name;
    std::string class_name;
    std::string class_guid;
    std::string provider;
    std::string manufacturer;
    std::string driver_date;      // as DriverVer writes it: mm/dd/yyyy
    std::string driver_version;
    std::string decorations;      // [Manufacturer] decorations, "" for an undecorated models section
    std::vector<demo_model_c> models;
    int feature_score = -1;       // -1: no FeatureScore line
    enum class signing_c { whql, other, none } signing = signing_c::whql;
    enum class inf_encoding_c { windows_1252, utf16 } inf_encoding = inf_encoding_c::windows_1252;
};

const std::vector<demo_package_c>& demo_packages();

// The INF text of one demo package, and the file's bytes in the package's encoding.
std::string demo_inf_text(const demo_package_c& package);
std::string demo_inf_bytes(const demo_package_c& package);

class signing_key_c;

// Writes every demo package into `packages_folder` and imports them into the SQLite catalog
// `catalog_path` (created when missing), signed with `key` when one is given. False with an error.
bool build_demo_catalog(const std::string& packages_folder, const std::string& catalog_path, std::string& error,
                        const signing_key_c* key = nullptr);
