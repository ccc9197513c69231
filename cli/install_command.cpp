// vantorel-cli install: unpacks a downloaded package as the program does and starts what the
// program would start (the driver package installer on the offered INF files' folder, a set-up
// program, or the unpacked folder); --dry-run, and Linux, only print it.
#include "cli/cli_commands.h"
#include "cli/install_environment.h"
#include "cli/noting_launcher.h"
#include "common/file_open.h"
#include "common/text_convert.h"
#include "common/file_digest.h"
#include "download/installer_choice.h"
#include "service/catalog_freshness.h"
#include "system/settings.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <system_error>
#include <vector>

int install_command(const cli_arguments& arguments) {
    if (arguments.empty()) return command_line_problem("name the package to install");
    // By its full path: "PACKAGE.zip" alone names a file in the current folder, which is then
    // the folder to unpack into.
    std::error_code ignored;
    const std::filesystem::path given(utf8_to_wide(arguments[0]));
    const std::filesystem::path full = std::filesystem::absolute(given, ignored);
    const std::wstring package = (full.empty() ? given : full).lexically_normal().wstring();
    std::set<std::wstring> inf_paths;
    std::wstring folder;
    bool dry_run = false, wait = false, restore_point = true;
    std::optional<sha256_digest_c> expected;
    std::string text;
    argument_reader_c reader(cli_arguments(arguments.begin() + 1, arguments.end()));
    while (!reader.done()) {
        if (reader.take_value("--inf", text)) inf_paths.insert(utf8_to_wide(text));
        else if (reader.take_value("--folder", text)) folder = utf8_to_wide(text);
        else if (reader.take_switch("--dry-run")) dry_run = true;
        else if (reader.take_switch("--wait")) wait = true;
        else if (reader.take_switch("--no-restore-point")) restore_point = false;
        else if (!take_sha256_option(reader, expected)) reader.refuse_unknown();
    }
    if (reader.failed()) return command_line_problem(reader.problem());
    if (!file_exists(package)) {
        std::fprintf(stderr, "vantorel-cli: no package '%s'\n", arguments[0].c_str());
        return 1;
    }
    // Unpacked beside the package unless told otherwise, as the program unpacks into its
    // download folder.
    if (folder.empty()) folder = package.substr(0, package.find_last_of(L"\\/") + 1);

    const install_environment_c environment = install_environment();
    noting_launcher_c launcher(dry_run ? nullptr : environment.shell, wait);
    installer_context_c context{environment.program_folder, folder, environment.is_64bit_windows, &launcher,
                                &disk_files(), wait};
    context.arm64_machine = environment.arm64_machine;
    if (restore_point) context.restore_point = restore_point_description(settings_c{});  // on, as by default
    // A package the catalog owner withdrew (as this user's last believed statement says) is refused,
    // whether its digest was given or not.
    unpack_report_c report;
    report.problem = withdrawn_problem(catalog_record_path(environment.data_folder), expected ? expected : file_sha256(package));
    if (report.problem.empty()) report = unpack_and_install(package, inf_paths, context, nullptr, expected);
    // As the program does: only a package whose digest was given and checked is handed to the shell.
    if (report.outcome == unpack_outcome_c::not_an_archive && expected) {
        run_package_program(package, *expected, context);
    } else if (report.outcome == unpack_outcome_c::not_an_archive) {
        report.outcome = unpack_outcome_c::failed;
        report.problem = "a package that is no zip archive is started only with its --sha256";
    }
    nlohmann::ordered_json out = {
        {"package", wide_to_utf8(package)},
        {"unpack_folder", wide_to_utf8(report.folder)},
        {"unpacked", report.outcome == unpack_outcome_c::unpacked},
    };
    if (report.outcome == unpack_outcome_c::failed) out["problem"] = report.problem;
    out["started"] = launcher.starts;
    out["dry_run"] = dry_run || !environment.shell;
    std::cout << out.dump(2) << "\n";
    if (report.outcome == unpack_outcome_c::failed)
        std::fprintf(stderr, "vantorel-cli: the package was not installed: %s\n", report.problem.c_str());
    return report.outcome != unpack_outcome_c::failed && !launcher.any_failed ? 0 : 1;
}
