// After a package is unpacked: start the driver package installer on the folder of the offered
// INF files, or else the package's own set-up program, or else show the unpacked folder.
// Everything is found by absolute path; the current directory is never used.
#pragma once

#include "common/shell_launcher.h"
#include "download/unpacked_files.h"

#include <optional>
#include <set>
#include <string>

struct installer_context_c {
    std::wstring program_folder;   // holds DPInst32.exe and DPInst64.exe
    std::wstring download_folder;  // unpack folders are made here
    bool is_64bit_windows = false;
    shell_launcher_c* launcher = nullptr;
    const unpacked_files_c* files = nullptr;
    bool silent = false;           // the installer shows no window (/S): for scripts, never the windows
};

// The INF paths from the server that may be looked for at all: relative paths inside the package
// (no drive, ":", leading separator, "." or ".." part). Others count as absent.
std::set<std::wstring> usable_inf_paths(const std::set<std::wstring>& inf_paths);

// The folder (ending in "\") that begins all the paths, or none when they share no folder.
std::optional<std::wstring> common_inf_folder(const std::set<std::wstring>& inf_paths);

// DPInst64.exe on 64-bit Windows (for the 32-bit program too), else DPInst32.exe, from the program
// folder, with /SH /PATH "folder" (/SH /F /PATH "folder" when forced), preceded by /S when silent.
void run_driver_installer(const std::wstring& folder, bool force, const installer_context_c& context);

// Starts the folder's only program, or its "setup.exe" or "autorun.exe" (whichever the listing
// gives first) among several; false when there is none to start.
bool find_setup_program(const std::wstring& folder, const installer_context_c& context);

// Looks for a set-up program in the common INF folder and each folder above it up to the unpack
// folder; when there is none, opens the unpack folder for the user.
void search_setup_upwards(const std::wstring& folder, const std::wstring& common, const installer_context_c& context);

void choose_installer(const std::wstring& folder, const std::set<std::wstring>& inf_paths,
                      const installer_context_c& context);

// The base folder joined with the archive's file name without its extension, created.
std::wstring make_unpack_folder(const std::wstring& archive_path, const std::wstring& base_folder);

// 0 when the package was unpacked (whatever was started afterwards), -1 when it is no zip
// archive or its directory cannot be read.
int unpack_and_install(const std::wstring& package_path, const std::set<std::wstring>& inf_paths,
                       const installer_context_c& context);
