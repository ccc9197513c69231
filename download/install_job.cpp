#include "download/install_job.h"

#include "download/driver_updates.h"
#include "common/text_convert.h"
#include "service/catalog_freshness.h"
#include "service/installed_links.h"

namespace {

const char* report_outcome(const installer_outcome_c& outcome) {
    switch (outcome.verdict) {
        case install_verdict_c::installed: return outcome.restart_needed ? "restart_needed" : "installed";
        case install_verdict_c::not_better: return "not_better";
        case install_verdict_c::failed: break;
    }
    return "failed";
}

// One report per device the offer was for: its hardware ID and what it ran before. Only a signed
// package is reported: the server knows packages by the digest their signature covers.
void queue_install_reports(const install_job_c& job, const installer_outcome_c& outcome) {
    const report_origin_c& origin = job.report_origin;
    if (origin.queue.empty() || !job.expected_sha256) return;
    std::vector<install_report_entry_c> reports;
    const auto& claimed = job.context.claimed_ids;
    for (std::size_t i = 0; i < claimed.size(); ++i) {
        install_report_entry_c report;
        report.report_id = new_report_id();
        report.package_sha256 = digest_hex(*job.expected_sha256);
        report.inf_path = wide_to_utf8(claimed[i].first);
        report.hardware_id = wide_to_utf8(claimed[i].second);
        if (i < job.update_devices.size() && job.update_devices[i].has_driver) {
            const device_texts_c& before = job.update_devices[i].texts;
            report.replaced_version = wide_to_utf8(before.version);
            report.replaced_date = wide_to_utf8(before.driver_date);
            report.replaced_provider = wide_to_utf8(before.manu);
        }
        report.outcome = report_outcome(outcome);
        report.exit_code = outcome.exit_code;
        report.os = origin.os;
        report.build = origin.build;
        report.machine = origin.machine;
        reports.push_back(std::move(report));
    }
    queue_reports(origin.queue, reports);
}

}  // namespace

std::int32_t install_package(install_job_c& job) {
    const std::wstring& data_folder = job.context.data_folder.empty() ? job.context.program_folder : job.context.data_folder;
    // The installer is waited for on this worker, so that its outcome is known.
    installer_exit_c exit;
    installer_context_c context = job.context;
    context.installer_exit = &exit;
    unpack_report_c report;
    // A package withdrawn since it was downloaded is never installed.
    const std::string withdrawn = withdrawn_problem(catalog_record_path(data_folder), job.expected_sha256);
    pre_update_backup_c backed_up;
    if (!withdrawn.empty()) {
        report.problem = withdrawn;
    } else if (job.back_up_first && job.back_up && !job.update_devices.empty() &&
               !(backed_up = job.back_up(job.update_devices)).complete) {
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
        !report.installed->restart_needed && job.drivers_changed && !job.update_devices.empty() &&
        !job.drivers_changed(job.update_devices))
        report.installed->verdict = install_verdict_c::failed;
    // "setup.dat" names the package once it was installed, or Windows judged it not better; a
    // failed installation leaves it to be offered again. Where the installer could not be waited
    // for, its start is all there is to go by.
    if (report.installed) queue_install_reports(job, *report.installed);
    const bool recorded = report.installed ? records_installed_link(*report.installed) : report.started == program_start_c::started;
    if (recorded) append_installed_link(installed_links_path(data_folder), job.link);
    if (report.installed && report.installed->verdict == install_verdict_c::installed && !job.update_devices.empty()) {
        // Undo's record: what each device ran before, and the backup of it (none when the user
        // installed without one).
        std::vector<driver_update_c> updates = backed_up.updates;
        if (updates.empty())
            for (const update_device_c& device : job.update_devices)
                updates.push_back({device.texts.id, device.has_driver ? device.texts.name : L"",
                                   device.has_driver ? device.texts.version : L"", L"", L"", false});
        const auto& claimed = job.context.claimed_ids;
        for (std::size_t i = 0; i < updates.size(); ++i) {
            driver_update_c& update = updates[i];
            update.installed_version = job.offered_version;
            update.installed_link = job.link;
            if (job.expected_sha256) update.installed_sha256 = digest_hex(*job.expected_sha256);
            if (claimed.size() == updates.size()) {
                update.installed_inf = wide_to_utf8(claimed[i].first);
                update.hardware_id = wide_to_utf8(claimed[i].second);
            }
        }
        record_driver_updates(driver_updates_path(data_folder), updates);
    }
    const std::int32_t result = report.outcome == unpack_outcome_c::failed ? -1 : 0;
    job.report = std::move(report);
    job.running.store(0);
    return result;
}
