#include "download/installer_choice.h"

#include "common/file_digest.h"
#include "common/file_hold.h"

#include "common/file_create.h"
#include "common/file_open.h"
#include "common/path_join.h"
#include "common/text_compare.h"
#include "common/text_convert.h"
#include "download/zip_entry_name.h"
#include "download/zip_reader.h"

namespace {

bool is_separator(wchar_t c) { return c == L'\\' || c == L'/'; }

}  // namespace

std::set<std::wstring> usable_inf_paths(const std::set<std::wstring>& inf_paths) {
    std::set<std::wstring> usable;
    for (const std::wstring& path : inf_paths)
        if (safe_entry_name(path) && !is_separator(path.back())) usable.insert(path);
    return usable;
}

std::optional<std::wstring> common_inf_folder(const std::set<std::wstring>& inf_paths) {
    if (inf_paths.empty()) return std::nullopt;
    std::wstring common = *inf_paths.begin();
    for (const std::wstring& path : inf_paths) {
        std::size_t same = 0;
        while (same < common.size() && same < path.size() && common[same] == path[same]) ++same;
        common.resize(same);
    }
    const std::size_t last = common.find_last_of(L'\\');
    if (last == std::wstring::npos) return std::nullopt;
    return common.substr(0, last + 1);
}

namespace {

// The path of `path` inside the unpacked folder, without separators at either end ("" for the
// folder itself); none for a path outside it.
std::optional<std::wstring> inside_unpacked(const std::wstring& path, const installer_context_c& context) {
    const std::wstring& root = context.unpacked_folder;
    if (root.empty() || path.size() < root.size() || path.compare(0, root.size(), root) != 0) return std::nullopt;
    if (path.size() > root.size() && !is_separator(path[root.size()]) && !is_separator(root.back())) return std::nullopt;
    std::wstring inside = path.substr(root.size());
    while (!inside.empty() && is_separator(inside.front())) inside.erase(0, 1);
    // A parameter ending in \" would read as an escaped quote.
    while (!inside.empty() && is_separator(inside.back())) inside.pop_back();
    return inside;
}

// The installer, elevated, with the switches, then the restore point; waited for when the context
// says where its exit goes.
launch_result_c run_installer_program(const std::wstring& what, const installer_context_c& context, bool set_up_program) {
    if (context.arm64_machine) return launch_result_c::failed;
    std::wstring parameters = std::wstring(context.silent ? L"/S " : L"") + what;
    if (!context.restore_point.empty()) parameters += L" /RESTOREPOINT \"" + context.restore_point + L"\"";
    const std::wstring program = join_path(context.program_folder, context.is_64bit_windows ? L"DPInst64.exe" : L"DPInst32.exe");
    if (!context.installer_exit)
        return context.launcher->run_as_administrator(program, parameters, context.program_folder);
    // The installer passes on the exit code of a package's own program that it runs.
    context.installer_exit->set_up_program = set_up_program;
    return context.launcher->run_as_administrator_to_end(program, parameters, context.program_folder,
                                                         context.installer_exit->code);
}

// The installer, elevated, on the package: the switches for what to do with it, then the package
// and the digest its copy must have.
launch_result_c run_staged(const std::wstring& what, const std::wstring& package,
                           const std::optional<sha256_digest_c>& sha256, const installer_context_c& context) {
    if (package.empty()) return launch_result_c::failed;
    std::wstring parameters = what + L" /STAGE \"" + package + L"\"";
    if (sha256) parameters += L" /SHA256 " + utf8_to_wide(digest_hex(*sha256));
    return run_installer_program(parameters, context, what.rfind(L"/RUN ", 0) == 0 || what == L"/PROGRAM");
}

}  // namespace

launch_result_c run_driver_rollback(const std::wstring& instance_path, const installer_context_c& context) {
    if (instance_path.empty() || instance_path.find(L'"') != std::wstring::npos) return launch_result_c::failed;
    return run_installer_program(L"/ROLLBACK \"" + instance_path + L"\"", context, false);
}

launch_result_c run_driver_installer(const std::wstring& folder, bool force, const installer_context_c& context) {
    const std::optional<std::wstring> inside = inside_unpacked(folder, context);
    if (!inside) return launch_result_c::failed;
    std::wstring what = force ? L"/SH /F" : L"/SH";
    if (!inside->empty()) what += L" /PATH \"" + *inside + L"\"";
    return run_staged(what, context.package_path, context.package_sha256, context);
}

launch_result_c run_package_program(const std::wstring& package, const sha256_digest_c& sha256,
                                    const installer_context_c& context) {
    return run_staged(L"/PROGRAM", package, sha256, context);
}

program_start_c program_start_of(launch_result_c result) {
    switch (result) {
        case launch_result_c::started: return program_start_c::started;
        case launch_result_c::cancelled: return program_start_c::cancelled;
        default: return program_start_c::failed;
    }
}

namespace {

// A package's set-up program installs drivers too: the installer starts it elevated, from the
// package's protected copy.
program_start_c open_program(const std::wstring& path, const installer_context_c& context) {
    const std::optional<std::wstring> inside = inside_unpacked(path, context);
    if (!inside || inside->empty()) return program_start_c::failed;
    return program_start_of(run_staged(L"/RUN \"" + *inside + L"\"", context.package_path, context.package_sha256, context));
}

}  // namespace

program_start_c find_setup_program(const std::wstring& folder, const installer_context_c& context) {
    const std::vector<std::wstring> programs = context.files->programs_in(folder);
    if (programs.empty()) return program_start_c::none_found;
    if (programs.size() == 1) return open_program(join_path(folder, programs.front()), context);
    for (const std::wstring& name : programs)
        if (equal_ignoring_case(name, L"setup.exe") || equal_ignoring_case(name, L"autorun.exe"))
            return open_program(join_path(folder, name), context);
    return program_start_c::none_found;
}

program_start_c search_setup_upwards(const std::wstring& folder, const std::wstring& common,
                                   const installer_context_c& context) {
    std::wstring part = common;
    for (std::size_t last; (last = part.find_last_of(L'\\')) != std::wstring::npos;) {
        part.resize(last);
        const program_start_c found = find_setup_program(join_relative(folder, part), context);
        if (found != program_start_c::none_found) return found;
    }
    const program_start_c found = find_setup_program(folder, context);
    if (found != program_start_c::none_found) return found;
    context.launcher->open(folder);
    return program_start_c::none_found;
}

program_start_c choose_installer(const std::wstring& folder, const std::set<std::wstring>& inf_paths,
                               const installer_context_c& context) {
    if (context.arm64_machine) {
        context.launcher->open(folder);
        return program_start_c::none_found;
    }
    const std::set<std::wstring> usable = usable_inf_paths(inf_paths);
    const std::optional<std::wstring> common = common_inf_folder(usable);
    const std::wstring dir = common ? join_relative(folder, *common) : folder;
    if (!usable.empty() && context.files->is_directory(dir)) {
        for (const std::wstring& path : usable)
            if (context.files->file_exists(join_relative(folder, path)))
                return program_start_of(run_driver_installer(dir, false, context));
    }
    return search_setup_upwards(folder, common.value_or(std::wstring()), context);
}

std::wstring make_unpack_folder(const std::wstring& archive_path, const std::wstring& base_folder) {
    const std::size_t slash = archive_path.find_last_of(L"/\\");
    std::wstring name = slash == std::wstring::npos ? archive_path : archive_path.substr(slash + 1);
    const std::size_t dot = name.rfind(L'.');
    if (dot != std::wstring::npos && dot > 0) name.resize(dot);
    if (!create_folders(base_folder)) return {};
    for (int n = 1; n < 1000; ++n) {
        const std::wstring folder = join_path(base_folder, n == 1 ? name : name + L"-" + std::to_wstring(n));
        if (create_new_folder(folder)) return folder;
    }
    return {};
}

const char* const altered_file_problem =
    "the file was damaged or altered: its SHA-256 is not the one recorded for it";

unpack_report_c unpack_archive(const std::wstring& archive_path, const std::wstring& base_folder,
                               const std::atomic<bool>* stop, const std::optional<sha256_digest_c>& expected) {
    unpack_report_c report;
    // From the check to the last unpacked byte nobody may change the file (it lies in a folder
    // the user can write to).
    // Its digest goes with the report: the elevated installer's copy must have it.
    const file_hold_c hold(archive_path);
    report.sha256 = hold.held() ? file_sha256(archive_path) : std::nullopt;
    if (!report.sha256) {
        report.problem = "the file cannot be read to check it";
        return report;
    }
    if (expected && *report.sha256 != *expected) {
        report.problem = altered_file_problem;
        return report;
    }
    zip_reader_c reader;
    if (!reader.open_archive(archive_path)) {
        report.outcome = unpack_outcome_c::not_an_archive;
        report.problem = "no zip archive";
        return report;
    }
    report.folder = make_unpack_folder(archive_path, base_folder);
    if (report.folder.empty()) {
        report.problem = "no folder to unpack into can be created in " + wide_to_utf8(base_folder);
        return report;
    }
    if (reader.extract_all(report.folder, stop) != 0) {
        report.problem = reader.problem();
        // Half a package must not be taken for one later: the folder was new, so it all goes.
        remove_tree(report.folder);
        report.folder.clear();
        return report;
    }
    report.outcome = unpack_outcome_c::unpacked;
    return report;
}

unpack_report_c unpack_and_install(const std::wstring& package_path, const std::set<std::wstring>& inf_paths,
                                   const installer_context_c& context, const std::atomic<bool>* stop,
                                   const std::optional<sha256_digest_c>& expected) {
    unpack_report_c report = unpack_archive(package_path, context.download_folder, stop, expected);
    if (report.outcome != unpack_outcome_c::unpacked) return report;
    context.files->remove_pages(report.folder);
    for (const auto& [inf, id] : context.claimed_ids) {
        if (!usable_inf_paths({inf}).count(inf) || id.empty()) continue;
        if (context.files->inf_names_id(join_relative(report.folder, inf), id)) continue;
        report.outcome = unpack_outcome_c::failed;
        report.problem = wide_to_utf8(inf) + " in the package does not name " + wide_to_utf8(id) +
                         ", the device ID the update server offered it for";
        return report;
    }
    installer_context_c chosen = context;
    chosen.package_path = package_path;
    chosen.package_sha256 = report.sha256;
    chosen.unpacked_folder = report.folder;
    report.started = choose_installer(report.folder, inf_paths, chosen);
    return report;
}
