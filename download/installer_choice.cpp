#include "download/installer_choice.h"

#include "common/file_open.h"
#include "common/path_join.h"
#include "common/text_compare.h"
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

void run_driver_installer(const std::wstring& folder, bool force, const installer_context_c& context) {
    // A parameter ending in \" would read as an escaped quote.
    std::wstring quoted = folder;
    while (!quoted.empty() && is_separator(quoted.back())) quoted.pop_back();
    const std::wstring parameters = std::wstring(context.silent ? L"/S " : L"") +
                                    (force ? L"/SH /F /PATH \"" : L"/SH /PATH \"") + quoted + L"\"";
    const wchar_t* program = context.is_64bit_windows ? L"DPInst64.exe" : L"DPInst32.exe";
    context.launcher->run(join_path(context.program_folder, program), parameters);
}

bool find_setup_program(const std::wstring& folder, const installer_context_c& context) {
    const std::vector<std::wstring> programs = context.files->programs_in(folder);
    if (programs.empty()) return false;
    if (programs.size() == 1) {
        context.launcher->open(join_path(folder, programs.front()));
        return true;
    }
    for (const std::wstring& name : programs) {
        if (equal_ignoring_case(name, L"setup.exe") || equal_ignoring_case(name, L"autorun.exe")) {
            context.launcher->open(join_path(folder, name));
            return true;
        }
    }
    return false;
}

void search_setup_upwards(const std::wstring& folder, const std::wstring& common, const installer_context_c& context) {
    std::wstring part = common;
    for (std::size_t last; (last = part.find_last_of(L'\\')) != std::wstring::npos;) {
        part.resize(last);
        if (find_setup_program(join_relative(folder, part), context)) return;
    }
    if (find_setup_program(folder, context)) return;
    context.launcher->open(folder);
}

void choose_installer(const std::wstring& folder, const std::set<std::wstring>& inf_paths,
                      const installer_context_c& context) {
    const std::set<std::wstring> usable = usable_inf_paths(inf_paths);
    const std::optional<std::wstring> common = common_inf_folder(usable);
    const std::wstring dir = common ? join_relative(folder, *common) : folder;
    if (!usable.empty() && context.files->is_directory(dir)) {
        for (const std::wstring& path : usable) {
            if (context.files->file_exists(join_relative(folder, path))) {
                run_driver_installer(dir, false, context);
                return;
            }
        }
    }
    search_setup_upwards(folder, common.value_or(std::wstring()), context);
}

std::wstring make_unpack_folder(const std::wstring& archive_path, const std::wstring& base_folder) {
    const std::size_t slash = archive_path.find_last_of(L"/\\");
    std::wstring name = slash == std::wstring::npos ? archive_path : archive_path.substr(slash + 1);
    const std::size_t dot = name.rfind(L'.');
    if (dot != std::wstring::npos && dot > 0) name.resize(dot);
    const std::wstring folder = join_path(base_folder, name);
    create_folders(folder);
    return folder;
}

int unpack_and_install(const std::wstring& package_path, const std::set<std::wstring>& inf_paths,
                       const installer_context_c& context) {
    const std::wstring folder = make_unpack_folder(package_path, context.download_folder);
    zip_reader_c reader;
    if (reader.open_archive(package_path) != 0 || reader.extract_all(folder) != 0) return -1;
    context.files->remove_pages(folder);
    choose_installer(folder, inf_paths, context);
    return 0;
}
