// One installation of a downloaded package, run on a worker thread. The job belongs to the
// package's download session, not to a window: a download page rebuilt while an installation
// runs finds the running job through the session and refuses a second one.
#pragma once

#include "download/driver_change.h"
#include "service/install_reports.h"
#include "download/installer_choice.h"
#include "download/undo_outcome.h"
#include "download/update_devices.h"
#include "common/worker.h"

#include <atomic>
#include <cstdint>
#include <set>
#include <string>

struct install_job_c {
    std::wstring package_path;
    std::string link;                  // goes to "setup.dat" once installed (or judged not better)
    std::set<std::wstring> inf_paths;  // the offered INF paths inside the package
    // The signed digest the package must still have when it is unpacked; none for an unsigned
    // offer the settings let through (which is then never handed to the shell).
    std::optional<sha256_digest_c> expected_sha256;
    installer_context_c context;
    // The devices the update is for, and the step that backs their packages up first; no devices:
    // no backup (and no record of the update); no step: nothing backed up.
    std::vector<update_device_c> update_devices;
    update_backup_step_t back_up;
    bool back_up_first = true;       // false: the user chose to install without the backup
    std::wstring offered_version;    // recorded as installed on the devices ("updates.dat")
    // Reads the devices again after a package's own set-up program ended with 0: it installed
    // something only when a driver changed. Null: its exit code alone decides.
    driver_change_check_t drivers_changed;
    // Where the installation's report is queued, and the Windows it tells of; no queue: the
    // user has not agreed to send reports.
    report_origin_c report_origin;
    std::atomic<std::int32_t> running{0};  // 1 from the start until the worker ends
    std::atomic<bool> stop{false};         // the program is ending: the unpacking stops
    worker_c worker;
    // How the last installation ended, read once `running` is 0.
    unpack_report_c report;
    // Set when the backup before the update failed: nothing was installed, the user is asked.
    std::string backup_problem;
    // Undo runs on the same worker, one at a time with installations (backup/undo_job.h): how it
    // ended, set only for an Undo.
    std::optional<undo_outcome_c> undo;
};

// The worker's body: unpacks and installs, or hands a signed package that is no zip archive to the
// shell.
// The installer is waited for and its exit code read (report.installed). Once the package was
// installed, or Windows judged it not better, the link goes to "setup.dat" (where the installer
// could not be waited for: once it was started); a failed installation, a package that did not
// unpack whole, or an unpacking stopped leaves it out, and the package is offered again.
// First the packages the devices run are backed up (unless the job says not to); when that
// fails nothing is installed and `backup_problem` says why. An installed update is recorded in
// "updates.dat" for Undo.
std::int32_t install_package(install_job_c& job);
