// vantorel-server's command line and configuration file. The file holds "name = value" lines
// with the long options' names (comments start with "#"); options on the command line win.
#pragma once

#include "server/catalog/catalog_loading.h"
#include "server/http/update_server.h"

#include <string>
#include <vector>

struct server_options_c {
    server_settings_c settings;
    std::string catalog_path;
    std::string port_file;
    unsigned stop_seconds = 30;  // graceful stop: how long open connections may take
    bool check_files = true;     // leave out packages whose archive is missing
    catalog_load_limits_c load_limits;  // when a catalog is not loaded at all
    unsigned watch_seconds = 0;  // look at the catalog file this often and reload it when it changed; 0: never
    // The install reports' database: a SQLite file or a "postgresql://" URL; empty: "reports.sqlite"
    // beside the catalog; "none": no reports taken.
    std::string reports_db;
    bool help = false, version = false;
};

enum class options_outcome_c { run, misuse };

// Reads the arguments (without the program name). On misuse, `error` says what is wrong in one line.
options_outcome_c parse_server_options(const std::vector<std::string>& arguments, server_options_c& options,
                                       std::string& error);
std::string server_usage();

// Where the reports go for these options: the file named, or "reports.sqlite" in the catalog's
// folder; empty for "none".
std::string reports_database_path(const server_options_c& options);
