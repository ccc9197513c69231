#include "backup/update_backup.h"

#include "common/file_open.h"
#include "common/path_join.h"
#include "common/text_compare.h"
#include "common/text_convert.h"

#include <algorithm>
#include <atomic>

namespace {

// The archive's file name, without its folder.
std::wstring file_name_of(const std::wstring& path) { return path.substr(path.find_last_of(L"\\/") + 1); }

// The package's folder directly below the store root, from the path of its INF's store copy;
// empty when the copy is not below the root.
std::wstring package_folder_of(const std::wstring& store_copy, const std::wstring& root) {
    if (root.empty() || store_copy.size() <= root.size() + 1 ||
        !equal_ignoring_case(store_copy.substr(0, root.size()), root) ||
        (store_copy[root.size()] != L'\\' && store_copy[root.size()] != L'/'))
        return {};
    const std::wstring rest = store_copy.substr(root.size() + 1);
    const std::size_t end = rest.find_first_of(L"\\/");
    return end == std::wstring::npos ? std::wstring() : rest.substr(0, end);
}

}  // namespace

pre_update_backup_c back_up_before_update(const std::vector<update_device_c>& devices, const update_backup_c& backup) {
    pre_update_backup_c result;
    // The index as its file holds it now, so that the new entries join the earlier ones.
    {
        std::lock_guard<std::mutex> guard(backup_index_lock);
        load_backup_index(backup_index, backup.index_path, backup.backup_folder, device_store_c{});
    }
    struct planned_c {
        backup_package_c package;
        std::vector<std::size_t> device_indices;  // into result.updates
    };
    std::vector<planned_c> planned;
    for (const update_device_c& device : devices) {
        driver_update_c update;
        update.instance_path = device.texts.id;
        if (device.has_driver) {
            update.previous_inf = device.texts.name;
            update.previous_version = device.texts.version;
        }
        result.updates.push_back(update);
        if (!device.has_driver || device.texts.name.empty()) continue;
        {
            std::lock_guard<std::mutex> guard(backup_index_lock);
            if (const backup_entry_c* earlier = backup_of_package(backup_index, device.texts.name, device.texts.version)) {
                result.updates.back().backup_archive = ansi_to_wide(earlier->file_name);
                continue;
            }
        }
        const std::optional<std::wstring> copy = backup.location.locate ? backup.location.locate(device.texts.name) : std::nullopt;
        const std::wstring folder = copy ? package_folder_of(*copy, backup.location.root) : std::wstring();
        if (folder.empty()) {
            result.problem = "the driver store holds no copy of the driver in use (" + wide_to_utf8(device.texts.name) + ")";
            return result;
        }
        const std::wstring full = join_path(backup.location.root, folder);
        auto same = std::find_if(planned.begin(), planned.end(),
                                 [&](const planned_c& p) { return equal_ignoring_case(p.package.folder, full); });
        if (same == planned.end()) {
            planned_c plan;
            plan.package.folder = full;
            plan.package.description = device.driver_description;
            plan.package.inf_name = device.texts.name;
            plan.package.version = device.texts.version;
            plan.package.automatic = true;
            planned.push_back(std::move(plan));
            same = planned.end() - 1;
        }
        same->package.devices.push_back(device.texts);
        same->device_indices.push_back(result.updates.size() - 1);
    }
    if (!planned.empty() && !create_folders(backup.backup_folder)) {
        result.problem = "the backup folder could not be made";
        return result;
    }
    for (const planned_c& plan : planned) {
        std::atomic<std::int32_t> progress{0};
        const std::wstring archive = back_up_package(plan.package, backup.backup_folder, backup.index_path, backup.today, progress);
        if (archive.empty()) {
            result.problem = "the driver in use (" + wide_to_utf8(plan.package.inf_name) +
                             ") could not be backed up into the backup folder";
            return result;
        }
        for (std::size_t i : plan.device_indices) result.updates[i].backup_archive = file_name_of(archive);
    }
    result.complete = true;
    return result;
}

update_backup_step_t update_backup_step(update_backup_c backup) {
    return [backup = std::move(backup)](const std::vector<update_device_c>& devices) {
        return back_up_before_update(devices, backup);
    };
}
