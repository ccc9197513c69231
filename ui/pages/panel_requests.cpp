#include "ui/pages/panel_requests.h"

#include "backup/undo_update.h"
#include "backup/update_backup.h"

install_request_c panel_install_request(const driver_group_c& group, const panel_backup_places_c& places) {
    install_request_c request;
    request.link = group.link ? group.link : "";
    request.none_needed = group.none_needed;
    for (const device_c* device : group.devices) {
        const driver_item_c* item = chosen_item(*device, group.mode);
        if (!item) continue;
        request.inf_names.push_back(item->inf_name);
        request.hardids.push_back(item->hardid);
    }
    if (group.item) request.offered_version = group.item->version;
    if (places.store_location && !places.index_path.empty()) {
        request.update_devices = update_devices_of(group.devices);
        request.back_up = update_backup_step({*places.store_location, places.backup_folder, places.index_path, places.today});
    }
    return request;
}

std::vector<std::wstring> undoable_devices(const driver_group_c& group, const std::wstring& data_folder) {
    std::vector<std::wstring> devices;
    if (data_folder.empty()) return devices;
    for (const device_c* device : group.devices)
        if (undoable_update(device->instance_path, data_folder)) devices.push_back(device->instance_path);
    return devices;
}
