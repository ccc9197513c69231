#include "cli/noting_launcher.h"

#include "cli/install_environment.h"
#include "common/text_convert.h"
#include "download/installer_outcome.h"

bool noting_launcher_c::open(const std::wstring& target) {
    starts.push_back({{"open", wide_to_utf8(target)}});
    const bool opened = !shell_ || shell_->open(target);
    any_failed = any_failed || !opened;
    return opened;
}

bool noting_launcher_c::run(const std::wstring& program, const std::wstring& parameters) {
    nlohmann::ordered_json start = {{"program", wide_to_utf8(program)}, {"parameters", wide_to_utf8(parameters)}};
    bool started = true;
    if (shell_ && wait_) {
        const std::optional<std::uint32_t> code = run_to_end(program, parameters);
        started = code.has_value();
        if (code) {
            // The driver package installer's documented form: 0xWWXXYYZZ, WW flags (0x80 a package
            // failed, 0x40 a restart is needed), XX failed, YY staged only, ZZ installed packages.
            start["exit_code"] = *code;
            start["installed"] = *code & 0xFFu;
            start["staged_only"] = (*code >> 8) & 0xFFu;
            start["failed"] = (*code >> 16) & 0xFFu;
            start["restart_needed"] = (*code & 0x40000000u) != 0;
            // Beside the documented flags: why no restore point was made, where one was asked for.
            start["restore_point"] = restore_point_note_name(installer_outcome({*code, false}).restore_point);
            any_failed = any_failed || (*code & 0x80000000u) != 0;
            last_exit_code_ = code;
        }
    } else if (shell_) {
        started = shell_->run(program, parameters);
    }
    start["started"] = started;
    starts.push_back(std::move(start));
    any_failed = any_failed || !started;
    return started;
}

launch_result_c noting_launcher_c::run_as_administrator(const std::wstring& program, const std::wstring& parameters,
                                                      const std::wstring& working_folder) {
    // Run to its end, the installer is started as the console's user (an elevated console).
    if (!shell_ || wait_) return run(program, parameters) ? launch_result_c::started : launch_result_c::failed;
    const launch_result_c result = shell_->run_as_administrator(program, parameters, working_folder);
    starts.push_back({{"program", wide_to_utf8(program)},
                      {"parameters", wide_to_utf8(parameters)},
                      {"started", result == launch_result_c::started},
                      {"consent_declined", result == launch_result_c::cancelled}});
    any_failed = any_failed || result != launch_result_c::started;
    return result;
}

launch_result_c noting_launcher_c::run_as_administrator_to_end(const std::wstring& program, const std::wstring& parameters,
                                                             const std::wstring& working_folder,
                                                             std::optional<std::uint32_t>& exit_code) {
    last_exit_code_.reset();
    const launch_result_c result = run_as_administrator(program, parameters, working_folder);
    exit_code = last_exit_code_;
    return result;
}
