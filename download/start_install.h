// Starting the installation of a complete download, as the download page's set-up action does.
#pragma once

#include "download/download_session.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

// What the download panel knows of its package.
struct install_request_c {
    std::string link;
    std::vector<std::wstring> inf_names;  // the chosen offers' INF paths, one per device
    bool none_needed = false;             // no device of the group has the update flag
    std::vector<std::wstring> hardids{};  // the device IDs the server said they match, as inf_names
    // The devices, and the step that backs their drivers up before the update; no devices: no
    // backup and no record for Undo.
    std::vector<update_device_c> update_devices{};
    update_backup_step_t back_up{};
    bool back_up_first = true;            // false once the user agreed to install without a backup
    std::wstring offered_version{};       // the version the package installs
    driver_change_check_t drivers_changed{};  // reads the devices again after a set-up program
    report_origin_c report_origin{};          // where its report goes, when the user agreed
};

// The questions and notices of the windows, asked on the UI thread.
class install_gates_c {
public:
    virtual ~install_gates_c() = default;
    // "Install although no device needs it?" (download_setup_warning); true for yes.
    virtual bool confirm_none_needed() = 0;
    virtual bool user_is_administrator() = 0;
    // Tells the user that administrator rights are needed (download_setup_require).
    virtual void tell_administrator_required() = 0;
    // An installation needs a restart to finish: asks, once in the program's run, whether to
    // restart now (install_box_restart), and restarts when the user agrees.
    virtual void offer_restart() {}
    // No restore point could be made before an installation: says why, once in the program's run
    // (System Restore off or missing, or refused by Windows).
    virtual void tell_no_restore_point(bool unavailable) { (void)unavailable; }
    // After an installation ended: asks once in the user's life whether install reports may be
    // sent (reports_question), and keeps the answer in the settings.
    virtual void ask_about_reports() {}
    // The driver in use could not be backed up before the update (install_box_backup_failed):
    // true to install all the same.
    virtual bool confirm_without_backup(const std::string& problem) { (void)problem; return false; }
};

enum class install_start_c {
    started,
    declined,           // the user said no to installing what no device needs
    not_administrator,  // told so; nothing else happened
    already_running,    // an installation of this package runs (from this page or a rebuilt one)
    not_complete,       // the session holds no complete package
    no_thread,          // the system would not start the worker; nothing changed
};

// On the UI thread: the gates, then the worker (detached; it keeps its session alive until it
// ends), which writes "setup.dat" once it started an installer.
install_start_c start_install(const install_request_c& request, download_session_c& session,
                            const installer_context_c& context, install_gates_c& gates);

// What every start on the session's installation worker checks first, after its own gates: the
// administrator gate (told when refused), then that the worker is free. None: go ahead.
std::optional<install_start_c> install_worker_refusal(download_session_c& session, install_gates_c& gates);

// Starts the session's installation worker on `body`, which sets the job's `running` back to 0
// when it ends; the job's last outcome is cleared first. no_thread, nothing running, when the
// system gives no thread.
install_start_c start_install_worker(download_session_c& session, std::function<std::int32_t(install_job_c&)> body);
