// The installer's command line: the switches of the Driver Package Installer as documented, read
// without regard to case, each starting with "/" or "-".
//
//   /PATH dir   the folder to search for driver packages (default: the current folder)
//   /U inf      remove a published driver package instead of installing
//   /S, /Q      silent: no window at all
//   /SW         no installer window (Windows may still show its own)
//   /SA         no entry under the installed programs
//   /SH         only packages that match a device present now
//   /F          install even when the package is not better than the installed driver
//   /P          ask before installing a package that is not better (not in silent mode)
//   /LM         legacy mode: accept packages without a catalog
//   /C          write the log to the console as well
//   /LogTitle t the title of this run's lines in the log
//   /SE, /EL, /L id   accepted; this installer has no licence text and one language
//   /?, /H, /HELP     the usage text
// and this installer's own, for a package in a folder the user can write to (package_intake_win.h):
//   /STAGE file   copy the package into a protected folder first and work on that copy only;
//                 /PATH then names a folder inside the package (default: its root)
//   /SHA256 hex   the package's expected digest: a copy with another one is refused
//   /RUN file     instead of installing, run this program inside the package and wait for it
//   /PROGRAM      instead of installing, run the package itself (a program) and wait for it
//   /RESTOREPOINT text   a System Restore point of that description around the installation
//                 (restore_point.h); the exit code says when none could be made
//   /ROLLBACK id  put back the driver the device of this instance ID ran before its last update,
//                 through Windows' own rollback (device_rollback_win.h)
#pragma once

#include <string>
#include <vector>

struct installer_options_c {
    std::wstring search_path;    // empty: the current folder
    std::wstring uninstall_inf;  // not empty: remove this package
    bool silent = false;
    bool no_wizard = false;
    bool no_program_entry = false;
    bool present_devices_only = false;
    bool force = false;
    bool prompt_if_not_better = false;
    bool legacy_mode = false;
    bool console_log = false;
    bool show_help = false;
    std::wstring log_title;
    std::wstring language;  // accepted and not used
    std::wstring stage_package;  // not empty: work on a protected copy of this package
    std::wstring stage_sha256;
    std::wstring stage_run;
    bool stage_program = false;
    std::wstring restore_point;  // not empty: make a restore point of this description first
    std::wstring rollback_device;  // not empty: roll this device's driver back instead of installing

    bool shows_window() const { return !silent && !no_wizard; }
};

// arguments without the program path. False with a message naming the offending argument for an
// unknown or unsupported switch, a missing value, a repeated value switch, a stray argument, /U
// together with /PATH or /STAGE, /ROLLBACK with /PATH, /STAGE or /U, /SHA256, /RUN or /PROGRAM without /STAGE, or /RUN, /PROGRAM and
// /PATH together.
bool parse_installer_switches(const std::vector<std::wstring>& arguments, installer_options_c& options,
                              std::wstring& error);

// The usage text shown for /? and after a refused command line.
const wchar_t* installer_usage_text();
