#include "backup/restore_job.h"

#include "common/path_join.h"

int restore_backup(const std::wstring& archive_name, const std::wstring& backup_folder,
                   const installer_context_c& context, std::string* problem,
                   const std::optional<sha256_digest_c>& recorded) {
    std::string ignored;
    std::string& why = problem ? *problem : ignored;
    if (archive_name.empty() || archive_name.find_first_of(L"/\\:") != std::wstring::npos || archive_name == L"." ||
        archive_name == L"..") {
        why = "no plain archive name";
        return -1;
    }
    const unpack_report_c report = unpack_archive(join_path(backup_folder, archive_name), backup_folder, nullptr, recorded);
    if (report.outcome != unpack_outcome_c::unpacked) {
        why = report.outcome == unpack_outcome_c::not_an_archive ? "no readable zip archive"
              : report.problem == altered_file_problem
                  ? "the backup archive was damaged or altered after it was written: its SHA-256 is not the recorded one"
                  : report.problem;
        return -1;
    }
    // The installer takes the archive into its protected folder and checks it against the digest
    // it was unpacked with here: the recorded one, or for a backup recorded without one, the
    // archive's as it is now.
    installer_context_c chosen = context;
    chosen.package_path = join_path(backup_folder, archive_name);
    chosen.package_sha256 = report.sha256;
    chosen.unpacked_folder = report.folder;
    switch (run_driver_installer(report.folder, true, chosen)) {
        case launch_result_c::started: return 0;
        case launch_result_c::cancelled: why = "the consent to run the installer was not given"; return -1;
        default:
            why = context.arm64_machine ? "no driver package installer runs on this processor"
                                        : "the driver package installer could not be started";
            return -1;
    }
}
