// The installer's run on a package's protected copy (/STAGE, package_intake_win.h): /PATH then
// names the folder inside the package to install from (its root without /PATH), and /RUN or
// /PROGRAM a program of it (or the package itself) to start and wait for instead of installing.
#pragma once

#include "dpinst/installer_options.h"
#include "dpinst/package_intake_win.h"

#include <cstdint>
#include <optional>
#include <string>

struct staged_run_c {
    package_intake_c intake;
    std::wstring program;  // not empty: start this and wait for it, instead of installing
};

// Takes the package in and points the options' search path into the copy; none, with the reason,
// when the package or a path in it is refused.
std::optional<staged_run_c> prepare_staged_run(installer_options_c& options, std::wstring& error);
