// The updater's command line.
//   update.exe                 asks, shows the answer, offers a newer version
//   update.exe --check         prints the answer for scripts, changes nothing
//   update.exe --yes           installs a newer version without asking, prints what it did
//   --mirror URL (repeatable)  asks these mirrors instead of the configured ones
//   --proxy URL                every request through this proxy ("direct": none), not the system's
//   --stage-installer FILE --sha256 HEX
//                              the updater's own elevated step (update_stage_win.h)
#pragma once

#include "service/proxy_rules.h"

#include <optional>
#include <string>
#include <vector>

enum class update_mode_c { interactive, check, yes, stage_installer, help, misuse };

// Exit codes, the same in every mode.
enum update_exit_c : int {
    exit_up_to_date = 0,
    exit_error = 1,         // no mirror answered, the download failed, the installer did not start
    exit_refused = 2,       // the release failed verification: nothing was run
    exit_misuse = 3,        // a wrong command line
    exit_newer = 10,        // --check: a newer release is offered; otherwise: its installer was started
};

struct update_options_c {
    update_mode_c mode = update_mode_c::interactive;
    std::vector<std::string> mirrors;  // UTF-8, as given
    std::optional<proxy_route_c> proxy;
    std::string problem;               // for misuse, UTF-8
    std::wstring installer;            // stage_installer: the downloaded set-up
    std::string sha256;                // stage_installer: its signed digest, hex
};

update_options_c parse_update_options(int argc, const wchar_t* const* argv);

extern const char* const update_usage_text;
