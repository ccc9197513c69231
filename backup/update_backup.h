// Before an update is installed over the driver a device runs, the package of that driver is
// backed up from the driver store (an archive of its own, recorded as taken automatically), unless
// the backup folder holds a backup of the same INF and version already. What was backed up for
// each device is what Undo puts back.
#pragma once

#include "backup/backup_job.h"
#include "backup/driver_updates.h"

#include <string>
#include <vector>

// A device the update is for, as it runs now.
struct update_device_c {
    device_texts_c texts;             // instance path, name, provider, INF name, version, date
    std::wstring driver_description;  // names the archive
    bool has_driver = false;
};

std::vector<update_device_c> update_devices_of(const std::vector<const device_c*>& devices);

struct update_backup_c {
    std::vector<update_device_c> devices;
    driver_store_location_c location;
    std::wstring backup_folder;
    std::wstring index_path;
    std::string today;  // "%Y-%m-%d"
};

struct update_backup_result_c {
    bool complete = false;  // every device's package is backed up (or it has no driver to replace)
    std::string problem;    // why not
    // What each device (in order) runs now and where its package went: the entry to record once the
    // update is installed. No archive for a device without a driver.
    std::vector<driver_update_c> updates;
};

// Backs up the packages the devices run, one archive per package (devices sharing one share it).
// Runs on a worker: it writes archives.
update_backup_result_c back_up_before_update(const update_backup_c& backup);
