#include "system/machine_facts.h"
#include "system/settings_win.h"
#include "system/data_places_win.h"
#include "cli/cli_commands.h"
#include "common/text_convert.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <iostream>

int settings_command(const cli_arguments& arguments) {
    if (!arguments.empty()) return command_line_problem("settings takes no arguments");
    if (!collect_basic_facts()) {
        std::fprintf(stderr, "vantorel-cli: the machine facts cannot be read\n");
        return 1;
    }
    // As at start-up: a first run creates the key with its defaults and the folders.
    if (!load_settings()) {
        std::fprintf(stderr, "vantorel-cli: the settings key cannot be opened or created\n");
        return 1;
    }
    const settings_c& record = settings();
    nlohmann::ordered_json out = {
        {"download_path_in_use", wide_to_utf8(record.download_path_in_use)},
        {"download_path", wide_to_utf8(record.download_path)},
        {"backup_path", wide_to_utf8(record.backup_path)},
        {"language", wide_to_utf8(record.language)},
        {"install_date", wide_to_utf8(record.install_date)},
        {"autorun", record.autorun},
        {"scan_offline", record.scan_offline},
        {"close_to_tray", std::uint32_t(record.close_to_tray)},
        {"scheduled_scan", record.scheduled_scan},
        {"restore_point", record.restore_point},
        {"send_reports", record.send_reports},
        {"reports_asked", record.reports_asked},
        {"testing_updates", record.testing_updates},
        {"data_folder", wide_to_utf8(data_places().folder)},
    };
    // A folder that cannot be used is said, with the system's reason, and fails the command.
    nlohmann::ordered_json unusable = nlohmann::ordered_json::array();
    for (const folder_problem_c& problem : folder_problems()) {
        const std::string reason = wide_to_utf8(system_error_text(problem.error));
        unusable.push_back({{"folder", wide_to_utf8(problem.folder)}, {"error", problem.error}, {"reason", reason}});
        std::fprintf(stderr, "vantorel-cli: the folder '%s' cannot be used: %s\n", wide_to_utf8(problem.folder).c_str(),
                     reason.c_str());
    }
    out["unusable_folders"] = unusable;
    std::cout << out.dump(2) << "\n";
    return folder_problems().empty() ? 0 : 1;
}
