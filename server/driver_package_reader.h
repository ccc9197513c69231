// Reads a driver package (a zip archive with INF files, driver files and catalog files) into a
// catalog package: every INF's facts and one entry per device ID of its model lines.
#pragma once

#include "server/catalog.h"

#include <string>

struct package_options_c {
    std::string title;          // empty: "<first device description> driver <version>"
    std::string official_link;
    int sign = -1;              // -1: judged from the INF's catalog file
};

// False with an error naming the archive, and for a broken INF its path and line.
bool read_driver_package(const std::string& archive_path, const package_options_c& options,
                         catalog_package_c& package, std::string& error);

// A file name the catalog accepts for a package: letters, digits and ". _ - +", not starting
// with a dot, at most 200 characters.
bool valid_package_file_name(const std::string& name);

// The signature class a catalog (.cat) file gives: WHQL when the Windows hardware compatibility
// publisher signed it, another signature otherwise.
int signature_class_of_catalog(const std::string& catalog_bytes);
