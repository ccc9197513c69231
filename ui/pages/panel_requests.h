// What a download panel asks of the installation worker: the request to install its package on
// its devices (their drivers backed up first), and the devices an Undo would take back.
#pragma once

#include "backup/backup_job.h"
#include "download/start_install.h"
#include "ui/pages/driver_group.h"

#include <string>
#include <vector>

struct panel_backup_places_c {
    const driver_store_location_c* store_location = nullptr;  // none: nothing is backed up
    std::wstring backup_folder;
    std::wstring index_path;
    std::string today;
};

install_request_c panel_install_request(const driver_group_c& group, const panel_backup_places_c& places);

// The group's devices with an update of the program's that Undo can reverse.
std::vector<std::wstring> undoable_devices(const driver_group_c& group, const std::wstring& data_folder);
