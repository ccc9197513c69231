// vantorel-cli undo: puts back the driver a device ran before the program updated it, as the
// download panel's "Undo update" does: the package backed up before the update, restored forced,
// or else Windows' own rollback. The installer is run to its end (silently), so that the device
// is recorded as rolled back only once its earlier driver is back; --dry-run only prints it.
#include "backup/undo_update.h"
#include "cli/backup_environment.h"
#include "cli/cli_commands.h"
#include "cli/noting_launcher.h"
#include "cli/report_consent.h"
#include "common/file_open.h"
#include "common/hex_text.h"
#include "common/text_convert.h"
#include "download/installer_outcome.h"
#include "system/settings.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <iostream>

namespace {

const char* result_name(undo_result_c result) {
    switch (result) {
        case undo_result_c::undone: return "undone";
        case undo_result_c::started: return "started";
        case undo_result_c::nothing_to_undo: return "nothing to undo";
        case undo_result_c::failed: break;
    }
    return "failed";
}

}  // namespace

int undo_command(const cli_arguments& arguments) {
    backup_options_c options;
    std::string data_folder;
    bool dry_run = false, restore_point = true;
    std::vector<std::string> devices;
    argument_reader_c reader(arguments);
    while (!reader.done()) {
        if (reader.take_switch("--dry-run")) dry_run = true;
        else if (reader.take_switch("--no-restore-point")) restore_point = false;
        else if (reader.take_value("--folder", options.folder) || reader.take_value("--data-folder", data_folder)) continue;
        else devices.push_back(reader.take_operand());
    }
    if (reader.failed()) return command_line_problem(reader.problem());
    if (devices.size() != 1 || devices.front().empty()) return command_line_problem("name one device's instance path");
    backup_environment_c environment;
    if (!backup_environment(options, environment)) return 1;
    const std::wstring data = data_folder.empty() ? environment.install.data_folder : utf8_to_wide(data_folder);
    if (data.empty()) return command_line_problem("--data-folder DIR is needed here");
    noting_launcher_c launcher(dry_run ? nullptr : environment.install.shell, true);
    installer_context_c context{environment.install.program_folder, environment.backup_folder,
                                environment.install.is_64bit_windows, &launcher, &disk_files(), true};
    context.arm64_machine = environment.install.arm64_machine;
    if (restore_point) context.restore_point = restore_point_description(settings_c{});  // on, as by default
    const undo_places_c places{data, environment.backup_folder, environment.index_path, report_origin_for(data)};
    const undo_outcome_c outcome = undo_updates({utf8_to_wide(devices.front())}, places, context);
    nlohmann::ordered_json out = {{"device", devices.front()},
                                  {"result", result_name(outcome.result)},
                                  {"from_backup", outcome.from_backup}};
    if (!outcome.problem.empty()) out["problem"] = outcome.problem;
    if (outcome.installed) {
        out["exit_code"] = wide_to_utf8(hex_code(outcome.installed->exit_code));
        out["restart_needed"] = outcome.installed->restart_needed;
        out["restore_point"] = restore_point_note_name(outcome.installed->restore_point);
    }
    out["started"] = launcher.starts;
    out["dry_run"] = dry_run || !environment.install.shell;
    std::cout << out.dump(2) << "\n";
    const bool done = outcome.result == undo_result_c::undone || outcome.result == undo_result_c::started;
    if (!done) std::fprintf(stderr, "vantorel-cli: nothing was undone: %s\n", outcome.problem.c_str());
    return done ? 0 : 1;
}
