#include "download/install_job.h"

#include "common/file_open.h"
#include "common/path_join.h"

std::int32_t install_package(install_job_c& job) {
    std::int32_t result = unpack_and_install(job.package_path, job.inf_paths, job.context);
    // Not a zip archive: the shell runs it when it is a program.
    if (result < 0) result = job.context.launcher->open(job.package_path) ? 0 : -1;
    job.running.store(0);
    return result;
}

bool append_setup_link(const std::wstring& program_folder, const std::string& link) {
    if (link.empty() || link.find_first_of("\r\n") != std::string::npos) return false;
    const std::wstring path = join_path(program_folder, L"setup.dat");
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
