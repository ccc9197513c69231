#include "dpinst/installer_run_win.h"

#include "common/program_start_win.h"
#include "common/text_compare.h"
#include "common/version.h"
#include "common/wine_detection_win.h"
#include "devices/inf_models_win.h"
#include "dpinst/device_list_win.h"
#include "dpinst/device_rollback_win.h"
#include "dpinst/install_log_win.h"
#include "dpinst/install_report.h"
#include "dpinst/installer_options.h"
#include "dpinst/package_install_win.h"
#include "dpinst/package_search.h"
#include "dpinst/process_checks_win.h"
#include "dpinst/restore_point.h"
#include "dpinst/result_window_win.h"
#include "dpinst/staged_run_win.h"

#include <windows.h>
#include <setupapi.h>

#include <filesystem>
#include <optional>

namespace {

const wchar_t installer_title[] = L"Driver Package Installer";

std::wstring program_name() {
    wchar_t path[MAX_PATH] = {};
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring full(path, length);
    std::size_t slash = full.find_last_of(L"\\/");
    return slash == std::wstring::npos ? full : full.substr(slash + 1);
}

// For a command line that was refused: whether it asked for silence or the console anyway.
bool mentions(const std::vector<std::wstring>& arguments, std::initializer_list<const wchar_t*> names) {
    for (const auto& argument : arguments)
        for (const wchar_t* name : names)
            if (argument.size() > 1 && (argument[0] == L'/' || argument[0] == L'-') &&
                equal_ignoring_case(argument.substr(1), std::wstring(name)))
                return true;
    return false;
}

std::wstring quoted_arguments(const std::vector<std::wstring>& arguments) {
    std::wstring text;
    for (const auto& argument : arguments) {
        if (!text.empty()) text += L' ';
        text += argument.find(L' ') == std::wstring::npos ? argument : L"\"" + argument + L"\"";
    }
    return text;
}

std::uint32_t refuse(install_log_c& log, bool silent, const std::wstring& message) {
    log.write(message);
    if (!silent) MessageBoxW(nullptr, message.c_str(), installer_title, MB_OK | MB_ICONERROR);
    return not_started_exit_code;
}

std::vector<std::wstring> install_folder(const installer_options_c& options, install_log_c& log, install_tally_c& tally) {
    std::filesystem::path folder =
        options.search_path.empty() ? std::filesystem::current_path() : std::filesystem::path(options.search_path);
    auto infs = find_package_infs(folder);
    std::vector<std::wstring> lines;
    if (infs.empty()) log.write(L"No INF file in " + folder.wstring());
    install_context_c context;
    context.options = options;
    context.platform = running_platform();
    context.devices = read_present_devices();
    if (running_on_wine()) context.time_limit_ms = 2 * 60 * 1000;
    if (options.shows_window())
        context.ask = [](const std::wstring& question) {
            return MessageBoxW(nullptr, question.c_str(), installer_title, MB_YESNO | MB_ICONQUESTION) == IDYES;
        };
    for (const auto& inf : infs) {
        package_result_c result = install_package(inf.wstring(), context);
        tally.add(result.outcome);
        tally.restart_needed = tally.restart_needed || result.restart_needed;
        std::wstring line = package_log_line(result);
        log.write(line);
        lines.push_back(line);
    }
    return lines;
}

}  // namespace

std::uint32_t run_installer(const std::vector<std::wstring>& arguments) {
    // The conventions of console tools, beside the documented switches (a refused command line
    // keeps the documented exit code, which the programs that start the installer read).
    if (arguments.size() == 1 && (arguments[0] == L"--help" || arguments[0] == L"--version")) {
        install_log_c console(true, std::wstring());
        console.write_console_only(arguments[0] == L"--help"
                                       ? installer_usage_text() + std::wstring(L"\r\n")
                                       : program_name() + L" (Vantorel) " VANTOREL_VERSION_WIDE L"\r\n");
        return 0;
    }
    installer_options_c options;
    std::wstring error;
    if (!parse_installer_switches(arguments, options, error)) {
        install_log_c log(mentions(arguments, {L"C"}), std::wstring());
        bool silent = mentions(arguments, {L"S", L"Q", L"SW"});
        return refuse(log, silent, error + L"\n\n" + installer_usage_text());
    }
    install_log_c log(options.console_log, options.log_title);
    if (options.show_help) {
        if (options.console_log) log.write(installer_usage_text());
        if (options.shows_window()) MessageBoxW(nullptr, installer_usage_text(), installer_title, MB_OK | MB_ICONINFORMATION);
        return 0;
    }
    log.write(program_name() + L" " + quoted_arguments(arguments));
    if (running_as_32bit_on_64bit())
        return refuse(log, !options.shows_window(),
                      program_name() + L" cannot install drivers on 64-bit Windows; DPInst64.exe does.");
    if (!has_administrator_rights())
        return refuse(log, !options.shows_window(), L"Installing drivers needs administrator rights.");

    // Silent: Windows shows nothing either (a security prompt would wait for ever in an unattended
    // run) and fails where it would ask.
    if (options.silent) SetupSetNonInteractiveMode(TRUE);

    // The restore point comes first, before any package or program changes the system.
    restore_point_run_c restore_point(options.restore_point, system_restore_point_calls(),
                                      [&log](const std::wstring& line) { log.write(line); });

    // A package in a folder the user can write to is worked on from a protected copy only; the copy
    // goes when this run ends.
    const bool staging = !options.stage_package.empty();
    const std::optional<staged_run_c> staged = staging ? prepare_staged_run(options, error) : std::nullopt;
    if (staging) {
        if (!staged) return refuse(log, !options.shows_window(), L"The package was not installed: " + error);
        if (!staged->program.empty()) {
            log.write(L"Running " + staged->program);
            // In its own folder, waited for.
            const std::wstring& program = staged->program;
            const std::optional<std::uint32_t> code =
                run_program_to_end(program, L"", program.substr(0, program.find_last_of(L"\\/")));
            if (!code) return refuse(log, !options.shows_window(), L"Cannot start " + staged->program);
            restore_point.finish(*code == 0 || *code == 3010 || *code == 1641);
            return restore_point.marked(*code);
        }
    }

    install_tally_c tally;
    std::vector<std::wstring> lines;
    if (!options.rollback_device.empty() || !options.uninstall_inf.empty()) {
        package_result_c result = options.rollback_device.empty() ? uninstall_package(options.uninstall_inf)
                                                                  : roll_back_device(options.rollback_device);
        tally.add(result.outcome);
        tally.restart_needed = result.restart_needed;
        lines.push_back(package_log_line(result));
        log.write(lines.back());
    } else {
        lines = install_folder(options, log, tally);
    }
    std::wstring summary = summary_line(tally);
    log.write(summary);
    if (options.shows_window()) show_result_window(installer_title, summary, lines);
    restore_point.finish(tally.installed > 0 || tally.staged_only > 0);
    return restore_point.marked(tally.exit_code());
}
