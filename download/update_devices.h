// The devices an update is for, as they run now, and the step that backs their drivers up before
// the installer runs (the backup's own layer provides it: backup/update_backup.h).
#pragma once

#include "devices/device_texts.h"
#include "download/driver_updates.h"

#include <functional>
#include <string>
#include <vector>

struct update_device_c {
    device_texts_c texts;             // instance path, name, provider, INF name, version, date
    std::wstring driver_description;  // names the archive
    bool has_driver = false;
};

std::vector<update_device_c> update_devices_of(const std::vector<const device_c*>& devices);

struct pre_update_backup_c {
    bool complete = false;  // every device's package is backed up (or it has no driver to replace)
    std::string problem;    // why not
    // What each device (in order) runs now and where its package went: the entry to record once the
    // update is installed. No archive for a device without a driver.
    std::vector<driver_update_c> updates;
};

// Backs the devices' drivers up; null where nothing is to be backed up.
using update_backup_step_t = std::function<pre_update_backup_c(const std::vector<update_device_c>& devices)>;
