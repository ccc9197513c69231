// Loads the catalog file the server serves: read-only, streamed into the compact index, with
// the packages whose archive is missing from the packages folder left out, so that no answer
// links a file that is not there.
#pragma once

#include "server/update_server.h"

#include <string>

struct catalog_load_report_c {
    std::size_t left_out = 0;  // packages without their archive
    double seconds = 0;
};

// `packages_folder` empty: every package is kept.
bool load_served_catalog(const std::string& path, const std::string& packages_folder, served_catalog_c& catalog,
                         catalog_load_report_c& report, std::string& error);
