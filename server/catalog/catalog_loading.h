// Loads the catalog file the server serves: read-only, streamed into the compact index, with
// the packages whose archive is missing from the packages folder left out, so that no answer
// links a file that is not there. A load that would leave out more than a share of the packages
// (a packages folder being copied, a mount not up yet), or that would serve no package at all, is
// refused: a server keeps serving what it had, rather than telling every client it is up to date.
#pragma once

#include "server/http/update_server.h"

#include <string>

#include <vector>

struct catalog_load_limits_c {
    unsigned max_missing_percent = 10;  // of the catalog's packages, without their archive
    bool allow_empty = false;           // a catalog that leaves no package to serve
};

struct catalog_load_report_c {
    std::size_t packages = 0;                  // in the catalog file
    std::size_t left_out = 0;                  // packages without their archive
    std::vector<std::string> missing_archives; // the first few of them, for the log
    std::string missing_installer;             // the newest release's, when its file is missing: no release is served
    std::size_t withdrawn = 0;                 // packages left out as withdrawn by the catalog's statement
    std::uint64_t statement_serial = 0;        // 0: the catalog carries no signed statement
    std::int64_t statement_expires = 0;        // seconds since 1970 (UTC)
    double seconds = 0;
};

// The missing archives the report names, and how many more there are, for a log line.
std::string missing_archives_text(const catalog_load_report_c& report);

// The "statement" element of every answer: the serial, the expiry, the signature and each
// withdrawn package's digest and reason (escaped, common/catalog_statement.h).
std::string statement_element(const catalog_statement_c& statement);

// `packages_folder` empty: every package is kept. Packages the catalog's statement withdraws are
// left out (and not counted as missing).
bool load_served_catalog(const std::string& path, const std::string& packages_folder, served_catalog_c& catalog,
                         catalog_load_report_c& report, std::string& error, const catalog_load_limits_c& limits = {});
