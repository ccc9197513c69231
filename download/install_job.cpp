#include "download/install_job.h"

#include "common/file_open.h"
#include "common/path_join.h"

std::int32_t install_package(install_job_c& job) {
    unpack_report_c report =
        unpack_and_install(job.package_path, job.inf_paths, job.context, &job.stop, job.expected_sha256);
    // Not a zip archive: the shell runs it when it is a program, but only a package whose bytes the
    // catalog owner signed (and that were just checked).
    if (report.outcome == unpack_outcome::not_an_archive && !job.expected_sha256) {
        report.outcome = unpack_outcome::failed;
        report.problem = "an unsigned package that is no zip archive is never started";
    } else if (report.outcome == unpack_outcome::not_an_archive) {
        report.started = job.context.launcher->open(job.package_path) ? program_start::started : program_start::failed;
    }
    if (report.started == program_start::started)
        append_setup_link(job.context.data_folder.empty() ? job.context.program_folder : job.context.data_folder,
                          job.link);
    const std::int32_t result = report.outcome == unpack_outcome::failed ? -1 : 0;
    job.report = std::move(report);
    job.running.store(0);
    return result;
}

bool append_setup_link(const std::wstring& data_folder, const std::string& link) {
    if (link.empty() || link.find_first_of("\r\n") != std::string::npos) return false;
    const std::wstring path = join_path(data_folder, L"setup.dat");
    std::FILE* file = open_file(path, "a+b");
    if (!file) return false;
    // A last line without its line end (edited by hand) must not run into this one.
    bool needs_break = false;
    if (std::fseek(file, -1, SEEK_END) == 0) needs_break = std::fgetc(file) != '\n';
    std::fseek(file, 0, SEEK_END);
    const std::string line = (needs_break ? "\n" : "") + link + "\n";
    const bool written = std::fwrite(line.data(), 1, line.size(), file) == line.size();
    return std::fclose(file) == 0 && written;
}
