// Before an update is installed over the driver a device runs, the package of that driver is
// backed up from the driver store (an archive of its own, recorded as taken automatically), unless
// the backup folder holds a backup of the same INF and version already. What was backed up for
// each device is what Undo puts back.
#pragma once

#include "backup/backup_job.h"
#include "download/update_devices.h"

#include <string>
#include <vector>

struct update_backup_c {
    driver_store_location_c location;
    std::wstring backup_folder;
    std::wstring index_path;
    std::string today;  // "%Y-%m-%d"
};

// Backs up the packages the devices run, one archive per package (devices sharing one share it).
// Runs on a worker: it writes archives.
pre_update_backup_c back_up_before_update(const std::vector<update_device_c>& devices, const update_backup_c& backup);

// The step an installation takes first, with these places.
update_backup_step_t update_backup_step(update_backup_c backup);
