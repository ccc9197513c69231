#include "download/install_job.h"

#include "backup/driver_updates.h"
#include "service/catalog_freshness.h"
#include "service/installed_links.h"

std::int32_t install_package(install_job_c& job) {
    const std::wstring& data_folder = job.context.data_folder.empty() ? job.context.program_folder : job.context.data_folder;
    // The installer is waited for on this worker, so that its outcome is known.
    installer_exit_c exit;
    installer_context_c context = job.context;
    context.installer_exit = &exit;
    unpack_report_c report;
    // A package withdrawn since it was downloaded is never installed.
    const std::string withdrawn = withdrawn_problem(catalog_record_path(data_folder), job.expected_sha256);
    job.backup_problem.clear();
    job.undo.reset();
    update_backup_result_c backed_up;
    if (!withdrawn.empty()) {
        report.problem = withdrawn;
    } else if (job.back_up_first && !job.update.devices.empty() && !(backed_up = back_up_before_update(job.update)).complete) {
        // Nothing is installed over a driver that could not be kept: the user decides.
        job.backup_problem = report.problem = backed_up.problem;
    } else {
        report = unpack_and_install(job.package_path, job.inf_paths, context, &job.stop, job.expected_sha256);
    }
    // Not a zip archive: the shell runs it when it is a program, but only a package whose bytes the
    // catalog owner signed (and that were just checked).
    if (report.outcome == unpack_outcome_c::not_an_archive && !job.expected_sha256) {
        report.outcome = unpack_outcome_c::failed;
        report.problem = "an unsigned package that is no zip archive is never started";
    } else if (report.outcome == unpack_outcome_c::not_an_archive) {
        report.started = program_start_of(run_package_program(job.package_path, *job.expected_sha256, context));
    }
    if (report.started == program_start_c::started && exit.code) report.installed = installer_outcome(exit);
    // A set-up program may end well and change nothing (cancelled, or for other hardware): then
    // it failed, its exit code shown. One that asks for a restart first is taken at its word.
    if (report.installed && exit.set_up_program && report.installed->verdict == install_verdict_c::installed &&
        !report.installed->restart_needed && job.drivers_changed && !job.update.devices.empty() &&
        !job.drivers_changed(job.update.devices))
        report.installed->verdict = install_verdict_c::failed;
    // "setup.dat" names the package once it was installed, or Windows judged it not better; a
    // failed installation leaves it to be offered again. Where the installer could not be waited
    // for, its start is all there is to go by.
    const bool recorded = report.installed ? records_installed_link(*report.installed) : report.started == program_start_c::started;
    if (recorded) append_installed_link(installed_links_path(data_folder), job.link);
    if (report.installed && report.installed->verdict == install_verdict_c::installed && !job.update.devices.empty()) {
        // Undo's record: what each device ran before, and the backup of it (none when the user
        // installed without one).
        std::vector<driver_update_c> updates = backed_up.updates;
        if (updates.empty())
            for (const update_device_c& device : job.update.devices)
                updates.push_back({device.texts.id, device.has_driver ? device.texts.name : L"",
                                   device.has_driver ? device.texts.version : L"", L"", L"", false});
        for (driver_update_c& update : updates) {
            update.installed_version = job.offered_version;
            update.installed_link = job.link;
        }
        record_driver_updates(driver_updates_path(data_folder), updates);
    }
    const std::int32_t result = report.outcome == unpack_outcome_c::failed ? -1 : 0;
    job.report = std::move(report);
    job.running.store(0);
    return result;
}

std::int32_t undo_package_update(install_job_c& job) {
    job.undo = undo_updates(job.undo_devices, job.undo_places, job.context);
    const std::int32_t result = job.undo->result == undo_result_c::failed ? -1 : 0;
    job.running.store(0);
    return result;
}
