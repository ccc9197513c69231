// Reads a driver package (a zip archive with INF files, driver files and catalog files) into a
// catalog package: every INF's facts and one entry per device ID of its model lines.
#pragma once

#include "common/sha256.h"
#include "server/catalog/catalog.h"

#include <cstdint>
#include <string>

// What one package may bring into the catalog: a small archive can inflate into huge INF files
// whose model lines multiply into millions of records.
struct package_bounds_c {
    std::uint64_t inf_bytes = 64u << 20;  // all its INF files together
    std::size_t model_lines = 100000;     // model lines of all its INF files
    std::size_t records = 250000;         // catalog records: a device ID of a model line, per decoration
};

struct package_options_c {
    std::string title;          // empty: "<first device description> driver <version>"
    std::string official_link;
    int sign = -1;              // -1: judged from the INF's catalog file
    package_bounds_c bounds;
};

// False with an error naming the archive, and for a broken INF its path and line; a package past
// one of its bounds is refused naming the bound and the option that sets it.
bool read_driver_package(const std::string& archive_path, const package_options_c& options,
                         catalog_package_c& package, std::string& error);

// An archive's size and digests, from one read of its bytes.
struct archive_digests_c {
    std::uint64_t size = 0;
    std::string md5;  // lower-case hex
    sha256_digest_c sha256{};
};
// False with an error naming the file and why it cannot be read.
bool read_archive_digests(const std::string& path, archive_digests_c& digests, std::string& error);

// A file name the catalog accepts for a package: letters, digits and ". _ - +", not starting
// with a dot, at most 200 characters.
bool valid_package_file_name(const std::string& name);

// The signature class a catalog (.cat) file gives: WHQL when the Windows hardware compatibility
// publisher signed it, another signature otherwise.
int signature_class_of_catalog(const std::string& catalog_bytes);
