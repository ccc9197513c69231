// vantorel-cli backup, backups and restore: the same core the backup and restore pages use.
#include "backup/backup_index.h"
#include "backup/backup_job.h"
#include "common/worker.h"
#include "backup/restore_job.h"
#include "cli/backup_environment.h"
#include "cli/cli_commands.h"
#include "cli/console.h"
#include "cli/inventory_run.h"
#include "cli/noting_launcher.h"
#include "cli/progress_meter.h"
#include "common/date_text.h"
#include "common/text_convert.h"
#include "system/settings.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <iostream>
#include <thread>

namespace {

// Takes an option all three commands share when one is at hand.
bool take_shared_option(argument_reader_c& reader, backup_options_c& options, std::string& profile) {
    return reader.take_value("--folder", options.folder) || reader.take_value("--store", options.store) ||
           reader.take_value("--inf-folder", options.inf_folder) || reader.take_value("--profile", profile);
}

// The entries whose archive is in the folder: those a restore can use.
nlohmann::ordered_json index_json(const backup_index_c& index) {
    nlohmann::ordered_json entries = nlohmann::ordered_json::array();
    for (const backup_entry_c& entry : index) {
        if (!entry.archive_present) continue;
        nlohmann::ordered_json devices = nlohmann::ordered_json::array();
        for (const backup_device_c& device : entry.devices)
            devices.push_back({{"id", wide_to_utf8(device.id)},
                               {"desc", wide_to_utf8(device.desc)},
                               {"manu", wide_to_utf8(device.manu)},
                               {"name", wide_to_utf8(device.name)},
                               {"version", wide_to_utf8(device.version)},
                               {"date", wide_to_utf8(device.driver_date)}});
        entries.push_back({{"file", wide_to_utf8(ansi_to_wide(entry.file_name))},
                           {"date", entry.date},
                           {"sha256", entry.sha256 ? digest_hex(*entry.sha256) : std::string()},
                           {"devices", devices}});
    }
    return entries;
}

bool prepare(const backup_options_c& options, const std::string& profile, backup_environment_c& environment,
             inventory_run_c& run) {
    if (!backup_environment(options, environment) || !run_inventory(profile, false, run)) return false;
    const backup_index_load_c load =
        load_backup_index(backup_index, environment.index_path, environment.backup_folder, run.store);
    if (!load.set_aside.empty())
        std::fprintf(stderr, "vantorel-cli: the backup index could not be read; it was kept as '%s'\n",
                     wide_to_utf8(load.set_aside).c_str());
    return true;
}

}  // namespace

int backups_command(const cli_arguments& arguments) {
    backup_options_c options;
    std::string profile;
    argument_reader_c reader(arguments);
    while (!reader.done())
        if (!take_shared_option(reader, options, profile)) reader.refuse_unknown();
    if (reader.failed()) return command_line_problem(reader.problem());
    backup_environment_c environment;
    inventory_run_c run;
    if (!prepare(options, profile, environment, run)) return 1;
    std::cout << index_json(backup_index).dump(2) << "\n";
    return 0;
}

int backup_command(const cli_arguments& arguments) {
    backup_options_c options;
    std::string profile, instance_path;
    bool all = false;
    std::vector<std::wstring> wanted;
    argument_reader_c reader(arguments);
    while (!reader.done()) {
        if (reader.take_switch("--all")) all = true;
        else if (reader.take_value("--device", instance_path)) wanted.push_back(utf8_to_wide(instance_path));
        else if (!take_shared_option(reader, options, profile)) reader.refuse_unknown();
    }
    if (reader.failed()) return command_line_problem(reader.problem());
    backup_environment_c environment;
    inventory_run_c run;
    if (!prepare(options, profile, environment, run)) return 1;
    const auto candidates = build_backup_candidates(run.store, environment.store, environment.os_version_number);
    std::vector<const backup_candidate_c*> ticked;
    for (const backup_candidate_c& candidate : candidates) {
        bool chosen = all;
        for (const device_c* device : candidate.devices)
            for (const std::wstring& path : wanted) chosen = chosen || path == device->instance_path;
        if (chosen) ticked.push_back(&candidate);
    }
    if (ticked.empty()) {
        std::fprintf(stderr, "vantorel-cli: no driver package to back up\n");
        return 1;
    }
    auto job = make_backup_job(ticked, environment.store, environment.backup_folder, environment.index_path,
                               today_local());
    worker_c worker;
    worker.start([job](const std::atomic<bool>&) { return run_backup_job(*job); });
    const bool show = stderr_is_terminal();
    progress_meter_c meter;
    while (worker.running()) {
        if (show)
            std::fprintf(stderr, "\r%s", meter.update(std::uint64_t(job->progress.load()), ticked.size() * 100,
                                                      progress_meter_c::clock::now()).c_str());
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    if (show) std::fprintf(stderr, "\n");
    nlohmann::ordered_json archives = nlohmann::ordered_json::array();
    for (const std::wstring& archive : job->archives) archives.push_back(wide_to_utf8(archive));
    std::lock_guard<std::mutex> guard(backup_index_lock);
    nlohmann::ordered_json out = {{"result", worker.result()}, {"archives", archives}, {"index", index_json(backup_index)}};
    std::cout << out.dump(2) << "\n";
    return worker.result() == 0 ? 0 : 1;
}

int restore_command(const cli_arguments& arguments) {
    backup_options_c options;
    std::string profile;
    bool dry_run = false, wait = false, restore_point = true;
    std::vector<std::string> names;
    argument_reader_c reader(arguments);
    while (!reader.done()) {
        if (reader.take_switch("--dry-run")) dry_run = true;
        else if (reader.take_switch("--wait")) wait = true;
        else if (reader.take_switch("--no-restore-point")) restore_point = false;
        else if (!take_shared_option(reader, options, profile)) names.push_back(reader.take_operand());
    }
    if (reader.failed()) return command_line_problem(reader.problem());
    const std::string name = names.size() == 1 ? names.front() : std::string();
    if (name.empty()) return command_line_problem("name one backup archive to restore");
    backup_environment_c environment;
    if (!backup_environment(options, environment)) return 1;
    noting_launcher_c launcher(dry_run ? nullptr : environment.install.shell, wait);
    installer_context_c context{environment.install.program_folder, environment.backup_folder,
                                environment.install.is_64bit_windows, &launcher, &disk_files(), wait};
    context.arm64_machine = environment.install.arm64_machine;
    if (restore_point) context.restore_point = restore_point_description(settings_c{});  // on, as by default
    // The digest recorded when the archive was written; the devices do not matter here.
    const device_store_c no_devices;
    load_backup_index(backup_index, environment.index_path, environment.backup_folder, no_devices);
    std::optional<sha256_digest_c> recorded;
    {
        std::lock_guard<std::mutex> guard(backup_index_lock);
        recorded = recorded_archive_digest(backup_index, utf8_to_wide(name));
    }
    std::string problem;
    const int result = restore_backup(utf8_to_wide(name), environment.backup_folder, context, &problem, recorded);
    nlohmann::ordered_json out = {{"archive", name}, {"result", result}};
    if (result != 0) out["problem"] = problem;
    out["started"] = launcher.starts;
    std::cout << out.dump(2) << "\n";
    if (result != 0) std::fprintf(stderr, "vantorel-cli: nothing was restored: %s\n", problem.c_str());
    return result == 0 && !launcher.any_failed ? 0 : 1;
}
