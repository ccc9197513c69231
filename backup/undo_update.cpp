#include "backup/undo_update.h"

#include "backup/backup_index.h"
#include "backup/restore_job.h"
#include "common/file_open.h"
#include "common/hex_text.h"
#include "common/path_join.h"
#include "common/text_convert.h"
#include "service/hidden_offers.h"
#include "service/installed_links.h"

#include <algorithm>

namespace {

// The backup's archive when it is still in the backup folder, with the digest it was written with.
struct usable_backup_c {
    std::wstring archive;
    std::optional<sha256_digest_c> sha256;
};

// Whether the installer waited for says the earlier driver is back; otherwise the problem.
bool put_back(const installer_exit_c& exit, std::string& problem) {
    if (installer_outcome(exit).verdict == install_verdict_c::installed) return true;
    problem = "nothing was put back (exit code " + wide_to_utf8(hex_code(*exit.code)) + ")";
    return false;
}

std::optional<usable_backup_c> usable_backup(const driver_update_c& update, const undo_places_c& places) {
    if (update.backup_archive.empty() || !file_exists(join_path(places.backup_folder, update.backup_archive)))
        return std::nullopt;
    std::lock_guard<std::mutex> guard(backup_index_lock);
    load_backup_index(backup_index, places.index_path, places.backup_folder, device_store_c{});
    return usable_backup_c{update.backup_archive, recorded_archive_digest(backup_index, update.backup_archive)};
}

// Recorded once the earlier driver is back: the update as rolled back, its version hidden for the
// device, its link no longer counted as installed.
void record_rollback(driver_update_c update, const undo_places_c& places) {
    update.rolled_back = true;
    record_driver_updates(driver_updates_path(places.data_folder), {update});
    const std::wstring hidden_path = hidden_offers_path(places.data_folder);
    // An update of no known version hides nothing: an empty version would hide every offer.
    std::optional<hidden_offers_c> hidden;
    if (!update.installed_version.empty() && (hidden = read_hidden_offers(hidden_path))) {
        hidden->hide(update.instance_path, update.installed_version);
        write_hidden_offers(hidden_path, *hidden);
    }
    if (!update.installed_link.empty()) remove_installed_link(installed_links_path(places.data_folder), update.installed_link);
    // The update's package did not serve this user: told, where the user agreed, as its report.
    const report_origin_c& origin = places.reports;
    if (origin.queue.empty() || update.installed_sha256.empty() || update.hardware_id.empty()) return;
    install_report_entry_c report;
    report.report_id = new_report_id();
    report.package_sha256 = update.installed_sha256;
    report.inf_path = update.installed_inf;
    report.hardware_id = update.hardware_id;
    report.replaced_version = wide_to_utf8(update.installed_version);
    report.outcome = "rolled_back";
    report.os = origin.os;
    report.build = origin.build;
    report.machine = origin.machine;
    queue_reports(origin.queue, {report});
}

}  // namespace

std::optional<driver_update_c> undoable_update(const std::wstring& instance_path, const std::wstring& data_folder) {
    std::lock_guard<std::mutex> guard(driver_updates_lock);
    const std::optional<driver_updates_c> updates = read_driver_updates(driver_updates_path(data_folder));
    const driver_update_c* update = updates ? updates->find(instance_path) : nullptr;
    if (!update || update->rolled_back || update->previous_inf.empty()) return std::nullopt;
    return *update;
}

namespace {

undo_outcome_c undo_one(const driver_update_c& update, const undo_places_c& places, const installer_context_c& context,
                        std::vector<std::wstring>& restored) {
    undo_outcome_c outcome;
    const std::optional<usable_backup_c> backup = usable_backup(update, places);
    // A device of the same package as one just restored has its earlier driver back already.
    if (backup && std::find(restored.begin(), restored.end(), backup->archive) != restored.end()) {
        record_rollback(update, places);
        outcome.result = undo_result_c::undone;
        outcome.from_backup = true;
        return outcome;
    }
    installer_exit_c exit;
    installer_context_c waited = context;
    waited.installer_exit = &exit;
    if (backup) {
        outcome.from_backup = true;
        if (restore_backup(backup->archive, places.backup_folder, waited, &outcome.problem, backup->sha256) != 0)
            return outcome;
    } else {
        const launch_result_c launched = run_driver_rollback(update.instance_path, waited);
        if (launched == launch_result_c::cancelled) outcome.problem = "the consent to run the installer was not given";
        else if (launched != launch_result_c::started) outcome.problem = "the driver package installer could not be started";
        if (launched != launch_result_c::started) return outcome;
    }
    if (!exit.code) {
        outcome.result = undo_result_c::started;
        return outcome;
    }
    outcome.installed = installer_outcome(exit);
    if (!put_back(exit, outcome.problem)) return outcome;
    if (backup) restored.push_back(backup->archive);
    record_rollback(update, places);
    outcome.result = undo_result_c::undone;
    return outcome;
}

}  // namespace

void record_restore_over_updates(const std::vector<std::wstring>& instance_paths, const std::wstring& restored_version,
                                 const undo_places_c& places) {
    for (const std::wstring& instance_path : instance_paths) {
        const std::optional<driver_update_c> update = undoable_update(instance_path, places.data_folder);
        if (update && (restored_version.empty() || restored_version != update->installed_version))
            record_rollback(*update, places);
    }
}

int restore_backup_over_updates(const std::wstring& archive, const std::optional<sha256_digest_c>& recorded,
                                const std::vector<std::wstring>& instance_paths, const std::wstring& restored_version,
                                const undo_places_c& places, const installer_context_c& context, std::string& problem) {
    installer_exit_c exit;
    installer_context_c waited = context;
    waited.installer_exit = &exit;
    if (restore_backup(archive, places.backup_folder, waited, &problem, recorded) != 0) return -1;
    if (!exit.code) return 0;
    if (!put_back(exit, problem)) return -1;
    record_restore_over_updates(instance_paths, restored_version, places);
    return 0;
}

undo_outcome_c undo_updates(const std::vector<std::wstring>& instance_paths, const undo_places_c& places,
                            const installer_context_c& context) {
    undo_outcome_c last;
    last.result = undo_result_c::nothing_to_undo;
    last.problem = "the program installed no update on this device that could be undone";
    std::vector<std::wstring> restored;
    for (const std::wstring& instance_path : instance_paths) {
        const std::optional<driver_update_c> update = undoable_update(instance_path, places.data_folder);
        if (!update) continue;
        undo_outcome_c outcome = undo_one(*update, places, context, restored);
        if (outcome.result == undo_result_c::failed) return outcome;
        last = std::move(outcome);
    }
    return last;
}
