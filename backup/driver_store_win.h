// Where this system keeps driver packages: found once at start-up, the last step of the chain.
#pragma once

#include "backup/backup_job.h"

// For the Windows of this version (major x 10 + minor): 0, or -1 when (from Vista on) SetupAPI
// cannot be loaded; the location is then empty and no package can be backed up.
int prepare_driver_store(int os_version_number);

// The location found by prepare_driver_store.
const driver_store_location_c& driver_store_location();
// The folder of the installed INF files ("%SystemRoot%\inf").
const std::wstring& inf_folder();
