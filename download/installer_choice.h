// After a package is unpacked: start the driver package installer on the folder of the offered
// INF files, or else the package's own set-up program, or else show the unpacked folder.
// Everything is found by absolute path; the current directory is never used.
//
// The unpacked folder lies where the user can write, so it only serves to choose and to show:
// nothing elevated runs from it. The installer is started elevated on the package itself
// ("/STAGE"), with the digest it was checked and unpacked with; it copies the package into a
// folder only the Administrators may change, checks the copy again, unpacks it there and runs the
// same choice (a folder inside the package, or a program of it) from there.
#pragma once

#include "common/sha256.h"

#include "common/shell_launcher.h"
#include "download/installer_outcome.h"
#include "download/unpacked_files.h"

#include <atomic>
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
    // An ARM64 machine: neither installer is built for it, and one running emulated could put an
    // x86 or x64 driver on it. The unpacked folder is shown instead; nothing is installed.
    bool arm64_machine = false;
    // Holds "setup.dat", the links whose set-up was started; the program folder when empty.
    std::wstring data_folder{};
    // The package the choice is made for, the digest it was unpacked with, and the folder it was
    // unpacked into: what the installer is started on (set by the unpacking).
    std::wstring package_path{};
    std::optional<sha256_digest_c> package_sha256{};
    std::wstring unpacked_folder{};
    // Where the exit of the installer started on it goes, waited for to its end; null: the
    // installer is started and left (its outcome unknown).
    installer_exit_c* installer_exit = nullptr;
    // The description of the System Restore point the installer makes first; empty: none.
    std::wstring restore_point{};
    // What the update server said each device's offer matches: the INF path inside the package
    // and the device ID. Not signed, so checked against the package's own INF before anything
    // is started.
    std::vector<std::pair<std::wstring, std::wstring>> claimed_ids{};
};

// The INF paths from the server that may be looked for at all: relative paths inside the package
// (no drive, ":", leading separator, "." or ".." part). Others count as absent.
std::set<std::wstring> usable_inf_paths(const std::set<std::wstring>& inf_paths);

// The folder (ending in "\") that begins all the paths, or none when they share no folder.
std::optional<std::wstring> common_inf_folder(const std::set<std::wstring>& inf_paths);

// DPInst64.exe on 64-bit Windows (for the 32-bit program too), else DPInst32.exe, from the program
// folder, with /SH /PATH "inside" (/SH /F /PATH "inside" when forced; no /PATH for the package's
// root) for the folder's place inside the package, preceded by /S when silent and followed by
// /STAGE "package" /SHA256 digest. Started elevated: Windows asks an administrator running
// limited for consent. Fails for a folder outside the unpacked one.
launch_result_c run_driver_installer(const std::wstring& folder, bool force, const installer_context_c& context);

// A package that is itself a program (a signed set-up): the installer copies, checks and runs
// it elevated (/STAGE "package" /SHA256 digest /PROGRAM).
launch_result_c run_package_program(const std::wstring& package, const sha256_digest_c& sha256,
                                    const installer_context_c& context);

// Windows' own rollback of the device's driver: the installer, elevated, with /ROLLBACK "id" (and
// the restore point, /S when silent). Nothing is staged: nothing of the user's is installed.
launch_result_c run_driver_rollback(const std::wstring& instance_path, const installer_context_c& context);

// What starting a program gave: none found, or found and started, not started, or declined at
// the consent prompt.
enum class program_start_c { none_found, started, failed, cancelled };

program_start_c program_start_of(launch_result_c result);

// Starts the folder's only program, or its "setup.exe" or "autorun.exe" (whichever the listing
// gives first) among several.
program_start_c find_setup_program(const std::wstring& folder, const installer_context_c& context);

// Looks for a set-up program in the common INF folder and each folder above it up to the unpack
// folder; when there is none, opens the unpack folder for the user (none_found).
program_start_c search_setup_upwards(const std::wstring& folder, const std::wstring& common,
                                   const installer_context_c& context);

// The driver installer on the offered INF files' folder, else a set-up program, else the folder
// opened for the user. `started` when an installer or set-up program was started.
program_start_c choose_installer(const std::wstring& folder, const std::set<std::wstring>& inf_paths,
                               const installer_context_c& context);

// A new, empty folder for one unpacking: the base folder joined with the archive's file name
// without its extension, or, when anything has that name already (an earlier unpacking of an
// older package or backup of that name), the first free "-2", "-3"... An unpacking never mixes
// its files with what is there. Empty when no folder could be created.
std::wstring make_unpack_folder(const std::wstring& archive_path, const std::wstring& base_folder);

enum class unpack_outcome_c {
    unpacked,        // every entry unpacked; `started` tells whether an installer was started
    not_an_archive,  // no zip archive at all: the caller hands it to the shell
    failed,          // a zip archive that did not unpack whole (or was stopped): nothing installed
};

struct unpack_report_c {
    unpack_outcome_c outcome = unpack_outcome_c::failed;
    program_start_c started = program_start_c::none_found;
    std::wstring folder;  // the unpack folder; removed again when the unpacking failed
    std::string problem;  // why it failed
    std::optional<sha256_digest_c> sha256;  // the file's, as it was checked and unpacked
    // How the installer started ended, where it was waited for.
    std::optional<installer_outcome_c> installed;
};

// Unpacks the package into a new folder and starts its installer. A package that does not unpack
// whole installs nothing: its folder is removed and the report says why. With an expected digest
// (a signed offer) the file is held unchanged, checked, and unpacked only when it matches. A
// package whose INF does not name the ID the server offered it for (context.claimed_ids) installs
// nothing either.
unpack_report_c unpack_and_install(const std::wstring& package_path, const std::set<std::wstring>& inf_paths,
                                   const installer_context_c& context, const std::atomic<bool>* stop = nullptr,
                                   const std::optional<sha256_digest_c>& expected = std::nullopt);

// The same unpacking, for callers that start their own installer (a restore). `folder` is empty
// unless the outcome is unpacked. A file that does not match the expected digest fails (even when
// it is no zip archive).
unpack_report_c unpack_archive(const std::wstring& archive_path, const std::wstring& base_folder,
                               const std::atomic<bool>* stop = nullptr,
                               const std::optional<sha256_digest_c>& expected = std::nullopt);

// The problem a report gives for a file whose digest is not the recorded one.
extern const char* const altered_file_problem;
