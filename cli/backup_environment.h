// What the backup commands need of the machine: the backup folder and index file, the driver
// store, the Windows version, and how to start the installer. On Windows they come from the
// settings and the system; on Linux from options (a store folder and an INF folder, located by
// content), for tests and diagnosis.
#pragma once

#include "backup/backup_job.h"
#include "cli/install_environment.h"

#include <string>

struct backup_environment_c {
    std::wstring backup_folder;
    // The settings' folder's index is "backup.xml" in the program folder; another --folder DIR
    // (and on Linux every DIR) has "DIR/backup.xml" (backup/index_location.h).
    std::wstring index_path;
    driver_store_location_c store;
    int os_version_number = 61;
    install_environment_c install;
};

struct backup_options_c {
    std::string folder;      // --folder: the backup folder instead of the settings'
    std::string store;       // --store: a driver store folder (Linux)
    std::string inf_folder;  // --inf-folder: the installed INF files (Linux)
};

// False, with a message on standard error, when what is needed cannot be had.
bool backup_environment(const backup_options_c& options, backup_environment_c& environment);
